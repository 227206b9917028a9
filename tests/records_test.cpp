// The record, its line format and the line rules of the files.
#include "records/file_io.h"
#include "records/numeric.h"
#include "records/work_files.h"
#include "support.h"

namespace krt::test {
namespace {

using Lines = std::vector<std::string>;

Lines readLines(const std::string& path) {
  Lines lines;
  forEachLine(path, [&](const std::string& l) { lines.push_back(l); });
  return lines;
}

// A full line round-trips but for the reserved field; fields are fixed width,
// long lines are cut and an empty one is all blanks.
TEST(Record, RoundTripFixedWidthsAndKeys) {
  std::string full;
  for (std::size_t i = 0; i < kLineLength; ++i) full += static_cast<char>('A' + i % 26);
  VolunteerRecord r;
  r.fromLine(full);
  EXPECT_EQ(r.toLine(), full.substr(0, 806) + "   ");
  r.cognome = "ROSSI";
  EXPECT_EQ(r.cognome.view(), "ROSSI" + std::string(20, ' '));
  r.cognome = std::string(30, 'X');
  EXPECT_EQ(r.cognome.view(), std::string(25, 'X'));
  r.fromLine(std::string(809, 'A') + "TAIL");
  EXPECT_EQ(r.toLine(), std::string(806, 'A') + "   ");
  r.fromLine("");
  EXPECT_EQ(r.bytes(), std::string(809, ' '));
  EXPECT_EQ(recordKey("ABC"), "ABC");
  EXPECT_EQ(recordKey(std::string(109, 'z') + "yx"), std::string(109, 'z') + "y");
}

TEST(Cp1252, UpperCaseAndUtf8) {
  EXPECT_EQ(cp1252::upper(W("città è perché àòù ÿ œ š ž ß µ ÷")), W("CITTÀ È PERCHÉ ÀÒÙ Ÿ Œ Š Ž ß µ ÷"));
  std::string all;
  for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
  EXPECT_EQ(cp1252::fromUtf8(cp1252::toUtf8(all)), all);
}

class LineFiles : public TempDirTest {};

// CR LF, or CR alone, ends a line; a lone LF is part of the line. Lines are
// read as copies and as views of the read buffer alike.
TEST_F(LineFiles, LineEndsFollowTheArchiveRules) {
  // CR LF split across two reads, whether the buffer holds 64 or 256 KiB, then
  // line ends on every position of the buffer.
  std::string big;
  Lines bigLines;
  for (const std::size_t cr : {std::size_t{65535}, std::size_t{262143}}) {
    bigLines.push_back(std::string(cr - big.size(), 'a'));
    big += bigLines.back() + "\r\n";
  }
  for (int i = 0; i < 30000; ++i) {
    bigLines.push_back(std::string(static_cast<std::size_t>(i % 7), 'x'));
    big += bigLines.back() + (i % 5 ? "\r\n" : "\r");
  }
  const std::pair<std::string, Lines> cases[] = {
      {"uno\r\ndue\rtre\nquattro\r\n\r\ncinque", {"uno", "due", "tre\nquattro", "", "cinque"}},
      {"", {}},
      {"\r\r\r", {"", "", ""}},
      {"x\r\ry\r\r\nz", {"x", "", "y", "", "z"}},  // CR CR is two line ends, whatever follows
      {"\n\n", {"\n\n"}},
      {W("città\r\n\xE8\r"), {W("città"), "\xE8"}},
      {big, bigLines},
  };
  for (const auto& [bytes, expected] : cases) {
    writeFile(path("a"), bytes);
    EXPECT_EQ(readLines(path("a")), expected) << bytes.substr(0, 40);
    LineReader views(path("a"));
    Lines seen;
    std::string_view v;
    while (views.nextView(v)) seen.emplace_back(v);
    EXPECT_EQ(seen, expected) << bytes.substr(0, 40);
  }
}

TEST(Numeric, LocaleSeparatorsAndEdges) {
  const NumberFormat c{'.', '\0'}, it{',', '.'};
  for (const char* ok : {" 5", "5 ", "-3", "+4", ".5", "5.", "2E-2"}) EXPECT_TRUE(isNumeric(ok, c)) << ok;
  for (const char* bad : {"", "  ", "5a", "1,5", "e3", "1e", "+", ".", "1 2"}) EXPECT_FALSE(isNumeric(bad, c)) << bad;
  for (const char* ok : {"1.234,5", ",5"}) EXPECT_TRUE(isNumeric(ok, it)) << ok;
  for (const char* bad : {".5", "1,2,3"}) EXPECT_FALSE(isNumeric(bad, it)) << bad;
}

}  // namespace
}  // namespace krt::test
