#include "records/work_files.h"

#include <sys/stat.h>

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

}  // namespace krt
