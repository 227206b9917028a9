// The call-out sheet: the volunteers found by the selection, each with how
// to reach them and what they can bring, for the phone calls of an
// emergency; pages numbered "Pagina N di M".
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "select/criteria.h"

namespace krt {

class Modulo1;
struct VolunteerRecord;

// How many volunteers of the work copy the criteria find (lines of blanks
// left out), each handed to `each` (when given) as it is found; nothing when
// the work copy cannot be read (the user is told).
std::optional<std::size_t> countFound(Modulo1& m, const SelectionCriteria& criteria,
                                      const std::function<void(const VolunteerRecord&)>& each = {});

// The criteria in words, for the heading of a printout.
std::string describeCriteria(const SelectionCriteria& criteria);

// The lines of one volunteer's block (cp1252).
std::vector<std::string> calloutBlock(const VolunteerRecord& record);

// Prints the sheet of the work copy's volunteers found by the criteria, with
// a progress dialog; none found: the user is told.
void printCallout(Modulo1& m, const SelectionCriteria& criteria);

}  // namespace krt
