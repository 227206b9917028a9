// The verification on any archive: it ends, checks every line, its report
// holds exactly the lines its counts announce, and checking it in two parts
// changes nothing.
#include "fuzz/fuzz_support.h"
#include "records/file_io.h"
#include "records/fixed_text.h"
#include "verify/verification.h"

using namespace krt;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const fuzz::MemoryFile archive("verify-archive");
  static const fuzz::ScratchFile report("verify-report");
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
  const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  archive.write(bytes);
  VolunteerRecord current;
  const VerificationResult result = verifyArchive(archive.path(), report.path(), format, current);

  const std::vector<std::string> lines = fuzz::splitLines(bytes);
  if (result.volunteers != lines.size()) fuzz::fail("a line of the archive was not checked");
  if (result.errorFound != (result.violations > 0)) fuzz::fail("the error flag disagrees with the count");
  if (result.volunteersWithErrors > result.volunteers) fuzz::fail("more volunteers with errors than volunteers");
  const std::string written = report.read();
  // Every report line is ended by CR LF, and there is one per violation
  // plus an empty line and an identification line per volunteer with errors.
  std::size_t ends = 0;
  for (std::size_t i = 0; i + 1 < written.size(); ++i) {
    if (written[i] == '\r' && written[i + 1] == '\n') ++ends;
  }
  if (ends != result.violations + 2 * result.volunteersWithErrors) fuzz::fail("the report and its counts disagree");
  if (!lines.empty()) {
    VolunteerRecord last;
    last.fromLine(lines.back());
    if (last.bytes() != current.bytes()) fuzz::fail("the current record is not the last line");
  }

  // Checked in two parts (the second one's memory from the first byte), the
  // archive gives the very same report, counts and current record.
  static const fuzz::ScratchFile shared("verify-shared");
  VolunteerRecord sharedCurrent;
  const VerificationResult two =
      verifyArchive(archive.path(), shared.path(), format, sharedCurrent, {0, static_cast<std::size_t>(data[0]) * 8});
  if (shared.read() != written) fuzz::fail("two parts give another report");
  if (two.volunteers != result.volunteers || two.violations != result.violations ||
      two.volunteersWithErrors != result.volunteersWithErrors || two.errorFound != result.errorFound)
    fuzz::fail("two parts give other counts");
  if (sharedCurrent.bytes() != current.bytes()) fuzz::fail("two parts leave another current record");
  return 0;
}
