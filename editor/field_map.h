// The map between the editor's controls and the fields of the record.
//
// Every field but `riservato` comes from exactly one control of Form4.
// Filling the editor from the record and taking the record back from the
// editor both walk this one table, so the two directions cannot disagree.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "records/volunteer_record.h"

namespace krt {

// What the control shows of its field.
enum class ShownAs {
  Trimmed,               // the field without blanks at either end
  Whole,                 // every character, trailing blanks included
  ProvinceAndResidence,  // `provincia` followed by `prov_residenza` (Combo2)
  Availability,          // "PROVINCIA" for "P", "REGIONE  " for "R", else nothing
};

// What goes back into the field from the control's text (then padded or cut
// to the field's width).
enum class TakenAs {
  Upper,       // the text upper-cased
  AsTyped,     // the text unchanged
  FirstUpper,  // its first n characters, upper-cased
};

struct FieldLink {
  std::string_view control;
  std::string_view field;
  ShownAs shown;
  TakenAs taken;
  std::size_t n = 0;  // for TakenAs::FirstUpper
};

// The 63 links, in the reading order of the window.
const std::vector<FieldLink>& editorFieldMap();

// The link of a control; throws std::out_of_range for an unknown name.
const FieldLink& fieldLink(std::string_view control);

// The text a control shows for the record (nothing for an availability
// choice whose code is neither "P" nor "R").
std::string shownText(const FieldLink& link, const VolunteerRecord& record);

// Stores a control's text into the record's field as the link says.
void takeText(const FieldLink& link, std::string_view text, VolunteerRecord& record);

// The items of the availability choices.
inline constexpr std::string_view kProvincia = "PROVINCIA";
inline constexpr std::string_view kRegione = "REGIONE  ";

}  // namespace krt
