// The code lists of the record, each defined here once: the values the coded
// fields hold, and the equipment and availability criteria a selection can
// ask for. The editor and the selection window fill their choices from these
// lists, the verification accepts their values, the batch tool takes their
// option values, and reports or totals over the archive can walk the two
// criteria tables.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "records/volunteer_record.h"

namespace krt::codes {

// ---- field values, each as wide as its field, in the order the choices list them ----

// Driving licence categories (`patente`); "NO": no licence.
inline constexpr std::array<std::string_view, 11> kLicences = {"A ", "AS", "B ", "BS", "C ", "CS",
                                                               "D ", "DS", "E ", "F ", "NO"};
// Levels of training (`livello`).
inline constexpr std::array<std::string_view, 4> kLevels = {"COM", "COC", "OR ", "COL"};
// The yes/no fields (`segreteria`, `krt_mare`, `passaporto`, `packet`, ...).
inline constexpr std::string_view kYes = "SI";
inline constexpr std::string_view kNo = "NO";
inline constexpr std::array<std::string_view, 2> kYesNo = {kYes, kNo};
// Qualifications (`qualifica`): radio operator, collaborator.
inline constexpr std::array<std::string_view, 2> kQualifications = {"O", "C"};
// Where a volunteer is available for a duration (`disp_1g`, ...): own
// province, own region.
inline constexpr std::array<std::string_view, 2> kAreas = {"P", "R"};

// Whether `value` is one of the codes.
template <std::size_t N>
constexpr bool isOneOf(std::string_view value, const std::array<std::string_view, N>& list) {
  for (const std::string_view code : list) {
    if (code == value) return true;
  }
  return false;
}

// ---- the equipment criteria ----

// What an equipment criterion asks of its field.
enum class EquipmentTest {
  Given,  // a count field: anything but blanks (a zero written as a digit counts)
  Yes,    // a yes/no field: "SI"
};

// One piece of equipment a volunteer may bring. Every field read here is two
// characters wide.
struct EquipmentCriterion {
  std::string_view label;   // the selection window's label that chooses it ("Lv27")
  std::string_view option;  // the batch tool's --dotazione value ("v27")
  FixedText<2> VolunteerRecord::*field;
  EquipmentTest test;
  std::string_view words;  // what it is, for people ("veicolare 27 MHz")
};

// In the order the batch tool lists them. The selection's two free-text
// filters of the same group (other equipment, experience) read several
// fields each and are not in this table.
inline constexpr std::array<EquipmentCriterion, 11> kEquipment = {{
    {"Lv27", "v27", &VolunteerRecord::veicolare_27, EquipmentTest::Given, "veicolare 27 MHz"},
    {"Lp27", "p27", &VolunteerRecord::palmare_27, EquipmentTest::Given, "palmare 27 MHz"},
    {"Lv43", "v43", &VolunteerRecord::veicolare_43, EquipmentTest::Given, "veicolare 43 MHz"},
    {"Lp43", "p43", &VolunteerRecord::palmare_43, EquipmentTest::Given, "palmare 43 MHz"},
    {"Lvhf", "vhf", &VolunteerRecord::veicolare_vhf, EquipmentTest::Given, "veicolare VHF/UHF"},
    {"Lphf", "phf", &VolunteerRecord::palmare_vhf, EquipmentTest::Given, "palmare VHF/UHF"},
    {"Lpacket", "packet", &VolunteerRecord::packet, EquipmentTest::Yes, "packet radio"},
    {"Lcamp", "campale", &VolunteerRecord::stazione_campale, EquipmentTest::Yes, "stazione campale"},
    {"Lauto", "auto", &VolunteerRecord::autovettura, EquipmentTest::Yes, "autovettura"},
    {"Lgancio", "gancio", &VolunteerRecord::gancio, EquipmentTest::Yes, "gancio traino"},
    {"Lletti", "letti", &VolunteerRecord::posti_letto, EquipmentTest::Given, "posti letto"},
}};

// Whether the volunteer has the piece of equipment.
inline bool has(const EquipmentCriterion& c, const VolunteerRecord& r) {
  const std::string_view value = (r.*c.field).view();
  return c.test == EquipmentTest::Yes ? value == kYes : value != "  ";
}

// ---- the availability criteria ----

// One duration of deployment a volunteer may be available for.
struct AvailabilityCriterion {
  std::string_view label;                // the selection window's label that chooses it ("L1pp")
  std::string_view option;               // the batch tool's --disponibilita value ("1g")
  FixedText<2> VolunteerRecord::*hours;  // hours needed to leave, or "NO"
  std::string_view words;                // the duration, for people (cp1252)
  std::string_view briefly;              // the same in a few words ("tre giorni fuori")
};

// From the shortest duration to the longest.
inline constexpr std::array<AvailabilityCriterion, 5> kAvailability = {{
    {"L1pp", "1g", &VolunteerRecord::ore_1g, "Un giorno nella propria provincia/regione", "un giorno"},
    {"L3pp", "3g", &VolunteerRecord::ore_3g, "Tre giorni nella propria provincia/regione", "tre giorni"},
    {"L3fp", "3gf", &VolunteerRecord::ore_3g_fuori, "Tre giorni fuori provincia/regione", "tre giorni fuori"},
    {"L1sfp", "1sf", &VolunteerRecord::ore_1s_fuori, "Una settimana fuori provincia/regione", "una settimana fuori"},
    {"L2sfp", "2sf", &VolunteerRecord::ore_2s_fuori, "Due settimane o pi\xF9 fuori regione", "due settimane fuori"},
}};

// Whether the volunteer can leave for the duration: its hours are neither
// "NO" nor blank.
inline bool isAvailable(const AvailabilityCriterion& c, const VolunteerRecord& r) {
  const std::string_view hours = (r.*c.hours).view();
  return hours != kNo && hours != "  ";
}

}  // namespace krt::codes
