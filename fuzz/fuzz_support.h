// Helpers shared by the fuzz targets: a scratch file per process and the
// line rules written out independently of LineReader.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace krt::fuzz {

// A file in the temporary folder, kept for the whole run and rewritten by
// each input.
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
  std::string current;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\r') {
      current += bytes[i];
      continue;
    }
    out.push_back(current);
    current.clear();
    if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
  }
  if (!current.empty()) out.push_back(current);
  return out;
}

// Stops the run with a message a crash report shows.
[[noreturn]] inline void fail(const char* what) {
  (void)!::write(2, what, std::char_traits<char>::length(what));
  (void)!::write(2, "\n", 1);
  std::abort();
}

}  // namespace krt::fuzz
