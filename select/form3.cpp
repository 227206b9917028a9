#include "select/form3.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "editor/form4.h"
#include "export/totals.h"
#include "export/volunteers.h"
#include "mainwin/table_export.h"
#include "select/callout.h"
#include "mainwin/modulo1.h"
#include "print/printing.h"
#include "records/codes.h"
#include "records/work_files.h"

namespace krt {
namespace {

constexpr const char* kNothingFound = "Nessun volontario trovato";

// The labels the reset turns blue, besides those of the availability and
// equipment criteria, before and after emptying the filters.
constexpr const char* kPlaceAndPersonalLabels[] = {"Lprov", "Lass", "Lpat", "Lpass", "lmare"};
constexpr const char* kFilterLabels[] = {"Lprof", "Lapp", "Label7", "Label9"};

template <std::size_t N>
void refill(ui::Control& combo, const std::array<std::string_view, N>& items) {
  combo.clearItems();
  for (const std::string_view item : items) combo.addItem(item);
}

}  // namespace

Form3::Form3(Modulo1& m) : m_(m) {
  using ui::Event;
  for (const auto& duration : codes::kAvailability)
    on(std::string(duration.label), Event::Click, [this, label = duration.label] { choose(label); });
  for (const auto& equipment : codes::kEquipment)
    on(std::string(equipment.label), Event::Click, [this, label = equipment.label] { chooseEquipment(label); });
  on("Lprof", Event::Click, [this] { chooseEquipment("Lprof"); });
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
  createWindow(m_.platform, form3Desc());
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
  m_.dotazioni_scelte = false;
  searched_ = {};
  control("Lcontati").setText("");
  if (when == EmptyList::First) control("List1").clearItems();
  for (const auto& duration : codes::kAvailability) control(duration.label).setBackColor(ui::kBlue);
  for (const auto& equipment : codes::kEquipment) control(equipment.label).setBackColor(ui::kBlue);
  for (const char* label : kPlaceAndPersonalLabels) control(label).setBackColor(ui::kBlue);
  control("Tprof").setText("");
  control("Tapp").setText("");
  for (const char* label : kFilterLabels) control(label).setBackColor(ui::kBlue);
  ui::Control& province = control("cbprov");
  ui::Control& association = control("cbass");
  m_.LoadProvinces(province, association);
  m_.LoadAssociations(province, association);
  refill(control("Combo4"), codes::kLicences);
  refill(control("cbliv"), codes::kLevels);
  refill(control("cbseg"), codes::kYesNo);
  if (when == EmptyList::Last) control("List1").clearItems();
}

void Form3::choose(std::string_view label) { control(label).setBackColor(ui::kRed); }

void Form3::chooseEquipment(std::string_view label) {
  choose(label);
  m_.dotazioni_scelte = true;
}

bool Form3::chosen(std::string_view label) { return control(label).backColor() == ui::kRed; }

SelectionCriteria Form3::criteria() {
  SelectionCriteria c;
  if (chosen("Lpat")) c.patente = control("Combo4").text();
  if (chosen("Label7")) c.livello = control("cbliv").text();
  if (chosen("Label9")) c.segreteria = control("cbseg").text();
  c.passaporto = chosen("Lpass");
  c.krt_mare = chosen("lmare");

  for (std::size_t i = 0; i < codes::kEquipment.size(); ++i) c.dotazioni[i] = chosen(codes::kEquipment[i].label);
  if (chosen("Lapp")) c.apparecchiature = control("Tapp").text();
  if (chosen("Lprof")) c.professione = control("Tprof").text();
  c.dotazioni_scelte = m_.dotazioni_scelte;

  // Province and association apply whenever their choice holds text.
  c.provincia = control("cbprov").text();
  c.associazione = control("cbass").text();

  for (std::size_t i = 0; i < codes::kAvailability.size(); ++i)
    c.disponibilita[i] = chosen(codes::kAvailability[i].label);
  return c;
}

// ---- search, result list, print ---------------------------------------------------

void Form3::cmdcerca_Click() {
  ui::Control& list = control("List1");
  list.clearItems();
  control("Lcontati").setText("");
  const SelectionCriteria c = criteria();
  ui::LineStore result;
  try {
    ui::BusyPointer busy(m_.platform);
    forEachSelected(m_.percorso_wrk(), c, m_.record, [&](std::string_view line) { result.add(line); });
  } catch (const FileError& e) {
    // A list cut short by a read error would pass for a complete result.
    m_.reportFileError(e);
    return;
  }
  searched_ = c;
  const std::size_t found = result.size();
  if (result.empty()) result.add(kNothingFound);
  list.setItems(std::move(result));
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
  runWithProgress(m_, "Esportazione dei volontari in corso...", [&](const GoOn& goOn, const Finishing& finishing) {
    exportVolunteers(m_.percorso_wrk(), searched_, target->path, target->format, goOn, finishing);
  });
}

void Form3::cmdriepilogo_Click() { m_.showTotals(searched_); }

void Form3::cmdchiamata_Click() { printCallout(m_, searched_); }

void Form3::List1_Click() {
  ui::Control& list = control("List1");
  const int selected = list.listIndex();
  if (selected < 0) return;
  // The criteria stay for as long as the volunteer is open in the editor;
  // when it could not be opened there is nothing to come back from.
  if (m_.openVolunteer(recordKey(list.item(selected)))) m_.mantieni_selezione = true;
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
