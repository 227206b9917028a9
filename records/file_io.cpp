#include "records/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "records/cp1252.h"
#include "records/fixed_text.h"

namespace krt {
namespace {

constexpr std::size_t kBufferSize = 1 << 18;  // 256 KiB: fewer system calls per file

io::FaultHook& faultHook() {
  static io::FaultHook hook;
  return hook;
}

// True when the test hook asks this call to fail; errno is then ENOSPC or EIO.
bool injectedFault(io::Op op, const std::string& path) {
  auto& hook = faultHook();
  if (!hook || !hook(op, path)) return false;
  errno = (op == io::Op::Write) ? ENOSPC : EIO;
  return true;
}

std::string folderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string reason(int err) {
  switch (err) {
    case ENOENT:
      return "il file o la cartella non esiste";
    case EACCES:
    case EPERM:
      return "accesso negato";
    case ENOSPC:
    case EDQUOT:
      return "spazio su disco esaurito";
    case EISDIR:
      return "il nome indica una cartella";
    case EROFS:
      return "il disco \xE8 protetto in scrittura";
    case ENOTDIR:
      return "il percorso non \xE8 valido";
    case EFBIG:
      return "il file \xE8 troppo grande";
    case EIO:
      return "errore di lettura o scrittura sul disco";
    default:
      return cp1252::fromUtf8(std::strerror(err));
  }
}

}  // namespace

namespace io {
void setFaultHook(FaultHook hook) { faultHook() = std::move(hook); }
}  // namespace io

FileError::FileError(Action action, std::string path, int err)
    : std::runtime_error(path + ": " + std::strerror(err)), action_(action), path_(std::move(path)), err_(err) {}

std::string FileError::userMessage() const {
  std::string what;
  switch (action_) {
    case Action::Read:
      what = "Impossibile leggere il file ";
      break;
    case Action::Write:
      what = "Impossibile scrivere il file ";
      break;
    case Action::Create:
      what = "Impossibile creare il file ";
      break;
  }
  return what + cp1252::fromUtf8(path_) + "\n(" + reason(err_) + ").";
}

// ---- LineReader ----------------------------------------------------------

LineReader::LineReader(std::string path, std::uint64_t from, std::uint64_t to)
    : path_(std::move(path)), buf_(kBufferSize), filePos_(from), remaining_(to > from ? to - from : 0) {
  fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) throw FileError(FileError::Action::Read, path_, errno);
  struct stat st {};
  int err = 0;
  if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
    err = EISDIR;
  } else if (from > 0 && ::lseek(fd_, static_cast<off_t>(from), SEEK_SET) < 0) {
    err = errno;
  }
  if (err != 0) {
    ::close(fd_);
    fd_ = -1;
    throw FileError(FileError::Action::Read, path_, err);
  }
}

LineReader::~LineReader() {
  if (fd_ >= 0) ::close(fd_);
}

bool LineReader::fill() {
  if (eof_) return false;
  if (pos_ > 0) {
    std::memmove(buf_.data(), buf_.data() + pos_, end_ - pos_);
    end_ -= pos_;
    pos_ = 0;
  }
  if (end_ == buf_.size()) buf_.resize(buf_.size() * 2);
  const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(buf_.size() - end_, remaining_));
  for (;;) {
    if (injectedFault(io::Op::Read, path_)) throw FileError(FileError::Action::Read, path_, errno);
    const ssize_t n = wanted == 0 ? 0 : ::read(fd_, buf_.data() + end_, wanted);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw FileError(FileError::Action::Read, path_, errno);
    if (n == 0) {
      eof_ = true;
      return false;
    }
    end_ += static_cast<std::size_t>(n);
    filePos_ += static_cast<std::uint64_t>(n);
    remaining_ -= static_cast<std::uint64_t>(n);
    return true;
  }
}

bool LineReader::next(std::string& line) {
  line.clear();
  for (;;) {
    const char* start = buf_.data() + pos_;
    const auto* cr = static_cast<const char*>(std::memchr(start, '\r', end_ - pos_));
    if (cr) {
      line.append(start, static_cast<std::size_t>(cr - start));
      pos_ = static_cast<std::size_t>(cr - buf_.data()) + 1;
      if (pos_ == end_) fill();  // the LF of CR LF may be in the next block
      if (pos_ < end_ && buf_[pos_] == '\n') ++pos_;
      return true;
    }
    // No CR in the buffer: keep what is there and read on.
    const bool hadData = pos_ < end_;
    line.append(start, end_ - pos_);
    pos_ = end_;
    if (!fill()) return hadData || !line.empty();
  }
}

bool LineReader::nextView(std::string_view& line) {
  const char* start = buf_.data() + pos_;
  const auto* cr = static_cast<const char*>(std::memchr(start, '\r', end_ - pos_));
  // A CR as the buffer's last byte may have its LF in the next block: the
  // copying path handles that.
  if (cr && (cr + 1 < buf_.data() + end_ || eof_)) {
    line = {start, static_cast<std::size_t>(cr - start)};
    pos_ = static_cast<std::size_t>(cr - buf_.data()) + 1;
    if (pos_ < end_ && buf_[pos_] == '\n') ++pos_;
    return true;
  }
  if (!next(scratch_)) return false;
  line = scratch_;
  return true;
}

