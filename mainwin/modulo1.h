// The program-wide state and the procedures that several windows share.
//
// One Modulo1 is created by main() (or by a test) and handed to every window.
// It owns the windows: the main window from the start, the others from
// their first use.
#pragma once

#include <functional>
#include <cstddef>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "platform/ui.h"
#include "records/file_io.h"
#include "records/numeric.h"
#include "records/volunteer_record.h"
#include "records/work_files.h"

namespace krt {

class Form1;
class Form3;
class Form4;
class formv;
class FormRiepilogo;
struct SelectionCriteria;
class FormScad;

class Modulo1 {
 public:
  // startFolder: the folder current when the program starts (work files and
  // report); lookupFolder: where province.dat, associazioni.dat and krt.hlp
  // are found by their bare names (the current folder).
  Modulo1(ui::Platform& platform, std::string startFolder, std::string lookupFolder);
  ~Modulo1();
  Modulo1(const Modulo1&) = delete;
  Modulo1& operator=(const Modulo1&) = delete;

  ui::Platform& platform;

  // ---- shared state ----
  WorkPaths paths;                  // percorso_wrk, percorso_temp, percorso_verifica
  std::string nome_archivio;        // the current archive file, empty until named
  bool modificato = false;          // the work copy holds unsaved changes
  // The lines of the work copy, as the last pass over it counted them.
  std::size_t righe_copia = 0;
  std::string modo;                 // editor mode: "i" new volunteer, "m" chosen volunteer
  VolunteerRecord record;           // the current record
  bool mantieni_selezione = false;  // selection window: keep criteria on activation
  bool dotazioni_scelte = false;    // selection window: an equipment criterion chosen since the reset
  NumberFormat numberFormat = NumberFormat::fromEnvironment();
  std::string lookupFolder;
  // Where an installed program keeps the lists and help it ships with; empty
  // for none. Only the desktop program sets it.
  std::string systemDataDir;

  const std::string& percorso_wrk() const { return paths.wrk; }
  const std::string& percorso_temp() const { return paths.temp; }
  const std::string& percorso_verifica() const { return paths.verifica; }

  // Full path of a file named by its bare name (province.dat, krt.hlp).
  std::string lookupPath(std::string_view bareName) const;

  // ---- the run state, for recovery after a crash ----
  // Starts remembering this run in `stateFolder` (defaultStateFolder() for
  // the program); until then nothing is remembered. Call before form1().
  void enableRecovery(const std::string& stateFolder);
  // The two values the state holds, set and remembered at once.
  void setModificato(bool value);
  void setNomeArchivio(std::string path);
  // Rewrites the work copy through workfile.wrk with a change applied
  // (register, modify, delete, merge). The run is recorded as holding unsaved
  // changes before the work copy is touched, so that a crash during or just
  // after the rewrite still offers the change back at the next start;
  // modificato is set once the work copy is replaced. On a failure the record
  // goes back to the run as it was and the FileError propagates. Returns the
  // lines of the new work copy.
  std::size_t changeWorkCopy(const RewritePass& pass);
  // The state the last run in this folder left (read before this run
  // records its own).
  std::optional<RunState> lastRun() const;
  // Records the current state when it differs from the one recorded. A
  // state that cannot be written turns recovery off, and the user is told
  // once.
  void rememberRun();
  void recordRun(const RunState& state);
  // A normal end: nothing is left to recover.
  void endRun();

  // ---- windows ----
  Form1& form1();
  Form4& form4();  // created (loaded) on first use
  Form3& form3();
  formv& viewer();
  FormScad& scadenze();  // "Scadenze dei documenti", created on first use
  bool form4Loaded() const { return form4_ != nullptr; }
  bool form3Loaded() const { return form3_ != nullptr; }
  bool viewerLoaded() const { return viewer_ != nullptr; }
  // Discards a window once the current event is over (its close box).
  void unloadForm4();
  void unloadForm3();
  // The window "Riepilogo per provincia" with the totals of the work copy's
  // volunteers found by the criteria.
  void showTotals(const SelectionCriteria& criteria);
  void unloadViewer();

  // ---- shared procedures ----
  // Fills a province choice from province.dat and empties the association
  // choice; both get the fixed-pitch font. A lookup list that cannot be read
  // leaves its choice empty and is told once: not again until it has been
  // read, or a window is opened anew from the menu.
  void LoadProvinces(ui::Control& province, ui::Control& association);
  // Fills the association choice with the associations of the province now
  // in the province choice.
  void LoadAssociations(ui::Control& province, ui::Control& association);
  // A window opened from the menu tells again of a lookup list it cannot read.
  void retellLookupFailures() { lookupFailuresTold_.clear(); }
  // Refills the main list from the work copy.
  void ReloadList();
  // Shows the archive, righe_copia and modificato in the main window's
  // status line; called by every command that changes one of them.
  void refreshStatus();
  // Opens the volunteer of a list line in the editor: the first line of the
  // work copy with that key becomes the current record (all blanks when
  // none has it), modo "m", the editor shown. False, after telling the
  // user, when the work copy cannot be read: nothing is opened.
  bool openVolunteer(std::string_view key);

  // True, after telling the user, when `path` is one of the work files,
  // which no command may take as an archive or overwrite with one (nor with
  // a print or an export).
  bool refuseWorkFile(const std::string& path);

  // Tells the user about a file that could not be read or written.
  void reportFileError(const FileError& error);
  // A message box with the OK button.
  void message(std::string_view text);

 private:
  // Reads a lookup list (bare name) with `read`; a failure is told unless it
  // already was since the list was last read.
  void readLookupList(const char* bareName, const std::function<void(const std::string& path)>& read);

  std::set<std::string, std::less<>> lookupFailuresTold_;
  std::unique_ptr<Form1> form1_;
  std::unique_ptr<Form4> form4_;
  std::unique_ptr<Form3> form3_;
  std::unique_ptr<formv> viewer_;
  std::optional<RunRecord> run_;
  std::optional<RunState> recorded_;
  std::unique_ptr<FormRiepilogo> totals_;
  std::unique_ptr<FormScad> scadenze_;
};

}  // namespace krt
