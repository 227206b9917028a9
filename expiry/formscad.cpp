#include "expiry/formscad.h"

#include "export/table_file.h"
#include "mainwin/modulo1.h"
#include "print/printing.h"
#include "records/fixed_text.h"

namespace krt {
namespace {

// The printed columns: the window's, each cut to its width.
struct PrintedColumn {
  const char* heading;
  std::size_t width;
};
// The association and the contact are printed whole: a contact cut short is
// a telephone number that cannot be called.
constexpr PrintedColumn kPrinted[] = {{"Cognome", 20},  {"Nome", 15},      {"Associazione", 40}, {"Provincia", 15},
                                      {"Recapito", 35}, {"Documento", 10}, {"Scadenza", 10},     {"Stato", 15}};

// The cells of a row in the window's order of columns.
std::vector<std::string> cellsOf(const ExpiryRow& row) {
  return {std::string(row.cognome()),   std::string(row.nome()),           std::string(row.associazione()),
          std::string(row.provincia()), std::string(row.recapito()),       std::string(row.documento()),
          std::string(row.scadenza()),  std::string(statusText(row.stato))};
}

std::string printedLine(const std::vector<std::string>& cells) {
  std::string line;
  for (std::size_t i = 0; i < cells.size(); ++i) line += fixedWidth(cells[i], kPrinted[i].width) + " ";
  return std::string(trimBlanks(line));
}

}  // namespace

FormScad::FormScad(Modulo1& m) : m_(m) {
  using ui::Event;
  on("tscadenze", Event::Click, [this] { tscadenze_Click(); });
  on("cmdstampa", Event::Click, [this] { cmdstampa_Click(); });
  on("cmdesporta", Event::Click, [this] { cmdesporta_Click(); });
  on("cmdchiudi", Event::Click, [this] { cmdchiudi_Click(); });
  createWindow(m_.platform, formscadDesc());
}

void FormScad::showFor(int days) {
  days_ = days;
  // Already the active window: it would not be activated again.
  if (window().isVisible()) Form_Activate();
  window().show();
}

std::string FormScad::heading() const {
  return "Documenti scaduti o in scadenza entro " + std::to_string(days_) + (days_ == 1 ? " giorno" : " giorni") +
         " dal " + formatDate(today_);
}

void FormScad::Form_Activate() {
  today_ = localToday();
  try {
    ui::BusyPointer busy(m_.platform);
    rows_ = expiryRows(m_.percorso_wrk(), today_, days_);
  } catch (const FileError& e) {
    rows_.clear();
    m_.reportFileError(e);
  }
  control("lintestazione").setText(heading());
  std::vector<std::vector<std::string>> cells;
  cells.reserve(rows_.size());
  for (const ExpiryRow& row : rows_) cells.push_back(cellsOf(row));
  ui::Control& table = control("tscadenze");
  table.setRows(std::move(cells));
  table.setVisible(!rows_.empty());
  control("lnessuno").setVisible(rows_.empty());
}

void FormScad::tscadenze_Click() {
  const int index = control("tscadenze").listIndex();
  if (index < 0 || static_cast<std::size_t>(index) >= rows_.size()) return;
  m_.openVolunteer(std::string(rows_[static_cast<std::size_t>(index)].key()));
}

void FormScad::cmdstampa_Click() {
  printDocument(m_, [&](ui::Printer& printer) {
    printer.setOrientation(ui::Orientation::Landscape);
    printer.setFontName("Courier New");
    printer.setFontSize(10);
    printer.setFontBold(true);
    printer.printLine(heading());
    printer.printLine("");
    printer.setFontSize(7);
    std::vector<std::string> headings;
    for (const PrintedColumn& c : kPrinted) headings.emplace_back(c.heading);
    printer.printLine(printedLine(headings));
    printer.setFontBold(false);
    if (rows_.empty()) printer.printLine("Nessun documento scaduto o in scadenza.");
    for (const ExpiryRow& row : rows_) printer.printLine(printedLine(cellsOf(row)));
    printer.endDoc();
  });
}

void FormScad::cmdesporta_Click() {
  const auto chosen = m_.platform.saveFileDialogFiltered(
      {m_.paths.startFolder, "Esporta le scadenze", "Cartella di lavoro Excel (*.xlsx)|*.xlsx|File CSV (*.csv)|*.csv"});
  if (!chosen || chosen->path.empty()) return;
  // A name without .xlsx or .csv takes the ending of the filter chosen.
  std::string path = chosen->path;
  auto format = tableFormatOf(path);
  if (!format) {
    format = chosen->filter == 1 ? TableFormat::Csv : TableFormat::Xlsx;
    path += *format == TableFormat::Csv ? ".csv" : ".xlsx";
  }
  // The columns and values of archivio-cli scadenze.
  const std::vector<std::string> headings(kExpiryColumns.begin(), kExpiryColumns.end());
  std::vector<std::vector<std::string>> cells;
  cells.reserve(rows_.size());
  for (const ExpiryRow& row : rows_) {
    const auto fields = expiryFields(row);
    cells.emplace_back(fields.begin(), fields.end());
  }
  try {
    ui::BusyPointer busy(m_.platform);
    writeTableFile(path, *format, "Scadenze", headings, cells);
  } catch (const FileError& e) {
    m_.reportFileError(e);
  }
}

void FormScad::cmdchiudi_Click() { window().hide(); }

bool FormScad::onCloseRequest() { return true; }

}  // namespace krt
