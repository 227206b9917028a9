// Helpers shared by the fuzz targets: input files in memory, a scratch file
// per process for what the product replaces, and the line rules written out
// independently of LineReader.
#pragma once

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace krt::fuzz {

// A file that lives only in memory, opened by the product's readers through
// its /proc path like any other: each input costs no disk and no folder
// entry, so that the fuzzer spends its time in the code under test.
class MemoryFile {
 public:
  explicit MemoryFile(const char* tag) : fd_(::memfd_create(tag, MFD_CLOEXEC)) {
    if (fd_ < 0) std::abort();
    path_ = "/proc/self/fd/" + std::to_string(fd_);
  }
  ~MemoryFile() { ::close(fd_); }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;

  const std::string& path() const { return path_; }

  // Overwritten in place, then cut to size: the memory of a large input
  // is used again rather than freed and cleared each time.
  void write(std::string_view bytes) const {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
      if (n <= 0) std::abort();
      done += static_cast<std::size_t>(n);
    }
    if (::ftruncate(fd_, static_cast<off_t>(bytes.size())) != 0) std::abort();
  }

 private:
  int fd_;
  std::string path_;
};

// A file in the temporary folder, kept for the whole run and rewritten by
// each input: for the files the product replaces (renamed over, which a
// memory file cannot be).
class ScratchFile {
 public:
  explicit ScratchFile(const char* tag) {
    // Memory-backed when the system has it: every input is written, synced
    // and renamed, and a real disk would make that the whole run's cost.
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = tmp && *tmp ? tmp : (::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
    path_ = folder + "/krt-fuzz-" + tag + "-XXXXXX";
    const int fd = ::mkstemp(path_.data());
    if (fd < 0) std::abort();
    ::close(fd);
  }
  ~ScratchFile() { ::unlink(path_.c_str()); }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  const std::string& path() const { return path_; }

  void write(std::string_view bytes) const {
    const int fd = ::open(path_.c_str(), O_WRONLY | O_TRUNC | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) std::abort();
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
      if (n <= 0) std::abort();
      done += static_cast<std::size_t>(n);
    }
    ::close(fd);
  }

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
};

// A line ends at CR or CR LF; a lone LF is data; a last line without an end
// still counts; an empty file has no lines.
inline std::vector<std::string> splitLines(std::string_view bytes) {
  std::vector<std::string> out;
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