std::size_t LineReader::readRaw(char* out, std::size_t size) {
  if (pos_ == end_ && !fill()) return 0;
  const std::size_t n = std::min(size, end_ - pos_);
  std::memcpy(out, buf_.data() + pos_, n);
  pos_ += n;
  return n;
}

// ---- FileWriter ----------------------------------------------------------

FileWriter::FileWriter(std::string path, Mode mode) : path_(std::move(path)), mode_(mode) {
  buf_.reserve(kBufferSize);
  // A file reached through a symbolic link is replaced where it really is:
  // renaming over the link would put a new file in the link's place and
  // leave the real one (on a memory stick, say) as it was.
  struct stat entry {};
  if (mode_ != Mode::Truncate && ::lstat(path_.c_str(), &entry) == 0 && S_ISLNK(entry.st_mode)) {
    if (char* real = ::realpath(path_.c_str(), nullptr)) {
      path_ = real;
      std::free(real);
    }
  }
  struct stat st {};
  const bool exists = ::stat(path_.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) throw FileError(FileError::Action::Create, path_, EISDIR);
  if (mode_ == Mode::Truncate) {
    fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) throw FileError(FileError::Action::Create, path_, errno);
    return;
  }
  // A temporary file in the target's folder, so that rename() replaces the
  // target in one step; it takes the target's permissions.
  const auto slash = path_.find_last_of('/');
  const std::string name = slash == std::string::npos ? path_ : path_.substr(slash + 1);
  std::string pattern = folderOf(path_) + "/." + name + ".XXXXXX";
  fd_ = ::mkstemp(pattern.data());
  if (fd_ < 0) throw FileError(FileError::Action::Create, path_, errno);
  tempPath_ = pattern;
  mode_t perms = 0666;
  if (exists) {
    perms = st.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    perms &= ~mask;
  }
  ::fchmod(fd_, perms);
}

FileWriter::~FileWriter() {
  if (committed_) return;
  if (fd_ >= 0) ::close(fd_);
  if (!tempPath_.empty()) ::unlink(tempPath_.c_str());
}

void FileWriter::fail(FileError::Action action, int err) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!tempPath_.empty()) ::unlink(tempPath_.c_str());
  tempPath_.clear();
  committed_ = true;  // nothing left to abandon
  throw FileError(action, path_, err);
}

void FileWriter::write(std::string_view bytes) {
  if (fd_ < 0) throw FileError(FileError::Action::Write, path_, EBADF);
  if (buf_.size() + bytes.size() > kBufferSize) flush();
  if (bytes.size() >= kBufferSize) {
    buf_.assign(bytes);
    flush();
  } else {
    buf_.append(bytes);
  }
}

void FileWriter::flush() {
  const char* p = buf_.data();
  std::size_t left = buf_.size();
  while (left > 0) {
    if (injectedFault(io::Op::Write, path_)) fail(FileError::Action::Write, errno);
    const ssize_t n = ::write(fd_, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) fail(FileError::Action::Write, errno);
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  buf_.clear();
}

void FileWriter::commit() {
  if (fd_ < 0) throw FileError(FileError::Action::Write, path_, EBADF);
  flush();
  if (mode_ == Mode::Replacing && (injectedFault(io::Op::Sync, path_) || ::fdatasync(fd_) != 0))
    fail(FileError::Action::Write, errno);
  const bool closeFailed = injectedFault(io::Op::Close, path_);
  const int closeErr = errno;
  if (::close(fd_) != 0 || closeFailed) {
    fd_ = -1;
    fail(FileError::Action::Write, closeFailed ? closeErr : errno);
  }
  fd_ = -1;
  if (mode_ != Mode::Truncate) {
    if (injectedFault(io::Op::Rename, path_) || ::rename(tempPath_.c_str(), path_.c_str()) != 0)
      fail(FileError::Action::Write, errno);
    tempPath_.clear();
    // Make the new name itself durable.
    const int dir = mode_ == Mode::Replacing ? ::open(folderOf(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
    if (dir >= 0) {
      ::fsync(dir);
      ::close(dir);
    }
  }
  committed_ = true;
}

// ---- whole-file helpers --------------------------------------------------

void forEachLine(const std::string& path, const std::function<void(const std::string&)>& fn) {
  LineReader in(path);
  std::string line;
  while (in.next(line)) fn(line);
}

std::size_t copyLines(const std::string& source, const std::string& target, bool skipBlankLines) {
  LineReader in(source);
  FileWriter out(target, FileWriter::Mode::Replacing);
  std::string line;
  std::size_t written = 0;
  while (in.next(line)) {
    if (skipBlankLines && isBlank(line)) continue;
    out.writeLine(line);
    ++written;
  }
  out.commit();
  return written;
}

void copyBytes(const std::string& source, const std::string& target) {
  LineReader in(source);
  FileWriter out(target, FileWriter::Mode::Replacing);
  std::vector<char> chunk(kBufferSize);
  while (const std::size_t n = in.readRaw(chunk.data(), chunk.size())) out.write({chunk.data(), n});
  out.commit();
}

void createEmpty(const std::string& target) {
  FileWriter out(target, FileWriter::Mode::Replacing);
  out.commit();
}

bool fileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

}  // namespace krt
