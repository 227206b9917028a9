// The record, its line format and the line rules of the files.
#include "records/file_io.h"
#include "records/numeric.h"
#include "records/work_files.h"
#include "platform/line_store.h"
#include "support.h"

namespace krt::test {
namespace {

using Lines = std::vector<std::string>;

// One archive line typed by hand, and where each field lies in it: the
// columns are written here, not taken from the record's own table, so a
// field moved or two fields swapped in that table fail this test.
const std::string kGolden =
    "ROMA                " "RADIO CLUB ROMA                         " "ROSSI                    "
    "MARIO                    " "VIA APPIA NUOVA 12                      " "00179"
    "FRASCATI                                " "RM  " "01234" "1988" "05678" "1990" "1961" "O" "COC" "SI" "NO"
    "06 1234567 SERA                    " "PONTI RADIO                   " "ELETTRICISTA                  " "BS"
    "PREFETTURA DI ROMA            " "12/03/1980" "12/03/2030" "SI" "QUESTURA DI ROMA              " "01/06/2015"
    "01/06/2025" "OFFICINE MECCANICHE TIBURTINE SPA                 " "VIA TIBURTINA 1000                      "
    "00156" "GUIDONIA                                " "LT  " "06 7654321 UFFICIO PERSONALE       " "P" "01" "R"
    "03" "R" "05" "P" "07" "NO" "21" "22" "23" "24" "25" "26" "YAESU FT-817  " "ICOM IC-2E    "
    "GRUPPO ELETTROGENO 2 KW                 " "SI" "NO" "SI" "15" "SI" "AB123CD " "NO" "04" "RM654321"
    "REFERENTE DI ZONA                       " "CORSO BASE 1995                         " "   ";

struct Column {
  const char* name;
  std::size_t first, last;
  std::string_view (*field)(const VolunteerRecord&);
};
#define COL(name, first, last) \
  Column { #name, first, last, [](const VolunteerRecord& r) { return std::string_view(r.name.view()); } }
const Column kColumns[] = {
    COL(provincia, 1, 20), COL(associazione, 21, 60), COL(cognome, 61, 85), COL(nome, 86, 110), COL(via, 111, 150),
    COL(cap, 151, 155), COL(citta, 156, 195), COL(prov_residenza, 196, 199), COL(tessera_krt, 200, 204),
    COL(anno_krt, 205, 208), COL(tessera_tov, 209, 213), COL(anno_tov, 214, 217), COL(anno_nascita, 218, 221),
    COL(qualifica, 222, 222), COL(livello, 223, 225), COL(segreteria, 226, 227), COL(krt_mare, 228, 229),
    COL(recapito, 230, 264), COL(spec_associazione, 265, 294), COL(spec_professionale, 295, 324),
    COL(patente, 325, 326), COL(patente_rilasciata_da, 327, 356), COL(patente_data, 357, 366),
    COL(patente_scadenza, 367, 376), COL(passaporto, 377, 378), COL(passaporto_rilasciato_da, 379, 408),
    COL(passaporto_data, 409, 418), COL(passaporto_scadenza, 419, 428), COL(ditta, 429, 478),
    COL(ditta_via, 479, 518), COL(ditta_cap, 519, 523), COL(ditta_citta, 524, 563), COL(ditta_provincia, 564, 567),
    COL(ditta_recapito, 568, 602), COL(disp_1g, 603, 603), COL(ore_1g, 604, 605), COL(disp_3g, 606, 606),
    COL(ore_3g, 607, 608), COL(disp_3g_fuori, 609, 609), COL(ore_3g_fuori, 610, 611), COL(disp_1s_fuori, 612, 612),
    COL(ore_1s_fuori, 613, 614), COL(ore_2s_fuori, 615, 616), COL(veicolare_27, 617, 618), COL(palmare_27, 619, 620),
    COL(veicolare_43, 621, 622), COL(palmare_43, 623, 624), COL(veicolare_vhf, 625, 626), COL(palmare_vhf, 627, 628),
    COL(altro_1, 629, 642), COL(altro_2, 643, 656), COL(attrezzature, 657, 696), COL(packet, 697, 698),
    COL(packet_incluso, 699, 700), COL(stazione_campale, 701, 702), COL(giorni_corso, 703, 704),
    COL(autovettura, 705, 706), COL(targa, 707, 714), COL(gancio, 715, 716), COL(posti_letto, 717, 718),
    COL(targa_camper, 719, 726), COL(note_provinciale, 727, 766), COL(note_nazionale, 767, 806),
    COL(riservato, 807, 809),
};
#undef COL

TEST(Record, GoldenLineFieldsLieAtTheirColumns) {
  ASSERT_EQ(kGolden.size(), 809u);
  ASSERT_EQ(std::size(kColumns), kFieldCount);
  VolunteerRecord r;
  r.fromLine(kGolden + "TAIL");  // text after column 809 is ignored
  for (const auto& c : kColumns) {
    SCOPED_TRACE(c.name);
    const std::string_view typed = std::string_view(kGolden).substr(c.first - 1, c.last - c.first + 1);
    const FieldInfo* info = findField(c.name);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(std::tuple(c.field(r), fieldText(r, *info), info->offset() + 1, info->offset() + info->width),
              std::tuple(typed, typed, c.first, c.last));
  }
  EXPECT_EQ(r.key(), kGolden.substr(0, 110));
  EXPECT_EQ(recordKey(kGolden), kGolden.substr(0, 110));
  // The reserved columns are written as blanks whatever they held.
  r.fromLine(kGolden.substr(0, 806) + "XYZ");
  EXPECT_EQ(r.toLine(), kGolden);
  // Fixed widths: a short line is padded, a value is padded or cut.
  r.fromLine("ROMA");
  EXPECT_EQ(r.toLine(), "ROMA" + std::string(805, ' '));
  r.cognome = "ROSSI";
  r.nome = std::string(30, 'X');
  EXPECT_EQ(r.toLine().substr(60, 50), "ROSSI" + std::string(20, ' ') + std::string(25, 'X'));
}

TEST(Cp1252, UpperCaseAndUtf8) {
  EXPECT_EQ(cp1252::upper(W("città è perché àòù ÿ œ š ž ß µ ÷")), W("CITTÀ È PERCHÉ ÀÒÙ Ÿ Œ Š Ž ß µ ÷"));
  std::string all;
  for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
  EXPECT_EQ(cp1252::fromUtf8(cp1252::toUtf8(all)), all);
}

class LineFiles : public TempDirTest {};

// CR LF, or CR alone, ends a line; a lone LF is part of the line. Lines are
// read as copies and as views of the read buffer alike, from a file or from
// bytes in memory.
TEST_F(LineFiles, LineEndsFollowTheArchiveRules) {
  const auto views = [](LineReader&& reader) {
    Lines seen;
    std::string_view v;
    while (reader.nextView(v)) seen.emplace_back(v);
    return seen;
  };
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
      {"uno\r\ndue\rtre\nquattro\r\n\r\ncinque", {"uno", "due", "tre\nquattro", "", "cinque"}}, {"", {}},
      {"\r\r\r", {"", "", ""}}, {"x\r\ry\r\r\nz", {"x", "", "y", "", "z"}},  // CR CR is two line ends, whatever follows
      {"\n\n", {"\n\n"}}, {W("città\r\n\xE8\r"), {W("città"), "\xE8"}}, {big, bigLines},
  };
  for (const auto& [bytes, expected] : cases) {
    writeFile(path("a"), bytes);
    Lines copies;
    forEachLine(path("a"), [&](const std::string& l) { copies.push_back(l); });
    EXPECT_EQ(std::tuple(copies, views(LineReader(path("a"))), views(LineReader("a", bytes))),
              std::tuple(expected, expected, expected))
        << bytes.substr(0, 40);
  }
}

// A list's lines come back byte for byte across the edges of the store's
// blocks, a line longer than a block and an empty line included.
TEST(LineStore, KeepsEveryLineAcrossBlockEdges) {
  std::vector<std::string> lines;
  for (int i = 0; i < 30000; ++i) lines.push_back(std::string(static_cast<std::size_t>(i % 113), 'a') + std::to_string(i));
  lines.insert(lines.begin() + 20000, {std::string((1 << 20) + 5, 'x'), "", "\xE8"});
  ui::LineStore store;
  for (const auto& l : lines) store.add(l);
  ASSERT_EQ(store.size(), lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) ASSERT_EQ(store[i], lines[i]) << "line " << i;
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
