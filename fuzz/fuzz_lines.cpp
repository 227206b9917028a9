// The line reader and the record parser: every input splits into the lines
// the rules give, whatever falls on the reader's block boundaries, and each
// line parses into a record that formats back into its own columns.
#include <cstring>

#include "fuzz/fuzz_support.h"
#include "records/file_io.h"
#include "records/fixed_text.h"
#include "records/volunteer_record.h"

using namespace krt;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const fuzz::ScratchFile file("lines");
  static const fuzz::ScratchFile copy("lines-copy");
  std::string bytes(reinterpret_cast<const char*>(data), size);
  // A first byte of 1 (mod 8) shifts the input to straddle the reader's 64 KiB
  // blocks, so that a CR LF may be split between two reads.
  if (size >= 2 && (data[0] & 7) == 1) {
    const std::size_t shift = (std::size_t{1} << 16) - (data[1] % 32);
    bytes.insert(0, shift, static_cast<char>('A' + data[1] % 3));
  }
  file.write(bytes);

  const std::vector<std::string> expected = fuzz::splitLines(bytes);
  std::vector<std::string> got;
  {
    LineReader in(file.path());
    std::string line;
    while (in.next(line)) got.push_back(line);
  }
  if (got != expected) fuzz::fail("LineReader split the input otherwise than the line rules");
  // The views without a copy give the very same lines.
  {
    LineReader in(file.path());
    std::string_view view;
    std::size_t i = 0;
    while (in.nextView(view)) {
      if (i >= expected.size() || view != expected[i]) fuzz::fail("nextView gave another line than the rules");
      ++i;
    }
    if (i != expected.size()) fuzz::fail("nextView missed lines");
  }

  // Every line parses into a record whose line is the first 809 columns,
  // blank-padded, with the reserved field blanked; and parsing that line
  // again gives the same line.
  for (const auto& l : got) {
    VolunteerRecord r;
    r.fromLine(l);
    if (recordKey(l) != std::string_view(l).substr(0, std::min<std::size_t>(l.size(), kKeyLength)))
      fuzz::fail("recordKey is not the first 110 characters");
    std::string want = l.substr(0, std::min(l.size(), kLineLength));
    want.resize(kLineLength, ' ');
    want.replace(806, 3, "   ");
    const std::string formatted = r.toLine();
    if (formatted != want) fuzz::fail("fromLine/toLine do not keep the columns");
    VolunteerRecord again;
    again.fromLine(formatted);
    if (again.toLine() != formatted) fuzz::fail("a formatted line does not parse back into itself");
    for (const FieldInfo& f : volunteerFields()) {
      if (fieldText(r, f) != std::string_view(want).substr(f.offset(), f.width))
        fuzz::fail("a field is not at its columns");
    }
  }

  // The copies: lines re-terminated, bytes kept exactly.
  copyLines(file.path(), copy.path(), false);
  std::string reterminated;
  for (const auto& l : expected) reterminated += l + "\r\n";
  if (copy.read() != reterminated) fuzz::fail("copyLines did not re-terminate the lines");
  copyBytes(file.path(), copy.path());
  if (copy.read() != bytes) fuzz::fail("copyBytes changed the bytes");
  copyLines(file.path(), copy.path(), true);
  std::string kept;
  for (const auto& l : expected) {
    if (!isBlank(l)) kept += l + "\r\n";
  }
  if (copy.read() != kept) fuzz::fail("copyLines kept a blank line or lost another");
  return 0;
}
