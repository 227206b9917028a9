// The work files: the work copy volontari.wrk, its rebuild through
// workfile.wrk, the verification report, and the lookup lists.
#pragma once

#include <functional>
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

}  // namespace krt
