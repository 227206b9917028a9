#include "export/found.h"

#include <sys/stat.h>

#include <algorithm>

#include "records/file_io.h"
#include "records/fixed_text.h"

namespace krt {

std::size_t forEachFound(const std::string& path, const SelectionCriteria& criteria, VolunteerRecord& record,
                         const std::function<bool(std::uint64_t done, std::uint64_t total)>& onFound) {
  LineReader in(path);
  struct stat st {};
  const std::uint64_t size = ::stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
  std::string_view line;
  std::size_t found = 0;
  std::uint64_t done = 0;  // bytes read, counting a CR LF after each line
  while (in.nextView(line)) {
    done += line.size() + 2;
    if (isBlank(line)) continue;
    record.fromLine(line);
    if (!matches(criteria, record)) continue;
    ++found;
    if (!onFound(std::min(done, size), size)) break;
  }
  return found;
}

}  // namespace krt
