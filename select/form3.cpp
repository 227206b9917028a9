#include "select/form3.h"

#include <string>
#include <vector>

#include "editor/form4.h"
#include "export/totals.h"
#include "export/volunteers.h"
#include "mainwin/table_export.h"
#include "select/callout.h"
#include "mainwin/modulo1.h"
#include "print/printing.h"
#include "records/work_files.h"

namespace krt {
namespace {

constexpr const char* kNothingFound = "Nessun volontario trovato";

// Labels whose criterion is the availability for a kind of deployment.
constexpr const char* kAvailabilityLabels[] = {"L1pp", "L3pp", "L3fp", "L1sfp", "L2sfp"};
// Labels of the equipment group chosen by a click.
constexpr const char* kEquipmentLabels[] = {"Lv27",    "Lp27",  "Lv43",  "Lp43",    "Lvhf",   "Lphf",
                                            "Lpacket", "Lcamp", "Lauto", "Lgancio", "Lletti", "Lprof"};
// The labels the reset turns blue, before and after emptying the filters.
constexpr const char* kResetLabels[] = {"L1pp",    "L1sfp",   "L2sfp", "L3fp", "L3pp", "Lauto", "Lcamp",
                                        "Lgancio", "Lletti",  "Lp27",  "Lv27", "Lp43", "Lv43",  "Lvhf",
                                        "Lphf",    "Lpacket", "Lprov", "Lass", "Lpat", "Lpass", "lmare"};
constexpr const char* kFilterLabels[] = {"Lprof", "Lapp", "Label7", "Label9"};

constexpr const char* kLicences[] = {"A ", "AS", "B ", "BS", "C ", "CS", "D ", "DS", "E ", "F ", "NO"};
constexpr const char* kLevels[] = {"COM", "COC", "OR ", "COL"};
constexpr const char* kYesNo[] = {"SI", "NO"};

template <std::size_t N>
void refill(ui::Control& combo, const char* const (&items)[N]) {
  combo.clearItems();
  for (const char* item : items) combo.addItem(item);
}

}  // namespace

Form3::Form3(Modulo1& m) : m_(m) {
  using ui::Event;
  for (const char* label : kAvailabilityLabels) on(label, Event::Click, [this, label] { choose(label); });
  for (const char* label : kEquipmentLabels) on(label, Event::Click, [this, label] { chooseEquipment(label); });
  on("Tprof", Event::Change, [this] { chooseEquipment("Lprof"); });
  on("Tapp", Event::Change, [this] { chooseEquipment("Lapp"); });
  on("lmare", Event::Click, [this] { choose("lmare"); });
  on("Lpass", Event::Click, [this] { choose("Lpass"); });
  on("Combo4", Event::Click, [this] { choose("Lpat"); });
  on("Combo4", Event::Change, [this] { choose("Lpat"); });
  // A level counts only when picked from the list: typing does not choose it.
  on("cbliv", Event::Click, [this] { choose("Label7"); });
  on("cbseg", Event::Click, [this] { choose("Label9"); });
  on("cbseg", Event::Change, [this] { choose("Label9"); });
  on("cbprov", Event::Click, [this] { choose("Lprov"); });
  on("cbprov", Event::LostFocus, [this] { m_.LoadAssociations(control("cbprov"), control("cbass")); });
  on("cbass", Event::Click, [this] { choose("Lass"); });
  on("cmdcerca", Event::Click, [this] { cmdcerca_Click(); });
  on("cmdstampa", Event::Click, [this] { cmdstampa_Click(); });
  on("List1", Event::Click, [this] { List1_Click(); });
  on("cmbsel", Event::Click, [this] { cmbsel_Click(); });
  on("cmbchiudi", Event::Click, [this] { cmbchiudi_Click(); });
  on("cmdesporta", Event::Click, [this] { cmdesporta_Click(); });
  on("cmdriepilogo", Event::Click, [this] { cmdriepilogo_Click(); });
  on("cmdchiamata", Event::Click, [this] { cmdchiamata_Click(); });
  createWindow(m_.platform, form3Spec());
  reset(EmptyList::First);
}

void Form3::onActivate() {
  if (!m_.mantieni_selezione) reset(EmptyList::Last);
}

bool Form3::onCloseRequest() {
  m_.unloadForm3();
  return true;
}

// ---- criteria ----------------------------------------------------------------------

void Form3::reset(EmptyList when) {
  m_.dotazioni_scelte = "0";
  searched_ = {};
  control("Lcontati").setText("");
  if (when == EmptyList::First) control("List1").clearItems();
  for (const char* label : kResetLabels) control(label).setBackColor(ui::kBlue);
  control("Tprof").setText("");
  control("Tapp").setText("");
  for (const char* label : kFilterLabels) control(label).setBackColor(ui::kBlue);
  ui::Control& province = control("cbprov");
  ui::Control& association = control("cbass");
  m_.LoadProvinces(province, association);
  m_.LoadAssociations(province, association);
  refill(control("Combo4"), kLicences);
  refill(control("cbliv"), kLevels);
  refill(control("cbseg"), kYesNo);
  if (when == EmptyList::Last) control("List1").clearItems();
}

void Form3::choose(std::string_view label) { control(label).setBackColor(ui::kRed); }

void Form3::chooseEquipment(std::string_view label) {
  choose(label);
  m_.dotazioni_scelte = "1";
}

bool Form3::chosen(std::string_view label) { return control(label).backColor() == ui::kRed; }

SelectionCriteria Form3::criteria() {
  SelectionCriteria c;
  if (chosen("Lpat")) c.patente = control("Combo4").text();
  if (chosen("Label7")) c.livello = control("cbliv").text();
  if (chosen("Label9")) c.segreteria = control("cbseg").text();
  c.passaporto = chosen("Lpass");
  c.krt_mare = chosen("lmare");

  c.veicolare_27 = chosen("Lv27");
  c.palmare_27 = chosen("Lp27");
  c.veicolare_43 = chosen("Lv43");
  c.palmare_43 = chosen("Lp43");
  c.veicolare_vhf = chosen("Lvhf");
  c.palmare_vhf = chosen("Lphf");
  c.posti_letto = chosen("Lletti");
  c.packet = chosen("Lpacket");
  c.stazione_campale = chosen("Lcamp");
  c.autovettura = chosen("Lauto");
  c.gancio = chosen("Lgancio");
  if (chosen("Lapp")) c.apparecchiature = control("Tapp").text();
  if (chosen("Lprof")) c.professione = control("Tprof").text();
  c.dotazioni_scelte = m_.dotazioni_scelte == "1";

  // Province and association apply whenever their choice holds text.
  c.provincia = control("cbprov").text();
  c.associazione = control("cbass").text();

  c.ore_1g = chosen("L1pp");
  c.ore_3g = chosen("L3pp");
  c.ore_3g_fuori = chosen("L3fp");
  c.ore_1s_fuori = chosen("L1sfp");
  c.ore_2s_fuori = chosen("L2sfp");
  return c;
}

// ---- search, result list, print ---------------------------------------------------

void Form3::cmdcerca_Click() {
  ui::Control& list = control("List1");
  list.clearItems();
  control("Lcontati").setText("");
  const SelectionCriteria c = criteria();
  std::size_t found = 0;
  try {
    ui::BusyPointer busy(m_.platform);
    found = forEachSelected(m_.percorso_wrk(), c, m_.record, [&](std::string_view line) { list.addItem(line); });
  } catch (const FileError& e) {
    // A list cut short by a read error would pass for a complete result.
    list.clearItems();
    m_.reportFileError(e);
    return;
  }
  searched_ = c;
  if (found == 0) list.addItem(kNothingFound);
  control("Lcontati").setText(found == 0   ? std::string("Nessun volontario trovato")
                              : found == 1 ? std::string("1 volontario trovato")
                                           : groupedCount(found) + " volontari trovati");
}

// ---- the strip: export, totals, call-out sheet -----------------------------------

void Form3::cmdesporta_Click() {
  const std::optional<std::size_t> found = countFound(m_, searched_);
  if (!found) return;
  if (*found == 0) {
    m_.message("Nessun volontario da esportare.");
    return;
  }
  const auto target = askTableTarget(m_, "Esporta i volontari trovati");
  if (!target) return;
  runWithProgress(m_, "Esportazione dei volontari in corso...", [&](const auto& goOn) {
    exportVolunteers(m_.percorso_wrk(), searched_, target->path, target->format, goOn);
  });
}

void Form3::cmdriepilogo_Click() { m_.showTotals(searched_); }

void Form3::cmdchiamata_Click() { printCallout(m_, searched_); }

void Form3::List1_Click() {
  ui::Control& list = control("List1");
  const int selected = list.listIndex();
  if (selected < 0) return;
  m_.mantieni_selezione = true;
  m_.openVolunteer(recordKey(list.item(selected)));
}

void Form3::cmdstampa_Click() {
  ui::Control& list = control("List1");
  printDocument(m_, [&](ui::Printer& printer) {
    printer.setFontName("courier new");
    printer.setFontSize(12);
    printer.setFontBold(true);
    printer.setOrientation(ui::Orientation::Landscape);
    printer.printLine("                ELENCO VOLONTARI SELEZIONATI");
    printer.setFontBold(false);
    printer.printLine("    ");
    const int count = list.itemCount();
    for (int i = 0; i < count; ++i) printer.printLine(list.item(i));
    printer.endDoc();
  });
}

// ---- buttons ------------------------------------------------------------------------

void Form3::cmbsel_Click() {
  control("List1").clearItems();
  reset(EmptyList::First);
}

void Form3::cmbchiudi_Click() {
  m_.mantieni_selezione = false;
  window().hide();
}

}  // namespace krt
