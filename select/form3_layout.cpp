#include "select/form3.h"

namespace krt {
namespace {

using ui::Kind;

struct Row {
  Kind kind;
  const char* name;
  const char* caption;
  const char* hint;
  int left, top, width, height;
  bool clickable;
};

constexpr const char* kAvailabilityHint = "Cliccare per selezionare i volontari disponibili in questo caso.";
constexpr const char* kEquipmentHint = "Cliccare per selezionare i volontari con questa apparecchiatura.";

// The controls in rows from top to bottom.
constexpr Row kRows[] = {
    {Kind::Label, "Lprov", "                    Provincia", "", 480, 360, 3255, 255, false},
    {Kind::Label, "Lass", "                                  Associazione", "", 3960, 360, 5295, 255, false},
    {Kind::Label, "Lpat", "Patente", "Cliccare per selezionare i volontari con patente.", 9480, 360, 735, 255, false},
    {Kind::Label, "Lpass", "Passaporto", "Cliccare per selezionare i volontari con passaporto.", 10440, 360, 975, 255,
     true},
    {Kind::ComboBox, "cbprov", "", "Scegliere o digitare la provincia o digitare la sezione", 480, 720, 3255, 315,
     false},
    {Kind::ComboBox, "cbass", "", "Scegliere o digitare il nome dell'associazione.", 3960, 720, 5295, 315, false},
    {Kind::ComboBox, "Combo4", "", "Scegliere il tipo di patente automobilistica.", 9480, 720, 735, 315, false},
    {Kind::Label, "lmare", "KRT mare", "", 10440, 720, 975, 255, true},
    {Kind::Label, "Label8", " Oper./Coll.", "", 480, 1080, 1095, 255, false},
    {Kind::Label, "Label7", " Livello", "", 1800, 1080, 735, 255, false},
    {Kind::Label, "Label9", "Segreteria", "", 2760, 1080, 975, 255, false},
    {Kind::Label, "L1pp", "Un giorno nella propria proincia/regione ", kAvailabilityHint, 4560, 1200, 3615, 255, true},
    {Kind::Label, "Lv27", "Veicolare 27 MHz", kEquipmentHint, 8280, 1200, 1695, 255, true},
    {Kind::Label, "Lpacket", "Packet radio", kEquipmentHint, 10080, 1200, 1575, 255, true},
    {Kind::ComboBox, "Combo1", "", "Scegliere fra 'O'peratore o 'C'ollaboratore.", 720, 1440, 615, 315, false},
    {Kind::ComboBox, "cbliv", "", "Scegliere il livello di preparazione", 1800, 1440, 735, 315, false},
    {Kind::ComboBox, "cbseg", "", "Esperienza nella gestione di una segreteria di campo (SI/NO)", 2880, 1440, 735, 315,
     false},
    {Kind::Label, "L3pp", "Tre giorni nella propria proincia/regione ", kAvailabilityHint, 4560, 1560, 3615, 255, true},
    {Kind::Label, "Lp27", "Palmare   27 MHz", kEquipmentHint, 8280, 1560, 1695, 255, true},
    {Kind::Label, "Lcamp", "Stazione campale", kEquipmentHint, 10080, 1560, 1575, 255, true},
    {Kind::Label, "Lprof", "             Esperienza professionale", "", 480, 1920, 3855, 255, true},
    {Kind::Label, "L3fp", "Tre giorni fuori proincia/regione ", kAvailabilityHint, 4560, 1920, 3615, 255, true},
    {Kind::Label, "Lv43", "Veicolare 43 MHz", kEquipmentHint, 8280, 1920, 1695, 255, true},
    {Kind::Label, "Lauto", "Autovettura", "Cliccare per selezionare i volontari con autovettura disponibile.", 10080,
     1920, 1575, 255, true},
    {Kind::TextBox, "Tprof", "",
     "Inserire alcuni caratteri per selezionare i volontari che svolgono una certa professione o esperienza. ", 480,
     2280, 3855, 285, false},
    {Kind::Label, "L1sfp", "Una settimana fuori proincia/regione ", kAvailabilityHint, 4560, 2280, 3615, 255, true},
    {Kind::Label, "Lp43", "Palmare   43 MHz", kEquipmentHint, 8280, 2280, 1695, 255, true},
    {Kind::Label, "Lgancio", "Gancio traino",
     "Cliccare per selezionare i volontari che dispongono di un gancio di traino.", 10080, 2280, 1575, 255, true},
    {Kind::Label, "Lapp", "                  Alre apparecchiature", "", 480, 2640, 3855, 255, false},
    {Kind::Label, "L2sfp", "Due settimane o giorni fuori regione ", kAvailabilityHint, 4560, 2640, 3615, 255, true},
    {Kind::Label, "Lvhf", "Veicolare VHF/UHF", kEquipmentHint, 8280, 2640, 1695, 255, true},
    {Kind::Label, "Lletti", "Posti letto disponib.",
     "Cliccare per selezionare i volontari con disponibilit\xE0 di posti letto in tenda o roulotte o camper ecc.",
     10080, 2640, 1695, 255, true},
    {Kind::TextBox, "Tapp", "",
     "Inserire alcuni caratteri per selezionare i volontari con disponibilit\xE0 dell'apparecchiatura indicata.", 480,
     3000, 3855, 285, false},
    {Kind::Label, "Lphf", "Palmare   VHF/UHF", kEquipmentHint, 8280, 3000, 1695, 255, true},
    {Kind::ListBox, "List1", "", "", 480, 3360, 10815, 3630, false},
    {Kind::Button, "cmdstampa", "Stampa", "", 3480, 7440, 1575, 375, false},
    {Kind::Button, "cmdcerca", "Cerca", "", 5400, 7440, 1455, 375, false},
    {Kind::Button, "cmbsel", "Nuova selezione", "", 7200, 7440, 1455, 375, false},
    {Kind::Button, "cmbchiudi", "Chiudi", "", 9000, 7440, 1455, 375, false},
    // The strip added below the window's controls.
    {Kind::Label, "Lcontati", "", "", 480, 8115, 3735, 255, false},
    {Kind::Button, "cmdesporta", "Esporta\x85", "", 4320, 8055, 1575, 375, false},
    {Kind::Button, "cmdriepilogo", "Riepilogo", "", 6120, 8055, 1455, 375, false},
    {Kind::Button, "cmdchiamata", "Elenco per chiamata", "", 7800, 8055, 2655, 375, false},
};

// The label that names each choice and filter for a screen reader.
struct Caption {
  const char* control;
  const char* label;
};
constexpr Caption kCaptions[] = {{"cbprov", "Lprov"}, {"cbass", "Lass"},   {"Combo4", "Lpat"}, {"Combo1", "Label8"},
                                 {"cbliv", "Label7"}, {"cbseg", "Label9"}, {"Tprof", "Lprof"}, {"Tapp", "Lapp"}};

ui::ControlDesc controlOf(const Row& row) {
  ui::ControlDesc c;
  c.kind = row.kind;
  c.name = row.name;
  c.caption = row.caption;
  c.hint = row.hint;
  c.left = row.left;
  c.top = row.top;
  c.width = row.width;
  c.height = row.height;
  c.clickable = row.clickable;
  if (c.name == "Lcontati") {
    // A plain caption: the number of volunteers found.
    c.accessibleName = "Volontari trovati";
  } else if (row.kind == Kind::Label) {
    // Bold white on blue; the colour of a criterion label tells its state.
    c.font = {"MS Sans Serif", 8.25, true};
    c.backColor = ui::kBlue;
    if (c.name == "lmare") {
      c.highlightText = true;
    } else {
      c.foreColor = ui::kWhite;
    }
  } else if (row.kind == Kind::ListBox) {
    // A fixed-pitch font lines up the four columns of the result lines.
    c.font = {"Courier New", 8.25, false};
    c.accessibleName = "Volontari selezionati";
  }
  for (const Caption& caption : kCaptions) {
    if (c.name == caption.control) c.labelledBy = caption.label;
  }
  return c;
}

}  // namespace

const ui::WindowDesc& form3Desc() {
  static const ui::WindowDesc desc = [] {
    ui::WindowDesc s{"Form3", "Selezione", 11880, 8595};  // 7995, and the strip of the export and totals below
    for (const Row& row : kRows) s.controls.push_back(controlOf(row));
    s.tabOrder = {"cbprov", "cbass", "Combo4",    "Combo1",   "cbliv",  "cbseg",    "Tprof",
                  "Tapp",   "List1", "cmdstampa", "cmdcerca", "cmbsel", "cmbchiudi", "cmdesporta", "cmdriepilogo",
                  "cmdchiamata"};
    return s;
  }();
  return desc;
}

}  // namespace krt
