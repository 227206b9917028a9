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

constexpr std::size_t kBufferSize = kFileBufferSize;

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

// Closes a descriptor that was written through: the close may report a
// write that failed late (on a network disk, say). 0, or the error.
int closeWritten(int fd, const std::string& path) {
  const int injected = injectedFault(io::Op::Close, path) ? errno : 0;
  if (::close(fd) != 0 && injected == 0) return errno;
  return injected;
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

SyncCalls& syncCalls() {
  static SyncCalls calls{::fdatasync, ::fsync};
  return calls;
}
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
    case Action::CreateIn:
      what = "Impossibile creare un file nella cartella ";
      break;
  }
  return what + cp1252::fromUtf8(path_) + "\n(" + reason(err_) + ").";
}

// ---- LineReader ----------------------------------------------------------

LineReader::LineReader(std::string path) : path_(std::move(path)) {
  fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) throw FileError(FileError::Action::Read, path_, errno);
  struct stat st {};
  const bool known = ::fstat(fd_, &st) == 0;
  if (known && S_ISDIR(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    throw FileError(FileError::Action::Read, path_, EISDIR);
  }
  // A small file (a lookup list, a short archive) needs no full-size
  // buffer: one that holds it whole, with a byte more so that the first
  // read takes all of it and the next one finds the end. The buffer still
  // grows if the file does.
  if (known && S_ISREG(st.st_mode) && static_cast<std::uint64_t>(st.st_size) < kBufferSize)
    capacity_ = static_cast<std::size_t>(st.st_size) + 1;
  buf_ = std::make_unique_for_overwrite<char[]>(capacity_);
}

LineReader::LineReader(std::string name, std::string_view bytes)
    : path_(std::move(name)), capacity_(bytes.size() + 1), end_(bytes.size()), eof_(true) {
  buf_ = std::make_unique_for_overwrite<char[]>(capacity_);
  std::memcpy(buf_.get(), bytes.data(), bytes.size());
}

LineReader::~LineReader() {
  if (fd_ >= 0) ::close(fd_);
}

bool LineReader::fill() {
  if (eof_) return false;
  if (pos_ > 0) {
    std::memmove(buf_.get(), buf_.get() + pos_, end_ - pos_);
    end_ -= pos_;
    pos_ = 0;
  }
  if (end_ == capacity_) {
    auto bigger = std::make_unique_for_overwrite<char[]>(capacity_ * 2);
    std::memcpy(bigger.get(), buf_.get(), end_);
    buf_ = std::move(bigger);
    capacity_ *= 2;
  }
  for (;;) {
    if (injectedFault(io::Op::Read, path_)) throw FileError(FileError::Action::Read, path_, errno);
    const ssize_t n = ::read(fd_, buf_.get() + end_, capacity_ - end_);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw FileError(FileError::Action::Read, path_, errno);
    if (n == 0) {
      eof_ = true;
      return false;
    }
    end_ += static_cast<std::size_t>(n);
    return true;
  }
}

bool LineReader::next(std::string& line) {
  line.clear();
  for (;;) {
    const char* start = buf_.get() + pos_;
    const auto* cr = static_cast<const char*>(std::memchr(start, '\r', end_ - pos_));
    if (cr) {
      line.append(start, static_cast<std::size_t>(cr - start));
      pos_ = static_cast<std::size_t>(cr - buf_.get()) + 1;
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
  const char* start = buf_.get() + pos_;
  const auto* cr = static_cast<const char*>(std::memchr(start, '\r', end_ - pos_));
  // A CR as the buffer's last byte may have its LF in the next block: the
  // copying path handles that.
  if (cr && (cr + 1 < buf_.get() + end_ || eof_)) {
    line = {start, static_cast<std::size_t>(cr - start)};
    pos_ = static_cast<std::size_t>(cr - buf_.get()) + 1;
    if (pos_ < end_ && buf_[pos_] == '\n') ++pos_;
    return true;
  }
  if (!next(scratch_)) return false;
  line = scratch_;
  return true;
}

std::string_view LineReader::readRaw() {
  if (pos_ == end_ && !fill()) return {};
  const std::string_view bytes(buf_.get() + pos_, end_ - pos_);
  pos_ = end_;
  return bytes;
}

// ---- ReplacementFile -----------------------------------------------------

ReplacementFile::ReplacementFile(std::string target, bool durable) : target_(std::move(target)), durable_(durable) {
  // A file reached through a symbolic link is replaced where it really is:
  // renaming over the link would put a new file in the link's place and
  // leave the real one (on a memory stick, say) as it was.
  struct stat st {};
  existed_ = ::lstat(target_.c_str(), &st) == 0;
  if (existed_ && S_ISLNK(st.st_mode)) {
    if (char* real = ::realpath(target_.c_str(), nullptr)) {
      target_ = real;
      std::free(real);
    }
    existed_ = ::stat(target_.c_str(), &st) == 0;
  }
  if (existed_) {
    if (S_ISDIR(st.st_mode)) throw FileError(FileError::Action::Create, target_, EISDIR);
    // The rename would replace a file its owner protected from writing (or
    // that belongs to someone else): only a file the user may write is
    // replaced. Root may write anything, so for root a file without any
    // write permission bit counts as protected.
    if (::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0)
      throw FileError(FileError::Action::Write, target_, errno);
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) throw FileError(FileError::Action::Write, target_, EACCES);
    mode_ = st.st_mode & 07777;
    owner_ = st.st_uid;
    group_ = st.st_gid;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode_ = 0666 & ~mask;
  }
  // The temporary lies in the target's folder, so that rename() replaces the
  // target in one step.
  const std::string folder = folderOf(target_);
  const auto slash = target_.find_last_of('/');
  std::string pattern = folder + "/." + (slash == std::string::npos ? target_ : target_.substr(slash + 1)) + ".XXXXXX";
  fd_ = ::mkstemp(pattern.data());
  if (fd_ < 0) throw FileError(FileError::Action::CreateIn, folder, errno);
  tempPath_ = pattern;
}

ReplacementFile::~ReplacementFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!done_) ::unlink(tempPath_.c_str());
}

