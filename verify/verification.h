// "Verifica": checks every volunteer of the work copy against the data rules
// and shows the report.
//
// The check itself (verifyArchive) knows nothing of windows: it reads any
// archive and writes the report to any path, so the batch tool runs the
// very same rules. runVerification is the main window's command around it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "records/file_io.h"
#include "records/numeric.h"
#include "records/volunteer_record.h"

namespace krt {

class Modulo1;

// The report being written and the flags of the run. Every rule that finds
// a violation calls scrivi_errore with its message.
class ErrorReport {
 public:
  explicit ErrorReport(LineSink& out) : out_(out) {}

  // Before the rules are applied to a volunteer: remembers its
  // identification line (columns 21-110 of its line) and clears the
  // header-written flag.
  void startVolunteer(std::string_view identification);

  // Records one violation: sets the error-found flag; for the volunteer's
  // first violation writes an empty line and the identification line; then
  // the message line.
  void scrivi_errore(std::string_view messaggio);

  bool errorFound() const { return errore_trovato_; }
  std::size_t volunteers() const { return volunteers_; }
  std::size_t volunteersWithErrors() const { return volunteersWithErrors_; }
  std::size_t violations() const { return violations_; }

 private:
  void writeLine(std::string_view text);

  LineSink& out_;
  std::string_view identification_;
  bool errore_trovato_ = false;
  bool intestazione_scritta_ = false;
  std::size_t volunteers_ = 0;
  std::size_t volunteersWithErrors_ = 0;
  std::size_t violations_ = 0;
};

// Applies the 38 rules, in their order, to one volunteer.
void checkVolunteer(const VolunteerRecord& r, const NumberFormat& format, ErrorReport& report);

struct VerificationResult {
  bool errorFound = false;
  std::size_t volunteers = 0;            // lines checked
  std::size_t volunteersWithErrors = 0;  // lines with at least one violation
  std::size_t violations = 0;            // message lines written
};

// The title the viewer shows above the report.
std::string_view reportTitle(bool errorFound);

// Checks every line `in` gives, one after the other, and writes the
// report's lines to `out`. Each line is parsed into `current`, which
// afterwards holds the last one.
VerificationResult verifyLines(LineReader& in, LineSink& out, const NumberFormat& format, VolunteerRecord& current);

// The same from the file `archive` to the file `report`, which replaces the
// old one only once it is complete. Throws FileError when the archive
// cannot be read or the report written; the old report then stays as it was.
VerificationResult verifyArchive(const std::string& archive, const std::string& report, const NumberFormat& format,
                                 VolunteerRecord& current);

// The menu command: checks the work copy into verifica.txt and shows the
// report viewer; a file failure is told to the user and shows no viewer.
void runVerification(Modulo1& m);

}  // namespace krt
