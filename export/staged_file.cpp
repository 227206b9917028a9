#include "export/staged_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "records/file_io.h"

namespace krt {
namespace {

std::string folderOf(const std::string& path) {
  const std::string folder = std::filesystem::path(path).parent_path().string();
  return folder.empty() ? "." : folder;
}

// Waits for the disk to hold the file (or the folder's new entry).
int syncPath(const std::string& path, int flags) {
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
  if (fd < 0) return errno;
  const int err = ::fsync(fd) == 0 ? 0 : errno;
  ::close(fd);
  return err;
}

}  // namespace

StagedFile::StagedFile(std::string target, bool durable) : target_(std::move(target)), durable_(durable) {
  std::string pattern = folderOf(target_) + "/." + std::filesystem::path(target_).filename().string() + ".XXXXXX";
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) throw FileError(FileError::Action::Create, target_, errno);
  // A new file gets the permissions any new file of the user gets.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  ::close(fd);
  tempPath_ = pattern;
}

StagedFile::~StagedFile() {
  if (!committed_) ::unlink(tempPath_.c_str());
}

void StagedFile::commit() {
  int err = durable_ ? syncPath(tempPath_, O_RDONLY) : 0;
  if (err == 0 && ::rename(tempPath_.c_str(), target_.c_str()) != 0) err = errno;
  if (err != 0) throw FileError(FileError::Action::Write, target_, err);
  committed_ = true;
  if (durable_) syncPath(folderOf(target_), O_RDONLY | O_DIRECTORY);
}

}  // namespace krt
