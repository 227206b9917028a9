// The verification on any archive: it ends, checks every line, its report
// holds exactly the lines its counts announce, and it is the report of the
// lines as the line rules written out here split them, checked one by one.
//
// The archive is read and the report written in memory: a report written
// to a file would be flushed once every 64 KiB, and the fuzzer, rewarded
// for each new count of flushes, would grow its inputs towards reports of
// megabytes.
#include "fuzz/fuzz_support.h"
#include "records/file_io.h"
#include "records/fixed_text.h"
#include "verify/verification.h"

using namespace krt;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::MemoryLines written;
  static fuzz::MemoryLines expected;
  if (size < 1) return 0;
  // The first byte picks the number format the user's locale would give.
  NumberFormat format;
  switch (data[0] % 4) {
    case 0:
      break;
    case 1:
      format = {',', '.'};
      break;
    case 2:
      format = {'.', ','};
      break;
    default:
      format = {',', static_cast<char>(data[0] >> 2)};
      break;
  }
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  LineReader archive("archivio", bytes);
  written.text.clear();
  VolunteerRecord current;
  const VerificationResult result = verifyLines(archive, written, format, current);

  const std::vector<std::string_view> lines = fuzz::splitLines(bytes);
  if (result.volunteers != lines.size()) fuzz::fail("a line of the archive was not checked");
  if (result.errorFound != (result.violations > 0)) fuzz::fail("the error flag disagrees with the count");
  if (result.volunteersWithErrors > result.volunteers) fuzz::fail("more volunteers with errors than volunteers");
  // Every report line is ended by CR LF, and there is one per violation
  // plus an empty line and an identification line per volunteer with errors.
  std::size_t ends = 0;
  for (std::size_t at = 0; (at = written.text.find("\r\n", at)) != std::string::npos; at += 2) ++ends;
  if (ends != result.violations + 2 * result.volunteersWithErrors) fuzz::fail("the report and its counts disagree");
  if (!lines.empty()) {
    VolunteerRecord last;
    last.fromLine(lines.back());
    if (last.bytes() != current.bytes()) fuzz::fail("the current record is not the last line");
  }

  // The lines split apart here, each parsed into a fresh record (the run
  // reuses one for every line) and checked on its own, give the very same
  // report. This checks every rule a second time: an input of odd length
  // is checked so, which halves the work of the others.
  if (size % 2 == 0) return 0;
  expected.text.clear();
  ErrorReport byLine(expected);
  for (const std::string_view line : lines) {
    VolunteerRecord r;
    r.fromLine(line);
    byLine.startVolunteer(columns(line, 21, 90));
    checkVolunteer(r, format, byLine);
  }
  if (expected.text != written.text) fuzz::fail("the report is not that of the lines checked one by one");
  return 0;
}
