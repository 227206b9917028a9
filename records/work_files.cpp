#include "records/work_files.h"

#include "records/fixed_text.h"

namespace krt {

WorkPaths WorkPaths::inFolder(const std::string& folder) {
  std::string base = folder.empty() ? std::string(".") : folder;
  if (base.back() != '/') base.push_back('/');
  return {folder, base + "volontari.wrk", base + "workfile.wrk", base + "verifica.txt"};
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
