#include "editor/form4.h"

#include <array>
#include <span>
#include <string_view>

#include "editor/field_map.h"
#include "mainwin/modulo1.h"
#include "print/profile.h"
#include "records/codes.h"
#include "records/work_files.h"

namespace krt {
namespace {

// The fixed items of the choices, in the order they are filled.
struct FixedChoice {
  std::string_view control;
  std::span<const std::string_view> items;
};
constexpr std::array<FixedChoice, 6> kFixedChoices{{
    {"Combo1", codes::kQualifications},
    {"Combo4", codes::kLicences},
    {"Combo9", codes::kYesNo},
    {"cbliv", codes::kLevels},
    {"cbseg", codes::kYesNo},
    {"Cbmare", codes::kYesNo},
}};
constexpr std::array<std::string_view, 4> kAvailabilityChoices{"Combo5", "Combo6", "Combo7", "Combo8"};

// The choices that carry over from one new volunteer to the next:
// qualification, province, association, licence and passport.
constexpr std::array<std::string_view, 5> kCarriedChoices{"Combo1", "Combo2", "Combo3", "Combo4", "Combo9"};

bool isCarriedChoice(std::string_view control) {
  for (const auto name : kCarriedChoices) {
    if (name == control) return true;
  }
  return false;
}

constexpr const char* kProvinceQuestion = "La provincia non dovrebbe essere modificata. Vuoi modificarla?";
constexpr const char* kAssociationQuestion = "L' associazione non dovrebbe essere modificata. Vuoi modificarla?";
constexpr const char* kDuplicateQuestion = "Volontario gi\xE0 presente in archivio. Registro ?";
constexpr const char* kNoSuchVolunteer =
    "Nessun volontario in archivio con questa associazione, cognome e nome: nessuna modifica registrata.\n"
    "Associazione, cognome e nome identificano il volontario da modificare o eliminare.";

}  // namespace

Form4::Form4(Modulo1& m) : m_(m) {
  using ui::Event;
  on("Combo2", Event::Click, [this] { Combo2_Click(); });
  on("Combo2", Event::LostFocus, [this] { Combo2_LostFocus(); });
  on("Combo3", Event::LostFocus, [this] { Combo3_LostFocus(); });
  on("Command2", Event::Click, [this] { Command2_Click(); });
  on("modifica", Event::Click, [this] { modifica_Click(); });
  on("elimina", Event::Click, [this] { elimina_Click(); });
  on("Command1", Event::Click, [this] { Command1_Click(); });
  on("cmdstampa", Event::Click, [this] { cmdstampa_Click(); });
  createWindow(m_.platform, form4Desc());
  // Until the first population only "Stampa" and "Esci" are shown.
  control("elimina").setVisible(false);
  control("modifica").setVisible(false);
  control("Command2").setVisible(false);
  Form_Load();
}

bool Form4::onCloseRequest() {
  // The close box discards the editor; the next use creates it anew.
  m_.unloadForm4();
  return true;
}

// ---- population ----------------------------------------------------------------

void Form4::Form_Load() { PopulateEditor(false); }

void Form4::Form_Activate() { PopulateEditor(true); }

void Form4::PopulateEditor(bool withAvailability) {
  m_.LoadProvinces(control("Combo2"), control("Combo3"));
  m_.LoadAssociations(control("Combo2"), control("Combo3"));
  fillFixedChoices(withAvailability);
  if (m_.modo == "i") {
    showButtons(false);
    emptyEntryFields();
    return;
  }
  showButtons(true);
  fillFromRecord();
}

void Form4::fillFixedChoices(bool withAvailability) {
  for (const auto& choice : kFixedChoices) control(choice.control).clearItems();
  if (withAvailability) {
    for (const auto name : kAvailabilityChoices) control(name).clearItems();
  }
  for (const auto& choice : kFixedChoices) {
    for (const auto item : choice.items) control(choice.control).addItem(item);
  }
  if (withAvailability) {
    for (const auto name : kAvailabilityChoices) {
      control(name).addItem(kProvincia);
      control(name).addItem(kRegione);
    }
  }
}

void Form4::showButtons(bool storedVolunteer) {
  control("Command1").setVisible(true);
  control("Command2").setVisible(!storedVolunteer);
  control("modifica").setVisible(storedVolunteer);
  control("elimina").setVisible(storedVolunteer);
}

void Form4::emptyEntryFields() {
  for (const FieldLink& link : editorFieldMap()) {
    if (!isCarriedChoice(link.control)) control(link.control).setText("");
  }
}

void Form4::fillFromRecord() {
  const VolunteerRecord& r = m_.record;
  provincia_caricata_ = shownText(fieldLink("Combo2"), r);
  associazione_caricata_ = r.associazione.view();
  for (const FieldLink& link : editorFieldMap()) {
    const std::string text = shownText(link, r);
    // An availability choice with a code other than "P" or "R" stays as it was emptied.
    if (link.shown == ShownAs::Availability && text.empty()) continue;
    control(link.control).setText(text);
  }
}

// ---- province and association ------------------------------------------------------

void Form4::Combo2_Click() {
  ui::Control& associations = control("Combo3");
  m_.LoadAssociations(control("Combo2"), associations);
  associations.setText(associations.itemCount() > 0 ? associations.item(0) : std::string());
}

void Form4::Combo2_LostFocus() {
  if (m_.modo == "i") return;
  if (control("Combo2").text() == provincia_caricata_.view()) return;
  // Only Yes changes it: No, Escape or the box's frame bring the stored one back.
  const bool change = m_.platform.messageBox(kProvinceQuestion, ui::Buttons::YesNo) == ui::Answer::Yes;
  // Picking a province replaced the association: the stored one comes back.
  control("Combo3").setText(associazione_caricata_.view());
  if (!change) control("Combo2").setText(provincia_caricata_.view());
}

void Form4::Combo3_LostFocus() {
  if (m_.modo == "i") return;
  if (control("Combo3").text() == associazione_caricata_.view()) return;
  if (m_.platform.messageBox(kAssociationQuestion, ui::Buttons::YesNo) == ui::Answer::Yes) {
    associazione_caricata_ = control("Combo3").text();
  } else {
    control("Combo3").setText(associazione_caricata_.view());
  }
}

// ---- taking the controls into the record ----------------------------------------------

bool Form4::ReadEditorFields() {
  VolunteerRecord& r = m_.record;
  const auto take = [&](std::string_view name) { takeText(fieldLink(name), control(name).text(), r); };
  const auto stop = [&](const char* message) {
    m_.message(message);
    return false;
  };
  take("Combo2");
  if (r.provincia.blank()) return stop("Manca provincia");
  take("Text15");
  take("Combo3");
  if (r.associazione.blank()) return stop("Manca associazione.");
  take("Text1");
  take("Text2");
  if (r.cognome.blank() || r.nome.blank()) return stop("Manca cognome e nome!");
  // The rest, in any order (taking the five above again changes nothing).
  for (const FieldLink& link : editorFieldMap()) take(link.control);
  r.riservato.clear();
  return true;
}

// ---- the buttons -------------------------------------------------------------------------

void Form4::Command2_Click() {
  if (!ReadEditorFields()) return;
  if (!insertSorted(m_.record.toLine())) return;
  // The main list is not refilled here; the status line counts the new line.
  m_.refreshStatus();
  emptyEntryFields();
}

bool Form4::insertSorted(const std::string& nuova_riga) {
  const std::string_view newKey = recordKey(nuova_riga);
  try {
    ui::BusyPointer busy(m_.platform);
    m_.righe_copia = m_.changeWorkCopy([&](LineReader& workCopy, FileWriter& workfile) {
      bool placed = false;
      std::string line;
      while (workCopy.next(line)) {
        const std::string_view key = recordKey(line);
        // The new line goes before the first line whose key is not smaller;
        // when that key is the same, the user decides whether both stay. The
        // question cannot be brushed aside: a slip of Escape would drop the
        // volunteer just typed.
        if (!placed && key >= newKey) {
          if (key != newKey ||
              m_.platform.messageBox(kDuplicateQuestion, ui::Buttons::YesNoRequired) == ui::Answer::Yes)
            workfile.writeLine(nuova_riga);
          placed = true;
        }
        workfile.writeLine(line);
      }
      if (!placed) workfile.writeLine(nuova_riga);
    });
  } catch (const FileError& e) {
    m_.reportFileError(e);
    return false;
  }
  return true;
}

void Form4::modifica_Click() {
  if (!ReadEditorFields()) return;
  const std::string nuova_riga = m_.record.toLine();
  if (!replaceVolunteer(&nuova_riga)) return;
  m_.ReloadList();
  window().hide();
}

void Form4::elimina_Click() {
  if (!ReadEditorFields()) return;
  if (!replaceVolunteer(nullptr)) return;
  m_.ReloadList();
  window().hide();
}

bool Form4::isVolunteerShown(std::string_view line) const {
  const VolunteerRecord& r = m_.record;
  return columns(line, 21, 40) == r.associazione.view() && columns(line, 61, 25) == r.cognome.view() &&
         columns(line, 86, 25) == r.nome.view();
}

bool Form4::replaceVolunteer(const std::string* nuova_riga) {
  try {
    bool stored = false;
    {
      ui::BusyPointer busy(m_.platform);
      LineReader workCopy(m_.percorso_wrk());
      std::string line;
      while (!stored && workCopy.next(line)) stored = isVolunteerShown(line);
    }
    // Nothing to change: the work copy and modificato stay as they are, and
    // the editor keeps what the user typed.
    if (!stored) {
      m_.message(kNoSuchVolunteer);
      return false;
    }
    ui::BusyPointer busy(m_.platform);
    m_.righe_copia = m_.changeWorkCopy([&](LineReader& workCopy, FileWriter& workfile) {
      std::string line;
      while (workCopy.next(line)) {
        if (!isVolunteerShown(line))
          workfile.writeLine(line);
        else if (nuova_riga)
          workfile.writeLine(*nuova_riga);
      }
    });
  } catch (const FileError& e) {
    m_.reportFileError(e);
    return false;
  }
  return true;
}

void Form4::Command1_Click() {
  m_.ReloadList();
  window().hide();
}

void Form4::cmdstampa_Click() { stampa_profilo(m_); }

}  // namespace krt
