// The record, its line format and the line rules of the files.
#include "records/file_io.h"
#include "records/numeric.h"
#include "records/work_files.h"
#include "support.h"

namespace krt::test {
namespace {

std::vector<std::string> readLines(const std::string& path) {
  std::vector<std::string> lines;
  forEachLine(path, [&](const std::string& l) { lines.push_back(l); });
  return lines;
}

TEST(Record, FieldTableMatchesTheLineFormat) {
  const auto& f = volunteerFields();
  std::size_t column = 1;
  for (const auto& field : f) {
    EXPECT_EQ(field.column, column) << field.name;
    column += field.width;
  }
  EXPECT_EQ(column - 1, kLineLength);
  EXPECT_EQ(f[7].name, "prov_residenza");
  EXPECT_EQ(findField("ore_2s_fuori")->column, 615u);
  EXPECT_EQ(findField("note_nazionale")->column, 767u);
  EXPECT_EQ(findField("nessuno"), nullptr);
}

TEST(Record, FixedWidthAssignmentPadsAndCuts) {
  VolunteerRecord r;
  r.cognome = "ROSSI";
  EXPECT_EQ(r.cognome.view(), "ROSSI" + std::string(20, ' '));
  r.cognome = std::string(30, 'X');
  EXPECT_EQ(r.cognome.view(), std::string(25, 'X'));
  r.livello = "OR";
  EXPECT_EQ(r.livello.view(), "OR ");
  r.cognome = "";
  EXPECT_TRUE(r.cognome.blank());
}

TEST(Record, FullLineRoundTripsExceptReserved) {
  std::string full;
  for (std::size_t i = 0; i < kLineLength; ++i) full += static_cast<char>('A' + i % 26);
  VolunteerRecord r;
  r.fromLine(full);
  EXPECT_EQ(r.provincia.view(), full.substr(0, 20));
  EXPECT_EQ(r.ore_2s_fuori.view(), full.substr(614, 2));
  const std::string back = r.toLine();
  EXPECT_EQ(back.substr(0, 806), full.substr(0, 806));
  EXPECT_EQ(back.substr(806), "   ");
  EXPECT_EQ(r.key(), full.substr(0, 110));
}

TEST(Record, ShortLongAndEmptyLines) {
  VolunteerRecord r;
  const std::string key(110, 'K');
  r.fromLine(key);
  EXPECT_EQ(r.nome.view(), std::string(25, 'K'));
  EXPECT_TRUE(r.via.blank());
  EXPECT_TRUE(isBlank(r.bytes().substr(110)));

  r.fromLine(std::string(809, 'A') + "TAIL");
  EXPECT_EQ(r.toLine(), std::string(806, 'A') + "   ");

  r.fromLine("");
  EXPECT_EQ(r.bytes(), std::string(809, ' '));
  EXPECT_EQ(recordKey(""), "");
  EXPECT_EQ(recordKey("ABC"), "ABC");
  EXPECT_EQ(recordKey(std::string(200, 'z')).size(), 110u);
}

TEST(Cp1252, UpperCaseKeepsLengthAndHandlesAccents) {
  EXPECT_EQ(cp1252::upper(W("città è perché àòù")), W("CITTÀ È PERCHÉ ÀÒÙ"));
  EXPECT_EQ(cp1252::upper(W("ÿ œ š ž ß µ ÷")), W("Ÿ Œ Š Ž ß µ ÷"));
  const std::string all = [] {
    std::string s;
    for (int c = 0; c < 256; ++c) s += static_cast<char>(c);
    return s;
  }();
  EXPECT_EQ(cp1252::upper(all).size(), 256u);
}

TEST(Cp1252, Utf8ConversionRoundTripsEveryByte) {
  std::string all;
  for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
  EXPECT_EQ(cp1252::fromUtf8(cp1252::toUtf8(all)), all);
  EXPECT_EQ(cp1252::fromUtf8("€"), "\x80");
  std::size_t lost = 0;
  EXPECT_EQ(cp1252::fromUtf8("a\xE2\x82\xACz\xE4\xB8\xAD", &lost), "a\x80z?");
  EXPECT_EQ(lost, 1u);
  EXPECT_FALSE(cp1252::canEncode("中"));
  EXPECT_EQ(cp1252::fromUtf8("\xE8x"), "\xE8x");  // not UTF-8: taken as it is
}

class LineFiles : public TempDirTest {};

TEST_F(LineFiles, LineEndsFollowTheArchiveRules) {
  writeFile(path("a"), "uno\r\ndue\rtre\nquattro\r\n\r\ncinque");
  EXPECT_EQ(readLines(path("a")), (std::vector<std::string>{"uno", "due", "tre\nquattro", "", "cinque"}));
  writeFile(path("empty"), "");
  EXPECT_TRUE(readLines(path("empty")).empty());
  writeFile(path("cr"), "\r\r\r");
  EXPECT_EQ(readLines(path("cr")).size(), 3u);
  writeFile(path("crcr"), "x\r\ry\r\r\nz");  // CR CR is two line ends, whatever follows
  EXPECT_EQ(readLines(path("crcr")), (std::vector<std::string>{"x", "", "y", "", "z"}));
  writeFile(path("lf"), "\n\n");
  EXPECT_EQ(readLines(path("lf")), (std::vector<std::string>{"\n\n"}));
}

TEST_F(LineFiles, CrLfSplitAcrossTheReadBuffer) {
  // A line end that straddles two reads of the 64 KiB buffer.
  const std::string first(65535, 'a');
  writeFile(path("big"), first + "\r\nb\r\n" + std::string(200000, 'c'));
  const auto lines = readLines(path("big"));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], first);
  EXPECT_EQ(lines[1], "b");
  EXPECT_EQ(lines[2].size(), 200000u);
}

