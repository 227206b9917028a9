// The volunteers an export or a count works on: the lines of an archive (or
// of the work copy) that the selection lists for the criteria, lines made
// only of blanks (or empty) left out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "records/volunteer_record.h"
#include "select/criteria.h"

namespace krt {

// Streams the file from its first line: every found volunteer is parsed
// into `record` and handed to `onFound` with how far into the file the pass
// is (bytes read, and the file's size); `onFound` returns false to stop the
// pass. Returns the number of volunteers handed over. Throws FileError when
// the file cannot be read.
std::size_t forEachFound(const std::string& path, const SelectionCriteria& criteria, VolunteerRecord& record,
                         const std::function<bool(std::uint64_t done, std::uint64_t total)>& onFound);

}  // namespace krt
