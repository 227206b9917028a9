#include "mainwin/modulo1.h"

#include "editor/form4.h"
#include "expiry/formscad.h"
#include "mainwin/form1.h"
#include "records/cp1252.h"
#include "select/form3.h"
#include "select/riepilogo.h"
#include "verify/formv.h"

namespace krt {

Modulo1::Modulo1(ui::Platform& p, std::string startFolder, std::string lookup)
    : platform(p), paths(WorkPaths::inFolder(startFolder)), lookupFolder(std::move(lookup)) {}

Modulo1::~Modulo1() = default;

std::string Modulo1::lookupPath(std::string_view bareName) const {
  std::string path = lookupFolder.empty() ? std::string() : lookupFolder;
  if (!path.empty() && path.back() != '/') path += '/';
  path.append(bareName);
  // An installed program falls back on the lists and help it ships with
  // when the folder it works in has none of its own.
  if (!fileExists(path) && !systemDataDir.empty()) {
    const std::string shipped = systemDataDir + "/" + std::string(bareName);
    if (fileExists(shipped)) return shipped;
  }
  return path;
}

Form1& Modulo1::form1() {
  if (!form1_) form1_ = std::make_unique<Form1>(*this);
  return *form1_;
}

Form4& Modulo1::form4() {
  if (!form4_) form4_ = std::make_unique<Form4>(*this);
  return *form4_;
}

Form3& Modulo1::form3() {
  if (!form3_) form3_ = std::make_unique<Form3>(*this);
  return *form3_;
}

formv& Modulo1::viewer() {
  if (!viewer_) viewer_ = std::make_unique<formv>(*this);
  return *viewer_;
}

void Modulo1::unloadForm4() {
  platform.post([this] { form4_.reset(); });
}

void Modulo1::showTotals(const SelectionCriteria& criteria) {
  Totals totals;
  try {
    ui::BusyPointer busy(platform);
    totals = countTotals(percorso_wrk(), criteria);
  } catch (const FileError& e) {
    reportFileError(e);
    return;
  }
  if (!totals_) totals_ = std::make_unique<FormRiepilogo>(*this);
  totals_->show(std::move(totals));
}

void Modulo1::unloadForm3() {
  platform.post([this] { form3_.reset(); });
}

FormScad& Modulo1::scadenze() {
  if (!scadenze_) scadenze_ = std::make_unique<FormScad>(*this);
  return *scadenze_;
}

void Modulo1::unloadViewer() {
  platform.post([this] { viewer_.reset(); });
}

void Modulo1::readLookupList(const char* bareName, const std::function<void(const std::string& path)>& read) {
  try {
    read(lookupPath(bareName));
    lookupFailuresTold_.erase(bareName);
  } catch (const FileError& e) {
    // Every activation reloads the lists: one message is enough.
    if (lookupFailuresTold_.insert(bareName).second) reportFileError(e);
  }
}

void Modulo1::LoadProvinces(ui::Control& province, ui::Control& association) {
  province.setFontName("courier new");
  association.setFontName("courier new");
  province.clearItems();
  association.clearItems();
  readLookupList(kProvinceFile, [&](const std::string& path) {
    forEachProvinceItem(path, [&](std::string_view item) { province.addItem(item); });
  });
}

void Modulo1::LoadAssociations(ui::Control& province, ui::Control& association) {
  association.clearItems();
  const std::string text = province.text();
  readLookupList(kAssociationFile, [&](const std::string& path) {
    forEachAssociationItem(path, siglaOf(text), [&](std::string_view item) { association.addItem(item); });
  });
}

void Modulo1::ReloadList() { form1().ReloadList(); }

void Modulo1::refreshStatus() {
  if (form1_) form1_->showStatus();
}

bool Modulo1::openVolunteer(std::string_view key) {
  try {
    ui::BusyPointer busy(platform);
    lookupByKey(percorso_wrk(), key, record);
  } catch (const FileError& e) {
    // The record is left as it was rather than shown as someone else.
    reportFileError(e);
    return false;
  }
  modo = std::string("m");  // (assigning the literal itself trips a false warning of gcc 12 at -O3)
  form4().show();
  return true;
}

bool Modulo1::refuseWorkFile(const std::string& path) {
  if (!isWorkFile(paths, path)) return false;
  message("Il file " + cp1252::fromUtf8(path) +
          " \xE8 un file di lavoro del programma e non pu\xF2 essere usato come archivio n\xE9 sovrascritto."
          "\nScegliere un altro file.");
  return true;
}

void Modulo1::enableRecovery(const std::string& stateFolder) { run_.emplace(stateFolder, paths.startFolder); }

void Modulo1::setModificato(bool value) {
  modificato = value;
  rememberRun();
  refreshStatus();
}

void Modulo1::setNomeArchivio(std::string path) {
  nome_archivio = std::move(path);
  rememberRun();
  refreshStatus();
}

std::optional<RunState> Modulo1::lastRun() const { return run_ ? run_->load() : std::nullopt; }

std::size_t Modulo1::changeWorkCopy(const RewritePass& pass) {
  recordRun({nome_archivio, true, true});
  std::size_t lines = 0;
  try {
    lines = rewriteWorkCopy(paths, pass);
  } catch (...) {
    rememberRun();
    throw;
  }
  setModificato(true);
  return lines;
}

void Modulo1::rememberRun() { recordRun({nome_archivio, modificato, true}); }

void Modulo1::recordRun(const RunState& state) {
  if (!run_ || recorded_ == state) return;
  try {
    run_->save(state);
    recorded_ = state;
  } catch (const FileError& e) {
    run_.reset();
    message(e.userMessage() +
            "\nSe il programma si chiudesse in modo imprevisto, le modifiche non salvate non potrebbero "
            "essere recuperate.");
  }
}

void Modulo1::endRun() {
  if (run_) run_->clear();
  run_.reset();
}

void Modulo1::reportFileError(const FileError& error) { message(error.userMessage()); }

void Modulo1::message(std::string_view text) { platform.messageBox(text, ui::Buttons::Ok); }

}  // namespace krt
