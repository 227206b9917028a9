// A file that another library writes whole (the spreadsheet writer opens it
// by name): written at tempPath() beside the target, synced and renamed
// over the target by commit(); abandoned, the temporary is removed and the
// target stays as it was.
#pragma once

#include <string>

namespace krt {

class StagedFile {
 public:
  explicit StagedFile(std::string target, bool durable = true);  // throws FileError
  ~StagedFile();
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;

  const std::string& tempPath() const { return tempPath_; }
  const std::string& target() const { return target_; }

  // Syncs the temporary, renames it over the target, syncs the folder;
  // throws FileError (the temporary is then gone, the target as it was).
  void commit();

 private:
  std::string target_;
  std::string tempPath_;
  bool durable_;
  bool committed_ = false;
};

}  // namespace krt