TEST_F(LineFiles, ViewsGiveTheSameLinesAsCopies) {
  // Many short lines so that line ends fall on every position of a block,
  // CR LF split across blocks, lone LFs, a last line without its end.
  std::string bytes;
  for (int i = 0; i < 30000; ++i) bytes += std::string(static_cast<std::size_t>(i % 7), 'x') + (i % 5 ? "\r\n" : "\r");
  bytes += "a\nb\r\n\r\nc\r\rd\r\r\nfine";
  writeFile(path("mix"), bytes);
  LineReader views(path("mix"));
  std::vector<std::string> seen;
  std::string_view v;
  while (views.nextView(v)) seen.emplace_back(v);
  EXPECT_EQ(seen, readLines(path("mix")));
  EXPECT_EQ(seen.back(), "fine");
}

TEST_F(LineFiles, CopiesReTerminateOrKeepBytes) {
  const std::string src = "uno\rdue\n\r\n   \r\n" + W("città") + "\r\nultima";
  writeFile(path("src"), src);
  copyLines(path("src"), path("lines"), false);
  EXPECT_EQ(readFile(path("lines")), "uno\r\ndue\n\r\n   \r\n" + W("città") + "\r\nultima\r\n");
  copyLines(path("src"), path("noblank"), true);
  EXPECT_EQ(readFile(path("noblank")), "uno\r\ndue\n\r\n" + W("città") + "\r\nultima\r\n");
  writeFile(path("bytes"), std::string(5000, 'x'));
  copyBytes(path("src"), path("bytes"));
  EXPECT_EQ(readFile(path("bytes")), src);
}

TEST_F(LineFiles, FailuresNameTheFileAndLeaveTheTarget) {
  EXPECT_THROW(forEachLine(path("missing"), [](const std::string&) {}), FileError);
  std::filesystem::create_directory(path("folder"));
  writeFile(path("src"), "a\r\n");
  try {
    copyLines(path("src"), path("folder"), false);
    FAIL() << "a folder cannot be written as a file";
  } catch (const FileError& e) {
    EXPECT_NE(e.userMessage().find("folder"), std::string::npos);
    EXPECT_EQ(e.userMessage().rfind("Impossibile creare il file", 0), 0u);
  }
  EXPECT_TRUE(std::filesystem::is_directory(path("folder")));
  // A failed write leaves the old target and no temporary file behind.
  writeFile(path("target"), "vecchio\r\n");
  io::setFaultHook([](io::Op op, const std::string&) { return op == io::Op::Sync; });
  EXPECT_THROW(copyLines(path("src"), path("target"), false), FileError);
  io::setFaultHook(nullptr);
  EXPECT_EQ(readFile(path("target")), "vecchio\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 3);
}

TEST(Numeric, LocaleSeparatorsAndEdges) {
  const NumberFormat c{'.', '\0'};
  for (const char* ok : {"12", " 5", "5 ", "-3", "+4", "1.5", ".5", "5.", "1e3", "2E-2", "0"})
    EXPECT_TRUE(isNumeric(ok, c)) << ok;
  for (const char* bad : {"", "  ", "NO", "5a", "1,000", "e3", "1e", "+", ".", "1 2", "--1"})
    EXPECT_FALSE(isNumeric(bad, c)) << bad;
  const NumberFormat it{',', '.'};
  EXPECT_TRUE(isNumeric("1.000", it));
  EXPECT_TRUE(isNumeric("1,5", it));
  EXPECT_TRUE(isNumeric("1.234,5", it));
  EXPECT_FALSE(isNumeric(".5", it));
}

// Fields are read a word at a time; that reading must agree with the text
// one, byte for byte, for every field width the record has.
template <std::size_t N>
void expectFieldAgreesWithText(const std::string& text, const NumberFormat& format) {
  const FixedText<N> field(text);
  ASSERT_EQ(isNumeric(field, format), isNumeric(field.view(), format)) << "'" << text << "'";
  ASSERT_EQ(packed(field), packed(field.view())) << "'" << text << "'";
  ASSERT_EQ(field.blank(), isBlank(field.view())) << "'" << text << "'";
}

TEST(Numeric, FieldsReadAsWordsAgreeWithTheText) {
  const NumberFormat formats[] = {{'.', '\0'}, {',', '.'}, {'.', ' '}};
  for (const auto& format : formats) {
    // Every pair of bytes, and every single byte.
    for (int a = 0; a < 256; ++a) {
      expectFieldAgreesWithText<1>(std::string(1, static_cast<char>(a)), format);
      for (int b = 0; b < 256; ++b)
        expectFieldAgreesWithText<2>(std::string{static_cast<char>(a), static_cast<char>(b)}, format);
    }
    // Wider fields: every arrangement of the bytes that matter.
    const std::string alphabet = " 09/:-.,e\xE0";  // digits, their neighbours, signs
    std::string text;
    const auto all = [&](auto& self, std::size_t width) -> void {
      if (text.size() == width) {
        expectFieldAgreesWithText<3>(text, format);
        expectFieldAgreesWithText<4>(text, format);
        expectFieldAgreesWithText<5>(text, format);
        expectFieldAgreesWithText<8>(text + "1 2", format);
        return;
      }
      for (const char c : alphabet) {
        text.push_back(c);
        self(self, width);
        text.pop_back();
      }
    };
    for (std::size_t width = 0; width <= 5; ++width) all(all, width);
  }
}

}  // namespace
}  // namespace krt::test
