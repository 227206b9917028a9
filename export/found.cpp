#include "export/found.h"

#include <sys/stat.h>

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
  while (in.nextView(line)) {
    if (isBlank(line)) continue;
    record.fromLine(line);
    if (!matches(criteria, record)) continue;
    ++found;
    if (!onFound(in.offset(), size)) break;
  }
  return found;
}

}  // namespace krt
