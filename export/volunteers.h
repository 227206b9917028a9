// The found volunteers as a table file: one row per volunteer, fields 1 to
// 63 of the record (`riservato` left out), each without its trailing blanks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "export/table_file.h"
#include "select/criteria.h"

namespace krt {

// The heading row: the names of the record's fields 1 to 63.
const std::vector<std::string>& volunteerHeadings();

struct ExportCount {
  std::size_t rows = 0;  // volunteers written
  bool stopped = false;  // goOn said stop: no file was written
};

// Writes the volunteers of `source` found by the criteria to `target` (a
// sheet "Volontari" for xlsx, every cell text; columns as wide as the field
// or its name, plus one, at most 40). After each row goOn (when given) is
// told how far the pass is; when it returns false the file is abandoned and
// the target stays as it was. `finishing` (when given) is called before the
// file is packed and written, which takes a workbook half its time. Throws
// FileError.
ExportCount exportVolunteers(const std::string& source, const SelectionCriteria& criteria, const std::string& target,
                             TableFormat format,
                             const std::function<bool(std::uint64_t done, std::uint64_t total)>& goOn = {},
                             const std::function<void()>& finishing = {});

}  // namespace krt
