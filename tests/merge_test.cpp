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

TEST_F(MergeTest, WorkCopyAndAddedFileMergeLineByLine) {
  const auto a = rec("ANCONA", "1"), b = rec("BARI", "1"), c = rec("COMO", "1"), d = rec("DOLO", "1");
  const auto upper = rec("ROMA", "U"), lower = rec("roma", "L"), n = rec("ROMA", "NUOVO"), n0 = rec("ROMA", "NUOVO 0");
  const auto longLine = rec("ROMA", "A") + "TESTO OLTRE LA COLONNA 809";
  struct Case {
    const char* what;
    std::string work, added;
    Lines expected;
  };
  const Case cases[] = {
      // The added lines of a province in their order, whatever their names.
      {"a province replaced", crlf({a, b, upper, upper, lower}), crlf({n, n0}), {a, b, n, n0, lower}},
      {"a province between two", crlf({a, c}), crlf({b}), {a, b, c}},
      {"lower case is another province, after upper case", crlf({lower}), crlf({upper}), {upper, lower}},
      {"identical files", crlf({a, b, c}), crlf({a, b, c}), {a, b, c}},
      {"empty work copy: no empty lines", "", crlf({"", a, "", b, c, ""}), {a, b, c}},
      {"empty added file: re-terminated", a + "\r\n\r\n" + b + "\r" + c, "", {a, "", b, c}},
      // B < C: B; D > C: C; D > A: A; added ends: D.
      {"unordered", crlf({b, d}), crlf({c, a}), {b, c, a, d}},
      {"FFFF ends its input", crlf({a, "FFFF", d}), crlf({b, "FFFF", c}), {a, b}},
      {"lines written whole", crlf({"MILANO"}), crlf({longLine}), {"MILANO", longLine}},
  };
  for (const auto& [what, work, added, expected] : cases) {
    m->modificato = false;
    setWorkCopy(work);
    merge(added);
    ui.messages.clear();  // the summary
    EXPECT_EQ(workCopy(), crlf(expected)) << what;
    EXPECT_TRUE(m->modificato) << what;
  }
  EXPECT_EQ(items("Form1", "List1"), (Lines{"MILANO", longLine.substr(0, 110)}));
  EXPECT_EQ(ui.openDialogs.back().title, "Nome del file da aggiungere");
  EXPECT_EQ(ui.openDialogs.back().filter, "File di testo (*.txt)|*.txt|Tutti i file (*.*)|*.*");
}

// After the merge a message box tells, for each province of the added file
// in the order first met there, the work copy's lines dropped and the added
// lines written for it, and how many lines the work copy now holds.
TEST_F(MergeTest, TheSummaryTellsWhatEachProvinceOfTheAddedFileDid) {
  const auto a = rec("ANCONA", "1"), b = rec("BARI", "1"), c = rec("COMO", "1");
  Lines many;
  for (int i = 0; i < 22; ++i) many.push_back(rec("P" + std::to_string(10 + i), "1"));
  struct Case {
    const char* what;
    std::string work, added;
    Lines told;
  };
  const Case cases[] = {
      {"replaced and new", crlf({a, b, b, c}), crlf({rec("BARI", "N"), "", rec("BARI", "M"), rec("DOLO", "N")}),
       {"BARI: sostituiti 2, aggiunti 2", "DOLO: sostituiti 0, aggiunti 1", "Volontari nell'archivio: 5"}},
      // BARI met again after ANCONA counts with its first meeting.
      {"unordered", crlf({a, b, b, c}), crlf({rec("BARI", "N"), rec("ANCONA", "N"), rec("BARI", "M")}),
       {"BARI: sostituiti 2, aggiunti 2", "ANCONA: sostituiti 0, aggiunti 1", "Volontari nell'archivio: 5"}},
      {"nothing brought", crlf({a, b}), crlf({"", ""}), {"Nessun volontario aggiunto."}},
      {"more than 20 provinces", "", crlf(many),
       {"P10: sostituiti 0, aggiunti 1", "P11: sostituiti 0, aggiunti 1", "P12: sostituiti 0, aggiunti 1",
        "P13: sostituiti 0, aggiunti 1", "P14: sostituiti 0, aggiunti 1", "P15: sostituiti 0, aggiunti 1",
        "P16: sostituiti 0, aggiunti 1", "P17: sostituiti 0, aggiunti 1", "P18: sostituiti 0, aggiunti 1",
        "P19: sostituiti 0, aggiunti 1", "P20: sostituiti 0, aggiunti 1", "P21: sostituiti 0, aggiunti 1",
        "P22: sostituiti 0, aggiunti 1", "P23: sostituiti 0, aggiunti 1", "P24: sostituiti 0, aggiunti 1",
        "P25: sostituiti 0, aggiunti 1", "P26: sostituiti 0, aggiunti 1", "P27: sostituiti 0, aggiunti 1",
        "P28: sostituiti 0, aggiunti 1", "P29: sostituiti 0, aggiunti 1", W("… e altre 2 province"),
        "Volontari nell'archivio: 22"}},
  };
  for (const auto& [what, work, added, told] : cases) {
    setWorkCopy(work);
    merge(added);
    std::string text;
    for (const auto& l : told) text += (text.empty() ? "" : "\n") + l;
    ASSERT_EQ(ui.messages.size(), 1u) << what;
    EXPECT_EQ(ui.messages[0].text, text) << what;
    EXPECT_EQ(ui.messages[0].buttons, ui::Buttons::Ok) << what;
    ui.messages.clear();
  }
}

TEST_F(MergeTest, AFailureInTheMiddleLeavesTheWorkCopyAsItWas) {
  openArchive(crlf({rec("MILANO", "A"), rec("ROMA", "B")}));
  const std::string before = workCopy();
  const std::string added = crlf({rec("ROMA", "NUOVO")});
  // Writing workfile.wrk fails; then putting it in place of the work copy.
  const std::pair<io::Op, std::string> faults[] = {{io::Op::Write, m->percorso_temp()},
                                                   {io::Op::Rename, m->percorso_wrk()}};
  for (const auto& [failing, target] : faults) {
    io::setFaultHook([&](io::Op op, const std::string& p) { return op == failing && p == target; });
    merge(added);
    io::setFaultHook(nullptr);
    const auto shown = ui.takeMessages();
    ASSERT_EQ(shown.size(), 1u) << target;
    EXPECT_NE(shown[0].find(std::filesystem::path(target).filename().string()), std::string::npos) << shown[0];
    EXPECT_EQ(workCopy(), before) << target;
    EXPECT_FALSE(m->modificato);
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
  merge(added);  // with the disk well again the same merge goes through
  EXPECT_EQ(workCopy(), crlf({rec("MILANO", "A"), rec("ROMA", "NUOVO")}));
}

}  // namespace
}  // namespace krt::test
