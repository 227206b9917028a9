#include "records/work_files.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>

#include "records/fixed_text.h"

namespace krt {
namespace {

bool sameFile(const std::string& a, const std::string& b) {
  struct stat sa {}, sb {};
  if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0) return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  // One of them does not exist (yet): the same name in the same real folder
  // would still be the same file once written.
  std::error_code ec, ec2;
  const auto ca = std::filesystem::weakly_canonical(a, ec), cb = std::filesystem::weakly_canonical(b, ec2);
  return !ec && !ec2 && ca == cb;
}

}  // namespace

WorkPaths WorkPaths::inFolder(const std::string& folder) {
  std::string base = folder.empty() ? std::string(".") : folder;
  if (base.back() != '/') base.push_back('/');
  return {folder, base + "volontari.wrk", base + "workfile.wrk", base + "verifica.txt"};
}

bool isWorkFile(const WorkPaths& paths, const std::string& path) {
  if (path.empty()) return false;
  for (const std::string* work : {&paths.wrk, &paths.temp, &paths.verifica})
    if (sameFile(path, *work)) return true;
  return false;
}

std::size_t rewriteWorkCopy(const WorkPaths& paths, const RewritePass& pass) {
  {
    LineReader in(paths.wrk);
    FileWriter out(paths.temp, FileWriter::Mode::Truncate);
    pass(in, out);
    out.commit();
  }
  return ReplaceWorkCopy(paths);
}

std::size_t ReplaceWorkCopy(const WorkPaths& paths) { return copyLines(paths.temp, paths.wrk, false); }

bool lookupByKey(const std::string& workCopy, std::string_view key, VolunteerRecord& record) {
  LineReader in(workCopy);
  std::string_view line;
  while (in.nextView(line)) {
    if (recordKey(line) == key) {
      record.fromLine(line);
      return true;
    }
  }
  record.clear();
  return false;
}

void forEachProvinceItem(const std::string& path, const std::function<void(std::string_view)>& fn) {
  forEachLine(path, [&](const std::string& line) { fn(columns(line, 1, 24)); });
}

std::string_view siglaOf(std::string_view provinceText) { return columns(provinceText, 21, 4); }

void forEachAssociationItem(const std::string& path, std::string_view sigla,
                            const std::function<void(std::string_view)>& fn) {
  forEachLine(path, [&](const std::string& line) {
    if (columns(line, 41, 4) == sigla) fn(columns(line, 1, 44));
  });
}

// ---- FolderLock ---------------------------------------------------------------

FolderLock::FolderLock(const std::string& folder) {
  // A folder that cannot even be opened is not locked: the program then
  // starts as it would without the lock, and says what fails when it
  // touches its files.
  fd_ = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) return;
  int rc;
  do rc = ::flock(fd_, LOCK_EX | LOCK_NB);
  while (rc != 0 && errno == EINTR);
  if (rc == 0) {
    state_ = State::Held;
    return;
  }
  // EWOULDBLOCK is another holder; anything else (ENOLCK, EOPNOTSUPP...)
  // is a file system that cannot lock at all.
  state_ = errno == EWOULDBLOCK ? State::InUse : State::Unsupported;
  ::close(fd_);
  fd_ = -1;
}

FolderLock::~FolderLock() {
  if (fd_ >= 0) ::close(fd_);
}

// ---- RunRecord ------------------------------------------------------------------

namespace {

namespace fs = std::filesystem;

// FNV-1a: a short, stable name for a path of any length.
std::string hashName(std::string_view text) {
  std::uint64_t h = 14695981039346656037ULL;
  for (const char c : text) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ULL;
  }
  static constexpr char kHex[] = "0123456789abcdef";
  std::string name(16, '0');
  for (int i = 15; i >= 0; --i, h >>= 4) name[static_cast<std::size_t>(i)] = kHex[h & 15];
  return name;
}

// Paths may hold any byte but NUL: line ends and '%' are written as %XX.
std::string escaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '%') out += "%25";
    else if (c == '\r') out += "%0D";
    else if (c == '\n') out += "%0A";
    else out += c;
  }
  return out;
}

std::string unescaped(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::string_view code = text.substr(i, 3);
    if (code == "%25" || code == "%0D" || code == "%0A") {
      out += code == "%25" ? '%' : code == "%0D" ? '\r' : '\n';
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

constexpr std::string_view kFolderKey = "cartella=", kArchiveKey = "archivio=", kModifiedKey = "modificato=",
                           kRunningKey = "in_corso=";

}  // namespace

std::string defaultStateFolder() {
  if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && xdg[0] == '/') return std::string(xdg) + "/archivio";
  std::string home;
  if (const char* h = std::getenv("HOME"); h && *h) home = h;
  else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) home = pw->pw_dir;
  return home + "/.local/state/archivio";
}

RunRecord::RunRecord(std::string stateFolder, const std::string& startFolder) : stateFolder_(std::move(stateFolder)) {
  std::error_code ec;
  fs::path folder = fs::canonical(startFolder.empty() ? "." : startFolder, ec);
  if (ec) folder = fs::absolute(startFolder.empty() ? "." : startFolder, ec);
  folder_ = folder.string();
  path_ = stateFolder_ + "/" + hashName(folder_) + ".stato";
}

std::optional<RunState> RunRecord::load() const {
  RunState state;
  bool ours = false;
  try {
    forEachLine(path_, [&](const std::string& line) {
      const auto value = [&](std::string_view key) { return line.starts_with(key) ? line.substr(key.size()) : ""; };
      if (line.starts_with(kFolderKey)) ours = unescaped(value(kFolderKey)) == folder_;
      if (line.starts_with(kArchiveKey)) state.archive = unescaped(value(kArchiveKey));
      if (line.starts_with(kModifiedKey)) state.modified = value(kModifiedKey) == "1";
      if (line.starts_with(kRunningKey)) state.running = value(kRunningKey) == "1";
    });
  } catch (const FileError&) {
    return std::nullopt;  // no state (the first run here), or none that can be read
  }
  // Another folder whose name happens to give the same file name.
  if (!ours) return std::nullopt;
  return state;
}

void RunRecord::save(const RunState& state) const {
  if (!fs::is_directory(stateFolder_)) {
    // The folders above are the user's usual ones; the state folder itself
    // is private, as archive names are personal data.
    std::error_code ec;
    fs::create_directories(fs::path(stateFolder_).parent_path(), ec);
    if (::mkdir(stateFolder_.c_str(), 0700) != 0 && errno != EEXIST)
      throw FileError(FileError::Action::Create, stateFolder_, errno);
  }
  FileWriter out(path_, FileWriter::Mode::Replacing);
  out.writeLine(std::string(kFolderKey) + escaped(folder_));
  out.writeLine(std::string(kArchiveKey) + escaped(state.archive));
  out.writeLine(std::string(kModifiedKey) + (state.modified ? "1" : "0"));
  out.writeLine(std::string(kRunningKey) + (state.running ? "1" : "0"));
  out.commit();
}

void RunRecord::clear() const { ::unlink(path_.c_str()); }

bool hasWorkToRecover(const std::optional<RunState>& last, const std::string& workCopy) {
  struct stat st {};
  return last && last->running && last->modified && ::stat(workCopy.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
         st.st_size > 0;
}

}  // namespace krt