int ReplacementFile::writeThroughDescriptor() {
  ownWriter_ = true;
  return fd_;
}

void ReplacementFile::fail(int err) {
  ::unlink(tempPath_.c_str());
  done_ = true;
  throw FileError(FileError::Action::Write, target_, err);
}

void ReplacementFile::commit() {
  if (done_) throw FileError(FileError::Action::Write, target_, EBADF);
  int fd = std::exchange(fd_, -1);
  if (!ownWriter_) {
    // A library wrote the temporary by its name and has closed it: open it
    // again (the data to sync belongs to the file, not to a descriptor).
    if (fd >= 0) ::close(fd);
    fd = ::open(tempPath_.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) fail(errno);
  }
  // The new file takes the old one's owner and group where the system allows
  // (only root may give a file away), then its mode, which a change of owner
  // would have stripped of set-id bits.
  if (existed_ && ::fchown(fd, owner_, group_) != 0) (void)!::fchown(fd, static_cast<uid_t>(-1), group_);
  ::fchmod(fd, mode_);
  if (durable_ && (injectedFault(io::Op::Sync, target_) || io::syncCalls().fdatasync(fd) != 0)) {
    const int err = errno;
    ::close(fd);
    fail(err);
  }
  if (!ownWriter_) {
    ::close(fd);
  } else if (const int err = closeWritten(fd, target_)) {
    fail(err);
  }
  if (injectedFault(io::Op::Rename, target_) || ::rename(tempPath_.c_str(), target_.c_str()) != 0) fail(errno);
  done_ = true;
  if (!durable_) return;
  // Make the new name itself durable.
  const int dir = ::open(folderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    io::syncCalls().fsync(dir);
    ::close(dir);
  }
}

// ---- FileWriter ----------------------------------------------------------

FileWriter::FileWriter(std::string path, Mode mode) : path_(std::move(path)) {
  buf_.reserve(kBufferSize);
  if (mode != Mode::Truncate) {
    replacement_ = std::make_unique<ReplacementFile>(path_, mode == Mode::Replacing);
    path_ = replacement_->target();
    fd_ = replacement_->writeThroughDescriptor();
    return;
  }
  struct stat st {};
  if (::stat(path_.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) throw FileError(FileError::Action::Create, path_, EISDIR);
  fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd_ < 0) throw FileError(FileError::Action::Create, path_, errno);
}

FileWriter::~FileWriter() {
  if (fd_ >= 0 && !replacement_) ::close(fd_);  // a replacement closes its own
}

void FileWriter::fail(FileError::Action action, int err) {
  if (fd_ >= 0 && !replacement_) ::close(fd_);
  fd_ = -1;
  replacement_.reset();  // the temporary goes
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
  if (replacement_) {
    // The replacement syncs and closes the descriptor, then renames.
    fd_ = -1;
    replacement_->commit();
    return;
  }
  if (const int err = closeWritten(std::exchange(fd_, -1), path_)) fail(FileError::Action::Write, err);
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
  for (std::string_view block; !(block = in.readRaw()).empty();) out.write(block);
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
