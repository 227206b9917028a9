// The selection of volunteers: which criteria a record must meet, and the
// pass over the work copy that lists the records meeting them.
//
// The criteria are four groups combined by AND:
//  - personal: licence, level, secretarial experience, passport, KRT Mare;
//    every chosen test must hold;
//  - equipment: at least one chosen item must be present (OR); with none
//    chosen (dotazioni_scelte false) the group passes;
//  - place: province and association, applied when their text is not empty;
//  - availability: at least one chosen duration with hours given (OR); with
//    none chosen the group passes.
//
// Texts are taken as the user typed them (cp1252); the comparisons upper-case
// them and cut them to the field's width here, so the selection window and
// the batch tool give the same answers for the same input.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "records/codes.h"
#include "records/volunteer_record.h"

namespace krt {

struct SelectionCriteria {
  // ---- personal group: a test applies when its text is present ----
  std::optional<std::string> patente;     // first 2 characters, upper-cased, equal `patente`
  std::optional<std::string> livello;     // first 3 characters, upper-cased, equal `livello`
  std::optional<std::string> segreteria;  // first 2 characters, upper-cased, equal `segreteria`
  bool passaporto = false;                // `passaporto` is "SI"
  bool krt_mare = false;                  // `krt_mare` is "SI"

  // ---- equipment group: any one chosen item present ----
  // One flag per piece of equipment of codes::kEquipment, in its order.
  std::array<bool, codes::kEquipment.size()> dotazioni{};
  // Other equipment: the filter, upper-cased, occurs in `altro_1`, `altro_2`
  // or `attrezzature`. An empty filter occurs everywhere.
  std::optional<std::string> apparecchiature;
  // Experience: the filter, upper-cased, occurs in `spec_associazione` or
  // `spec_professionale`.
  std::optional<std::string> professione;
  // Whether any equipment criterion was chosen: when false the group passes
  // whatever the items above say.
  bool dotazioni_scelte = false;

  // ---- place group: a test applies when its text is not empty ----
  std::string provincia;     // first 20 characters, upper-cased, equal `provincia`
  std::string associazione;  // first 40 characters, upper-cased, equal `associazione`

  // ---- availability group: any one chosen duration with hours given ----
  // One flag per duration of codes::kAvailability, in its order.
  std::array<bool, codes::kAvailability.size()> disponibilita{};

  // True when any item of the equipment group is chosen (what the selection
  // window records in `dotazioni_scelte` as the user chooses).
  bool anyEquipment() const;
};

// Whether the record meets the criteria.
bool matches(const SelectionCriteria& criteria, const VolunteerRecord& record);

// The groups one by one, in the order the search tests them.
bool passesPersonal(const SelectionCriteria& criteria, const VolunteerRecord& record);
bool passesEquipment(const SelectionCriteria& criteria, const VolunteerRecord& record);
bool passesPlace(const SelectionCriteria& criteria, const VolunteerRecord& record);
bool passesAvailability(const SelectionCriteria& criteria, const VolunteerRecord& record);

// The comparisons the criteria are made of.
// The first `field.size()` characters of `text`, upper-cased, equal the field
// (a shorter text never equals it).
bool equalsUpper(std::string_view text, std::string_view field);
// `filter`, upper-cased, occurs in the field as stored (an empty filter
// occurs in every field).
bool occursUpper(std::string_view filter, std::string_view field);

// Streams the work copy from its first line: each line is parsed into
// `record` and, when it meets the criteria, `onMatch` receives the result
// line (the record's first 110 characters: province, association, surname
// and name with their blanks). Afterwards `record` holds the last line read.
// Returns the number of matching lines. Throws FileError when the work copy
// cannot be read.
std::size_t forEachSelected(const std::string& workCopy, const SelectionCriteria& criteria, VolunteerRecord& record,
                            const std::function<void(std::string_view resultLine)>& onMatch);

}  // namespace krt
