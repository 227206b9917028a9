// Reading and writing the program's text files.
//
// Lines follow the archive rules: a line ends at CR or CR LF (both consumed);
// a lone LF is data; a last line without a line end is still a line; an
// empty file has no lines. Every line is written as its text and CR LF.
//
// Every failure throws FileError naming the file. Writes that replace a
// file go to a temporary file in the target's folder, which is renamed over
// the target only when it is complete and synced (ReplacementFile).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace krt {

class FileError : public std::runtime_error {
 public:
  // CreateIn: no file could be made in the folder `path`.
  enum class Action { Read, Write, Create, CreateIn };
  FileError(Action action, std::string path, int err);

  Action action() const { return action_; }
  const std::string& path() const { return path_; }
  int error() const { return err_; }

  // The message for the user, in Italian, naming the file (cp1252 text).
  std::string userMessage() const;

 private:
  Action action_;
  std::string path_;
  int err_;
};

// Test hook: every read, write, sync, close and rename of the program's files
// asks it first. A test installs a function that returns true to make that
// call fail (as a full or broken disk would); the program never installs one.
namespace io {
enum class Op { Read, Write, Sync, Close, Rename };
using FaultHook = std::function<bool(Op op, const std::string& path)>;
void setFaultHook(FaultHook hook);

// The calls that make a replaced file durable: the temporary's data before
// the rename, the folder's entry after it. The program keeps the system's
// own; a test may wrap them to watch what is synced, and when.
struct SyncCalls {
  int (*fdatasync)(int fd);
  int (*fsync)(int fd);
};
SyncCalls& syncCalls();
}  // namespace io

// A file another library writes (a PDF, a workbook) that replaces `target`
// only when complete: it is written at tempPath(), beside the target.
// FileWriter's replacing modes go through it too.
//
// An existing target the user may not write is refused (for root, one
// without any write permission bit), and so is a folder; a target reached
// through a symbolic link is the file the link leads to, and the link
// stays. The new file keeps the old one's mode and, where the system
// allows, its owner and group.
class ReplacementFile {
 public:
  // `durable`: commit() waits for the disk (false only for files the program
  // derives again at will).
  explicit ReplacementFile(std::string target, bool durable = true);  // throws FileError
  ~ReplacementFile();  // removes the temporary unless committed
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  const std::string& tempPath() const { return tempPath_; }
  // The file that is replaced (the one a link leads to).
  const std::string& target() const { return target_; }

  // Syncs the temporary, renames it over the target, syncs the folder;
  // throws FileError (the temporary is then gone, the target as it was).
  void commit();

  // The temporary's open descriptor, for a writer of our own that writes
  // through it and leaves it open: commit() then syncs and closes that very
  // descriptor rather than opening the file again by its name.
  int writeThroughDescriptor();

 private:
  [[noreturn]] void fail(int err);

  std::string target_;
  std::string tempPath_;
  int fd_ = -1;
  bool ownWriter_ = false;  // written through fd_
  bool durable_;
  bool existed_ = false;
  unsigned mode_ = 0;
  unsigned owner_ = 0, group_ = 0;
  bool done_ = false;
};

// The size of the readers' and writers' buffers: a file is read in blocks of
// this many bytes (a line longer than that grows the buffer; a smaller file
// gets a buffer of its own size).
// 64 KiB: small enough to stay in the processor's cache while the system
// copies the file into it (with 256 KiB, the copy of an archive took three
// times as long).
inline constexpr std::size_t kFileBufferSize = std::size_t{1} << 16;

// Streams the lines of a file, one at a time, through a fixed buffer.
class LineReader {
 public:
  // The lines of the file. Throws FileError if it cannot open.
  explicit LineReader(std::string path);
  // The lines of bytes already in memory, read by the same rules; `name`
  // stands for the file in messages.
  LineReader(std::string name, std::string_view bytes);
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // The next line without its end; false at the end of the file.
  bool next(std::string& line);

  // The same, without copying when the line lies whole in the buffer: the
  // view is valid until the next call on this reader.
  bool nextView(std::string_view& line);

  // The next raw bytes, as many as the buffer holds (for byte-exact
  // copies); empty at the end. Valid until the next call on this reader.
  std::string_view readRaw();

  const std::string& path() const { return path_; }

 private:
  bool fill();

  std::string path_;
  int fd_ = -1;
  // Left uninitialised: only what is read is ever touched.
  std::unique_ptr<char[]> buf_;
  std::size_t capacity_ = kFileBufferSize;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  bool eof_ = false;
  std::string scratch_;
};

// Where lines are written, each ended by CR LF: a file, or memory.
class LineSink {
 public:
  virtual void writeLine(std::string_view line) = 0;

 protected:
  ~LineSink() = default;
};

// Writes a file through a buffer; every call is checked.
class FileWriter final : public LineSink {
 public:
  enum class Mode {
    // Write the file itself, created or emptied. For scratch files that the
    // program rebuilds at will (workfile.wrk): commit() checks every write
    // and the close but does not wait for the disk.
    Truncate,
    // Write a temporary beside it, synced and renamed over it by commit().
    Replacing,
    // The same without waiting for the disk, for files the program derives
    // again at will (the verification report): the rename still means that
    // no reader ever sees a half-written file.
    ReplacingUnsynced,
  };
  FileWriter(std::string path, Mode mode);  // throws FileError
  ~FileWriter();                            // an uncommitted file is abandoned
  FileWriter(const FileWriter&) = delete;
  FileWriter& operator=(const FileWriter&) = delete;

  void write(std::string_view bytes);
  void writeLine(std::string_view line) override {
    write(line);
    write("\r\n");
  }

  // Flushes, syncs and closes; a Replacing writer then takes the target's
  // place. Nothing is final before commit() returns.
  void commit();

  const std::string& path() const { return path_; }

 private:
  void flush();
  void fail(FileError::Action action, int err);

  std::string path_;
  std::unique_ptr<ReplacementFile> replacement_;  // the replacing modes
  int fd_ = -1;
  std::string buf_;
};

// Whole-file helpers built on the two classes above.

// Calls fn for every line of the file.
void forEachLine(const std::string& path, const std::function<void(const std::string&)>& fn);

// Rewrites `target` as the lines of `source`, each ended by CR LF; lines of
// blanks only (or empty) are left out when skipBlankLines is set. Returns the
// number of lines written.
std::size_t copyLines(const std::string& source, const std::string& target, bool skipBlankLines);

// Makes `target` a byte-for-byte copy of `source`.
void copyBytes(const std::string& source, const std::string& target);

// Replaces `target` with an empty file.
void createEmpty(const std::string& target);

bool fileExists(const std::string& path);

}  // namespace krt
