// The province-by-province merge on any two inputs: it ends, writes only
// whole lines of its inputs, every non-empty line of the added input up to
// its end, and drops a line of the work copy only for a province the added
// input brings.
#include <set>

#include "fuzz/fuzz_support.h"
#include "mainwin/merge.h"
#include "records/file_io.h"
#include "records/fixed_text.h"

using namespace krt;

namespace {

// The lines an input yields to the merge: up to a line of exactly "FFFF",
// which stands for its end.
std::vector<std::string_view> untilEnd(std::vector<std::string_view> lines) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] == kEndOfInput) {
      lines.resize(i);
      break;
    }
  }
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const fuzz::ScratchFile workFile("merge-work");
  static const fuzz::ScratchFile addedFile("merge-added");
  static const fuzz::ScratchFile outFile("merge-out");
  if (size < 2) return 0;
  // The first two bytes say where the work copy ends and the added file begins.
  const std::size_t split = (static_cast<std::size_t>(data[0]) << 8 | data[1]) % (size - 1);
  const std::string_view rest(reinterpret_cast<const char*>(data) + 2, size - 2);
  const std::string_view workBytes = rest.substr(0, split);
  const std::string_view addedBytes = rest.substr(split);
  workFile.write(workBytes);
  addedFile.write(addedBytes);
  {
    LineReader work(workFile.path());
    LineReader added(addedFile.path());
    FileWriter out(outFile.path(), FileWriter::Mode::Replacing);
    mergeLines(work, added, out);
    out.commit();
  }
  const std::string mergedBytes = outFile.read();
  const std::vector<std::string_view> merged = fuzz::splitLines(mergedBytes);
  const std::vector<std::string_view> work = untilEnd(fuzz::splitLines(workBytes));
  std::vector<std::string_view> added;
  for (const auto& l : untilEnd(fuzz::splitLines(addedBytes))) {
    if (!l.empty()) added.push_back(l);
  }
  // The output interleaves the added lines, all of them and in their order,
  // with a subsequence of the work copy's lines.
  std::size_t w = 0;
  std::size_t a = 0;
  std::set<std::string_view> addedProvinces;
  for (const auto& l : added) addedProvinces.emplace(columns(l, 1, 20));
  for (const auto& l : merged) {
    if (a < added.size() && l == added[a]) {
      ++a;
      continue;
    }
    // A work line; those skipped before it must have been dropped for a
    // province of the added input.
    while (w < work.size() && work[w] != l) {
      if (!addedProvinces.count(columns(work[w], 1, 20)))
        fuzz::fail("a work copy line of a province the added file lacks was dropped");
      ++w;
    }
    if (w == work.size()) fuzz::fail("the merge wrote a line of neither input");
    ++w;
  }
  if (a != added.size()) fuzz::fail("a line of the added file is missing");
  for (; w < work.size(); ++w) {
    if (!addedProvinces.count(columns(work[w], 1, 20)))
      fuzz::fail("a work copy line of a province the added file lacks was dropped at the end");
  }
  return 0;
}
