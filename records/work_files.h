// The work files: the work copy volontari.wrk, its rebuild through
// workfile.wrk, the verification report, and the lookup lists.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "records/file_io.h"
#include "records/volunteer_record.h"

namespace krt {

// The paths of the work files in the start-up folder.
struct WorkPaths {
  std::string startFolder;
  std::string wrk;       // percorso_wrk: volontari.wrk
  std::string temp;      // percorso_temp: workfile.wrk
  std::string verifica;  // percorso_verifica: verifica.txt

  static WorkPaths inFolder(const std::string& folder);
};

// Whether `path` names one of the three work files (under any path or
// link): the same file when both exist, else the same name in the same
// real folder. Reading such a file as an archive, or writing an archive or
// a print over it, would lose data the program itself rewrites or empties.
bool isWorkFile(const WorkPaths& paths, const std::string& path);

// One pass of a rebuild: reads the work copy and writes the new content.
using RewritePass = std::function<void(LineReader& workCopy, FileWriter& workfile)>;

// The two-phase rewrite every change of the record set goes through:
// the pass streams the work copy into workfile.wrk with the change applied;
// only when that file is complete is the work copy replaced by it
// (ReplaceWorkCopy). A failure in the pass leaves the work copy untouched;
// workfile.wrk stays on disk afterwards. Returns the new work copy's lines.
std::size_t rewriteWorkCopy(const WorkPaths& paths, const RewritePass& pass);

// Copies workfile.wrk over the work copy, line by line, each line ended by
// CR LF. The copy replaces the work copy in one step. Returns its lines.
std::size_t ReplaceWorkCopy(const WorkPaths& paths);

// Reads the work copy from the top and parses the first line whose first
// 110 characters equal `key` into `record`; when none does, the record
// becomes all blanks. Returns whether a line was found.
bool lookupByKey(const std::string& workCopy, std::string_view key, VolunteerRecord& record);

// The lookup lists, read in file order.
inline constexpr const char* kProvinceFile = "province.dat";
inline constexpr const char* kAssociationFile = "associazioni.dat";

// Province choice items: characters 1-20 and 21-24 of each line.
void forEachProvinceItem(const std::string& path, const std::function<void(std::string_view)>& fn);

// The province abbreviation (`sigla`) in a province choice text:
// characters 21-24, empty when the text is shorter than 21 characters.
std::string_view siglaOf(std::string_view provinceText);

// Association choice items (characters 1-40 and 41-44) of the lines whose
// characters 41-44 equal `sigla` exactly.
void forEachAssociationItem(const std::string& path, std::string_view sigla,
                            const std::function<void(std::string_view)>& fn);

// ---- the start-up folder held for the program's life -----------------------

// What a second program on the same folder says before it ends (cp1252).
inline constexpr const char* kFolderInUse = "Il programma \xE8 gi\xE0 aperto in questa cartella.";

// An exclusive lock on the start-up folder, held for the life of the object.
// Start-up empties the work copy, so a second program on the same folder (by
// any path or link) must not start there. The lock is taken on the folder's
// own descriptor: it adds no file, and the system drops it when the process
// ends, however it ends.
class FolderLock {
 public:
  enum class State {
    Held,         // this process holds the folder
    InUse,        // another process holds it
    Unsupported,  // the folder or its file system cannot be locked
  };
  explicit FolderLock(const std::string& folder);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  State state() const { return state_; }

 private:
  int fd_ = -1;
  State state_ = State::Unsupported;
};

// ---- what a run leaves for the next one --------------------------------------

// The program's run in one start-up folder, as the next start there needs it
// to offer back the work of a run that did not end normally.
struct RunState {
  std::string archive;    // nome_archivio
  bool modified = false;  // modificato
  bool running = false;   // the run has not ended normally
  bool operator==(const RunState&) const = default;
};

// Where the run states live: $XDG_STATE_HOME/archivio when that variable is
// an absolute path, else ~/.local/state/archivio.
std::string defaultStateFolder();

// The run state of one start-up folder: one small file in the state folder,
// named after the folder's canonical path (so every path or link to the
// folder finds the same file), replaced whole at every change.
class RunRecord {
 public:
  RunRecord(std::string stateFolder, const std::string& startFolder);

  // The state the last run left; nothing when there is none or it cannot
  // be read.
  std::optional<RunState> load() const;
  // Writes the state (creating the state folder, private to the user, when
  // it is missing). Throws FileError.
  void save(const RunState& state) const;
  // A normal end: nothing is left to recover.
  void clear() const;

  const std::string& path() const { return path_; }

 private:
  std::string stateFolder_;
  std::string folder_;  // the canonical start-up folder
  std::string path_;
};

// Whether `last` is a run that did not end normally and left unsaved changes
// in a work copy that still holds something.
bool hasWorkToRecover(const std::optional<RunState>& last, const std::string& workCopy);

}  // namespace krt
