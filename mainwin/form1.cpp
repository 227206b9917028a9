#include "mainwin/form1.h"

#include <optional>

#include "editor/form4.h"
#include "expiry/formscad.h"
#include "mainwin/merge.h"
#include "mainwin/modulo1.h"
#include "records/cp1252.h"
#include "select/form3.h"
#include "verify/verification.h"

namespace krt {
namespace {

constexpr const char* kTextFilter = "File di testo (*.txt)|*.txt|Tutti i file (*.*)|*.*";
constexpr const char* kSaveQuestion = "Vuoi salvare le modifiche?";
constexpr const char* kRecoverQuestion =
    "Il programma non \xE8 stato chiuso correttamente e alcune modifiche non erano state salvate. Vuoi recuperarle?";

// "1 volontario", "12.345 volontari": the Italian thousands separator.
std::string volunteersText(std::size_t count) {
  std::string digits = std::to_string(count);
  for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(static_cast<std::size_t>(at), 1, '.');
  return digits + (count == 1 ? " volontario" : " volontari");
}

}  // namespace

Form1::Form1(Modulo1& m) : m_(m) {
  using ui::Event;
  on("mnapri", Event::Click, [this] { mnapri_Click(); });
  on("mnsalva", Event::Click, [this] { mnsalva_Click(); });
  on("mnscn", Event::Click, [this] { mnscn_Click(); });
  on("mnesci", Event::Click, [this] { mnesci_Click(); });
  on("mnins", Event::Click, [this] { mnins_Click(); });
  on("mnverifica", Event::Click, [this] { mnverifica_Click(); });
  on("mnsel", Event::Click, [this] { mnsel_Click(); });
  on("mnaggiu", Event::Click, [this] { mnaggiu_Click(); });
  on("mnriepilogo", Event::Click, [this] { mnriepilogo_Click(); });
  on("mnscadenze", Event::Click, [this] { mnscadenze_Click(); });
  on("mnhelp", Event::Click, [this] { mnhelp_Click(); });
  on("cmdcerca", Event::Click, [this] { cmdcerca_Click(); });
  on("cmdprossimo", Event::Click, [this] { cmdprossimo_Click(); });
  on("List1", Event::Click, [this] { List1_Click(); });
  createWindow(m_.platform, form1Desc());
  Form_Load();
}

void Form1::Form_Load() {
  // File1 only tells the start-up folder, which Modulo1 already holds.
  control("File1").setVisible(false);
  // The last run here did not end normally and its unsaved work is still in
  // the work copy: it is kept unless the user says No (a dismissed question
  // must not throw it away).
  if (const auto last = m_.lastRun(); hasWorkToRecover(last, m_.percorso_wrk()) &&
                                      m_.platform.messageBox(kRecoverQuestion, ui::Buttons::YesNo) != ui::Answer::No) {
    m_.nome_archivio = last->archive;
    m_.setModificato(true);
    ReloadList();
    return;
  }
  m_.setModificato(false);
  m_.righe_copia = 0;
  try {
    createEmpty(m_.percorso_wrk());
  } catch (const FileError& e) {
    m_.reportFileError(e);
  }
  showStatus();
}

void Form1::showStatus() {
  const std::string& path = m_.nome_archivio;
  const std::string tip = cp1252::fromUtf8(path);
  ui::Control& archive = control("starchivio");
  archive.setText(path.empty() ? std::string("Nessun archivio aperto") : tip.substr(tip.find_last_of('/') + 1));
  archive.setToolTip(tip);
  control("stvolontari").setText(volunteersText(m_.righe_copia));
  control("stmodifiche").setText(m_.modificato ? "Modifiche non salvate" : "");
}

// ---- file commands -----------------------------------------------------------

ui::FileRequest Form1::saveRequest() const {
  return {m_.paths.startFolder, "Inserisci il nome di file da salvare", "*.*"};
}

bool Form1::offerToSave(ui::Buttons buttons) {
  if (!m_.modificato) return true;
  switch (m_.platform.messageBox(kSaveQuestion, buttons)) {
    case ui::Answer::No:
      return true;
    case ui::Answer::Yes:
      return saveAtExit() == SaveResult::Saved;
    default:
      // Cancel, or the box closed by Escape or its frame: nothing is
      // discarded and the program stays as it was.
      return false;
  }
}

void Form1::mnapri_Click() {
  // Unsaved changes would vanish with the new archive: ask first.
  if (!offerToSave(ui::Buttons::YesNoCancel)) return;
  const auto path = m_.platform.openFileDialog({m_.paths.startFolder, "Nome del file da aprire", kTextFilter});
  if (path && m_.refuseWorkFile(*path)) return;
  // Busy from the copy until the list shows the archive opened.
  ui::BusyPointer busy(m_.platform);
  if (path) {
    try {
      copyLines(*path, m_.percorso_wrk(), false);
    } catch (const FileError& e) {
      m_.reportFileError(e);
      return;
    }
    m_.setModificato(false);
    m_.setNomeArchivio(*path);
  }
  ReloadList();
}

void Form1::mnsalva_Click() {
  if (m_.nome_archivio.empty()) {
    saveAs();
    return;
  }
  try {
    ui::BusyPointer busy(m_.platform);
    copyLines(m_.percorso_wrk(), m_.nome_archivio, true);
  } catch (const FileError& e) {
    m_.reportFileError(e);
    return;
  }
  m_.message("File salvato");
  m_.setModificato(false);
}

Form1::SaveResult Form1::saveAs() {
  const auto path = m_.platform.saveFileDialog(saveRequest());
  if (!path || path->empty()) return SaveResult::Cancelled;
  if (m_.refuseWorkFile(*path)) return SaveResult::Failed;
  try {
    ui::BusyPointer busy(m_.platform);
    copyBytes(m_.percorso_wrk(), *path);
  } catch (const FileError& e) {
    m_.reportFileError(e);
    return SaveResult::Failed;
  }
  m_.setNomeArchivio(*path);
  m_.message("File salvato.");
  m_.setModificato(false);
  return SaveResult::Saved;
}

void Form1::mnscn_Click() { saveAs(); }

Form1::SaveResult Form1::saveAtExit() {
  const auto path = m_.platform.saveFileDialog(saveRequest());
  if (!path || path->empty()) return SaveResult::Cancelled;
  if (m_.refuseWorkFile(*path)) return SaveResult::Failed;
  try {
    ui::BusyPointer busy(m_.platform);
    copyLines(m_.percorso_wrk(), *path, false);
  } catch (const FileError& e) {
    m_.reportFileError(e);
    return SaveResult::Failed;
  }
  m_.setNomeArchivio(*path);
  m_.message("file salvato.");
  m_.setModificato(false);
  return SaveResult::Saved;
}

void Form1::end() {
  m_.endRun();
  m_.platform.quit();
}

void Form1::mnesci_Click() {
  if (offerToSave(ui::Buttons::YesNoCancel)) end();
}

bool Form1::Form_Unload() {
  // A cancelled or failed save keeps the program open: closing would lose
  // the changes the user just asked to keep.
  if (!offerToSave(ui::Buttons::YesNo)) return false;
  end();
  return true;
}

// ---- other windows -----------------------------------------------------------

void Form1::mnins_Click() {
  m_.retellLookupFailures();
  m_.modo = std::string("i");  // (as in Modulo1::openVolunteer)
  m_.form4().show();
}

void Form1::mnverifica_Click() { runVerification(m_); }

void Form1::mnsel_Click() {
  m_.retellLookupFailures();
  m_.form3().show();
}

void Form1::mnriepilogo_Click() { m_.showTotals({}); }

void Form1::mnaggiu_Click() { mergeArchive(m_); }

void Form1::mnscadenze_Click() {
  const auto days =
      m_.platform.askNumber("Scadenze entro quanti giorni?", 0, kMaxExpiryDays, kDefaultExpiryDays);
  if (days) m_.scadenze().showFor(*days);
}

void Form1::mnhelp_Click() {
  const std::string path = m_.lookupPath("krt.hlp");
  if (!fileExists(path) || !m_.platform.showHelp(path))
    m_.message("Impossibile aprire la guida: il file " + cp1252::fromUtf8(path) + " non \xE8 stato trovato.");
}

// ---- the list --------------------------------------------------------------------

void Form1::ReloadList() {
  ui::BusyPointer busy(m_.platform);
  ui::Control& list = control("List1");
  list.setVisible(true);
  list.clearItems();
  ui::LineStore keys;
  std::optional<FileError> failed;
  try {
    LineReader in(m_.percorso_wrk());
    std::string_view line;
    while (in.nextView(line)) keys.add(recordKey(line));
  } catch (const FileError& e) {
    failed = e;
  }
  // The keys read before a failure stay listed.
  list.setItems(std::move(keys));
  m_.righe_copia = static_cast<std::size_t>(list.itemCount());
  showStatus();
  if (failed) m_.reportFileError(*failed);
}

int Form1::findFrom(int from) {
  const ui::LineStore& entries = control("List1").lines();
  std::string entry;
  for (std::size_t i = static_cast<std::size_t>(from); i < entries.size(); ++i) {
    entry.assign(entries[i]);
    cp1252::upperInPlace(entry);
    if (entry.find(testo_cerca_) != std::string::npos) return static_cast<int>(i);
  }
  return -1;
}

void Form1::endSearch(int from, int found) {
  ui::Control& list = control("List1");
  list.setVisible(true);
  // The entry the search stops on is selected: the one found, or else the
  // last one examined. Its click opens nothing.
  const int last = list.itemCount() - 1;
  const int stop = found >= 0 ? found : from <= last ? last : -1;
  if (stop >= 0) {
    salta_click_ = true;
    list.setListIndex(stop);
  }
  if (found >= 0) list.setTopIndex(found);
  m_.platform.setBusy(false);
  if (found < 0) {
    m_.message("Ricerca terminata.");
    salta_click_ = false;
  }
}

void Form1::cmdcerca_Click() {
  m_.platform.setBusy(true);
  testo_cerca_ = cp1252::upper(control("tcerca").text());
  endSearch(0, findFrom(0));
}

void Form1::cmdprossimo_Click() {
  m_.platform.setBusy(true);
  ui::Control& list = control("List1");
  const int selected = list.listIndex();
  const int count = list.itemCount();
  const bool atEnd = count == 0 || selected == count - 1;
  const int from = atEnd ? count : selected + 1;
  endSearch(from, atEnd ? -1 : findFrom(from));
}

void Form1::List1_Click() {
  if (salta_click_) {
    salta_click_ = false;
    return;
  }
  ui::Control& list = control("List1");
  const int selected = list.listIndex();
  m_.openVolunteer(recordKey(selected >= 0 ? list.item(selected) : std::string()));
}

}  // namespace krt
