// Helpers shared by the fuzz targets: files in memory for what the product
// reads and replaces, lines written to memory, and the line rules written
// out independently of LineReader.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "records/file_io.h"

namespace krt::fuzz {

// A file of the target's own in a memory-backed folder (/dev/shm when the
// system has it), kept for the whole run: every input is written, read,
// synced and renamed there, and a real disk would make that the whole
// run's cost. The product opens it by its plain path like any other file.
class ScratchFile {
 public:
  explicit ScratchFile(const char* tag) {
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = tmp && *tmp ? tmp : (::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
    path_ = folder + "/krt-fuzz-" + tag + "-XXXXXX";
    fd_ = ::mkstemp(path_.data());
    if (fd_ < 0) std::abort();
  }
  ~ScratchFile() {
    ::close(fd_);
    ::unlink(path_.c_str());
  }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  const std::string& path() const { return path_; }

  // For a file the product only reads: overwritten in place through the
  // descriptor kept open, then cut to size (two calls for each input, and
  // the memory of a large input is used again rather than freed).
  void write(std::string_view bytes) const {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
      if (n <= 0) std::abort();
      done += static_cast<std::size_t>(n);
    }
    if (::ftruncate(fd_, static_cast<off_t>(bytes.size())) != 0) std::abort();
  }

  // The file now at the path (the product may have renamed a new one over it).
  std::string read() const {
    std::string out;
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return out;
    char buf[65536];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0) out.append(buf, static_cast<std::size_t>(n));
    ::close(fd);
    return out;
  }

 private:
  std::string path_;
  int fd_;
};

// Lines written to memory, each ended by CR LF. Kept for the whole run and
// emptied for each input, so the memory of a long report is used again.
class MemoryLines final : public LineSink {
 public:
  void writeLine(std::string_view line) override {
    text.append(line);
    text.append("\r\n");
  }
  std::string text;
};

// A line ends at CR or CR LF; a lone LF is data; a last line without an end
// still counts; an empty file has no lines.
// The lines are views into `bytes`.
inline std::vector<std::string_view> splitLines(std::string_view bytes) {
  std::vector<std::string_view> out;
  std::size_t start = 0;
  for (std::size_t cr; (cr = bytes.find('\r', start)) != std::string_view::npos;) {
    out.emplace_back(bytes.substr(start, cr - start));
    start = cr + 1 + (cr + 1 < bytes.size() && bytes[cr + 1] == '\n');
  }
  if (start < bytes.size()) out.emplace_back(bytes.substr(start));
  return out;
}

// Stops the run with a message a crash report shows.
[[noreturn]] inline void fail(const char* what) {
  (void)!::write(2, what, std::char_traits<char>::length(what));
  (void)!::write(2, "\n", 1);
  std::abort();
}

}  // namespace krt::fuzz
