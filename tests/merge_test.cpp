// "Aggiungere un archivio": the province-by-province merge.
#include <filesystem>

#include "records/file_io.h"
#include "support.h"

namespace krt::test {
namespace {

using Lines = std::vector<std::string>;

// A record line of a province; `who` tells the lines apart.
std::string rec(const std::string& province, const std::string& who) {
  return line({{"provincia", province}, {"associazione", "RADIO CLUB"}, {"cognome", who}});
}

class MergeTest : public AppTest {
 protected:
  // Chooses a file holding `bytes` in the dialog of "Aggiungere un archivio".
  void merge(const std::string& bytes) {
    writeFile(path("aggiunto.txt"), bytes);
    ui.chooseFile(path("aggiunto.txt"));
    main().click("mnaggiu");
  }
};

// The added lines of each province take the place of the work copy's, line by
// line in the order of both files; then a message box tells, for each province
// of the added file in the order first met there, the work copy's lines
// dropped and the added lines written for it, and how many lines the work
// copy now holds.
TEST_F(MergeTest, TheSummaryTellsWhatEachProvinceOfTheAddedFileDid) {
  const auto a = rec("ANCONA", "1"), b = rec("BARI", "1"), c = rec("COMO", "1"), d = rec("DOLO", "1");
  const auto upper = rec("ROMA", "U"), lower = rec("roma", "L"), n = rec("ROMA", "NUOVO"), n0 = rec("ROMA", "NUOVO 0");
  const auto longLine = rec("ROMA", "A") + "TESTO OLTRE LA COLONNA 809";
  // 22 provinces: the first 20 told one a line, the others counted.
  Lines many;
  std::string manyTold;
  for (int i = 10; i < 32; ++i) {
    many.push_back(rec("P" + std::to_string(i), "1"));
    if (i < 30) manyTold += "P" + std::to_string(i) + ": sostituiti 0, aggiunti 1\n";
  }
  manyTold += W("… e altre 2 province") + "\nVolontari nell'archivio: 22";
  struct Case {
    const char* what;
    std::string work, added;
    Lines expected;    // not checked when empty
    std::string told;  // the message box's text; not checked when empty
  };
  const Case cases[] = {
      // The added lines of a province in their order, whatever their names.
      {"a province replaced", crlf({a, b, upper, upper, lower}), crlf({n, n0}), {a, b, n, n0, lower}, ""},
      {"a province between two", crlf({a, c}), crlf({b}), {a, b, c}, ""},
      {"lower case is another province, after upper case", crlf({lower}), crlf({upper}), {upper, lower}, ""},
      {"identical files", crlf({a, b, c}), crlf({a, b, c}), {a, b, c}, ""},
      {"empty work copy: no empty lines", "", crlf({"", a, "", b, c, ""}), {a, b, c}, ""},
      {"empty added file: re-terminated", a + "\r\n\r\n" + b + "\r" + c, "", {a, "", b, c}, ""},
      // B < C: B; D > C: C; D > A: A; added ends: D.
      {"unordered", crlf({b, d}), crlf({c, a}), {b, c, a, d}, ""},
      {"FFFF ends its input", crlf({a, "FFFF", d}), crlf({b, "FFFF", c}), {a, b}, ""},
      {"replaced and new", crlf({a, b, b, c}), crlf({rec("BARI", "N"), "", rec("BARI", "M"), rec("DOLO", "N")}), {},
       "BARI: sostituiti 2, aggiunti 2\nDOLO: sostituiti 0, aggiunti 1\nVolontari nell'archivio: 5"},
      // BARI met again after ANCONA counts with its first meeting.
      {"unordered summary", crlf({a, b, b, c}), crlf({rec("BARI", "N"), rec("ANCONA", "N"), rec("BARI", "M")}), {},
       "BARI: sostituiti 2, aggiunti 2\nANCONA: sostituiti 0, aggiunti 1\nVolontari nell'archivio: 5"},
      {"nothing brought", crlf({a, b}), crlf({"", ""}), {}, "Nessun volontario aggiunto."},
      {"more than 20 provinces", "", crlf(many), {}, manyTold},
      {"lines written whole", crlf({"MILANO"}), crlf({longLine}), {"MILANO", longLine}, ""},
  };
  for (const auto& [what, work, added, expected, told] : cases) {
    SCOPED_TRACE(what);
    m->modificato = false;
    setWorkCopy(work);
    merge(added);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(std::pair(told.empty() ? told : ui.messages[0].text, ui.messages[0].buttons),
              std::pair(told, ui::Buttons::Ok));
    if (!expected.empty()) {
      EXPECT_EQ(std::pair(workCopy(), m->modificato), std::pair(crlf(expected), true));
    }
    ui.messages.clear();
  }
  EXPECT_EQ(items("Form1", "List1"), (Lines{"MILANO", longLine.substr(0, 110)}));
  EXPECT_EQ(ui.openDialogs.back().title, "Nome del file da aggiungere");
  EXPECT_EQ(ui.openDialogs.back().filter, "File di testo (*.txt)|*.txt|Tutti i file (*.*)|*.*");
}

TEST_F(MergeTest, AFailureInTheMiddleLeavesTheWorkCopyAsItWas) {
  openArchive(crlf({rec("MILANO", "A"), rec("ROMA", "B")}));
  const std::string before = workCopy();
  // Writing workfile.wrk fails; then putting it in place of the work copy.
  const std::pair<io::Op, std::string> faults[] = {{io::Op::Write, m->percorso_temp()},
                                                   {io::Op::Rename, m->percorso_wrk()}};
  for (const auto& [failing, target] : faults) {
    io::setFaultHook([&](io::Op op, const std::string& p) { return op == failing && p == target; });
    merge(crlf({rec("ROMA", "NUOVO")}));
    io::setFaultHook(nullptr);
    const auto shown = ui.takeMessages();
    ASSERT_EQ(shown.size(), 1u) << target;
    EXPECT_NE(shown[0].find(std::filesystem::path(target).filename().string()), std::string::npos) << shown[0];
    EXPECT_EQ(std::pair(workCopy(), m->modificato), std::pair(before, false)) << target;
  }
  // A cancelled dialog does nothing; a chosen file that cannot be read is named.
  ui.chooseFile(std::nullopt);
  main().click("mnaggiu");
  std::filesystem::create_directory(path("cartella.txt"));
  ui.chooseFile(path("cartella.txt"));
  main().click("mnaggiu");
  const auto shown = ui.takeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].rfind("Impossibile leggere il file " + path("cartella.txt"), 0), 0u) << shown[0];
  EXPECT_EQ(workCopy(), before);
}

}  // namespace
}  // namespace krt::test
