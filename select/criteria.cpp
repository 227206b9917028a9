#include "select/criteria.h"

#include <algorithm>

#include "records/cp1252.h"
#include "records/file_io.h"

namespace krt {
namespace {

// The upper case of every byte, computed once: the comparisons run for
// every line of the work copy and stay a table lookup per character.
struct UpperTable {
  unsigned char upper[256];
  UpperTable() {
    for (int c = 0; c < 256; ++c) upper[c] = static_cast<unsigned char>(cp1252::toUpper(static_cast<char>(c)));
  }
  char operator()(char c) const { return static_cast<char>(upper[static_cast<unsigned char>(c)]); }
};
const UpperTable& upperTable() {
  static const UpperTable table;
  return table;
}

// A yes/no field holding "SI".
bool yes(std::string_view field) { return field == codes::kYes; }

}  // namespace

bool equalsUpper(std::string_view text, std::string_view field) {
  const UpperTable& toUpper = upperTable();
  if (text.size() < field.size()) return false;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (toUpper(text[i]) != field[i]) return false;
  }
  return true;
}

bool occursUpper(std::string_view filter, std::string_view field) {
  const UpperTable& toUpper = upperTable();
  if (filter.size() > field.size()) return false;
  // Fields are at most a few dozen characters: a plain scan is the fastest.
  for (std::size_t start = 0; start + filter.size() <= field.size(); ++start) {
    std::size_t i = 0;
    while (i < filter.size() && toUpper(filter[i]) == field[start + i]) ++i;
    if (i == filter.size()) return true;
  }
  return false;
}

bool SelectionCriteria::anyEquipment() const {
  return std::ranges::find(dotazioni, true) != dotazioni.end() || apparecchiature.has_value() ||
         professione.has_value();
}

bool passesPersonal(const SelectionCriteria& c, const VolunteerRecord& r) {
  if (c.patente && !equalsUpper(*c.patente, r.patente)) return false;
  if (c.livello && !equalsUpper(*c.livello, r.livello)) return false;
  if (c.segreteria && !equalsUpper(*c.segreteria, r.segreteria)) return false;
  if (c.passaporto && !yes(r.passaporto)) return false;
  if (c.krt_mare && !yes(r.krt_mare)) return false;
  return true;
}

bool passesEquipment(const SelectionCriteria& c, const VolunteerRecord& r) {
  for (std::size_t i = 0; i < codes::kEquipment.size(); ++i) {
    if (c.dotazioni[i] && codes::has(codes::kEquipment[i], r)) return true;
  }
  if (c.apparecchiature) {
    const std::string_view f = *c.apparecchiature;
    if (occursUpper(f, r.altro_1) || occursUpper(f, r.altro_2) || occursUpper(f, r.attrezzature)) return true;
  }
  if (c.professione) {
    const std::string_view f = *c.professione;
    if (occursUpper(f, r.spec_associazione) || occursUpper(f, r.spec_professionale)) return true;
  }
  return !c.dotazioni_scelte;
}

bool passesPlace(const SelectionCriteria& c, const VolunteerRecord& r) {
  if (!c.provincia.empty() && !equalsUpper(c.provincia, r.provincia)) return false;
  if (!c.associazione.empty() && !equalsUpper(c.associazione, r.associazione)) return false;
  return true;
}

bool passesAvailability(const SelectionCriteria& c, const VolunteerRecord& r) {
  for (std::size_t i = 0; i < codes::kAvailability.size(); ++i) {
    if (c.disponibilita[i] && codes::isAvailable(codes::kAvailability[i], r)) return true;
  }
  return std::ranges::find(c.disponibilita, true) == c.disponibilita.end();
}

bool matches(const SelectionCriteria& c, const VolunteerRecord& r) {
  return passesPersonal(c, r) && passesEquipment(c, r) && passesPlace(c, r) && passesAvailability(c, r);
}

std::size_t forEachSelected(const std::string& workCopy, const SelectionCriteria& criteria, VolunteerRecord& record,
                            const std::function<void(std::string_view resultLine)>& onMatch) {
  LineReader in(workCopy);
  std::string line;  // reused: its buffer grows to the longest line once
  std::size_t found = 0;
  while (in.next(line)) {
    record.fromLine(line);
    if (!matches(criteria, record)) continue;
    ++found;
    onMatch(record.bytes().substr(0, kKeyLength));
  }
  return found;
}

}  // namespace krt
