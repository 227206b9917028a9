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
  void TearDown() override {
    io::setFaultHook(nullptr);
    AppTest::TearDown();
  }
  // Chooses a file holding `bytes` in the dialog of "Aggiungere un archivio".
  void merge(const std::string& bytes) {
    writeFile(path("aggiunto.txt"), bytes);
    ui.chooseFile(path("aggiunto.txt"));
    main().click("mnaggiu");
  }
};

TEST_F(MergeTest, WorkCopyAndAddedFileMergeLineByLine) {
  const auto a = rec("ANCONA", "1"), a2 = rec("ANCONA", "2"), b = rec("BARI", "1"), b2 = rec("BARI", "2");
  const auto c = rec("COMO", "1"), d = rec("DOLO", "1"), f = rec("FFFF", "1");
  const auto upper = rec("ROMA", "U"), lower = rec("roma", "L"), rome = rec("ROMA", "A"), n = rec("ROMA", "NUOVO");
  const auto n0 = rec("ROMA", "NUOVO 0");
  const auto longLine = rec("ROMA", "A") + "TESTO OLTRE LA COLONNA 809";
  struct Case {
    const char* what;
    std::string work, added;
    Lines expected;
  };
  const Case cases[] = {
      // The added lines of a province in their order, whatever their names.
      {"a province replaced", crlf({a, b, rome, upper, lower}), crlf({n, n0}), {a, b, n, n0, lower}},
      {"a province between two", crlf({a, c}), crlf({b}), {a, b, c}},
      {"before and after every one", crlf({b}), crlf({a, c}), {a, b, c}},
      {"lower case sorts after upper case", crlf({upper}), crlf({lower}), {upper, lower}},
      {"lower case is another province", crlf({lower}), crlf({upper}), {upper, lower}},
      {"identical files", crlf({a, b, c}), crlf({a, b, c}), {a, b, c}},
      {"empty work copy: no empty lines", "", crlf({"", a, "", b, c, ""}), {a, b, c}},
      {"empty added file: re-terminated", a + "\r\n\r\n" + b + "\r" + c, "", {a, "", b, c}},
      {"empty lines of the work copy sort first", crlf({"", a}), crlf({b}), {"", a, b}},
      // B < C: B; D > C: C; D > A: A; added ends: D.
      {"unordered", crlf({b, d}), crlf({c, a}), {b, c, a, d}},
      // A < B: A1; B = B: B1 dropped; work copy ends: B2, A2.
      {"unordered, equal", crlf({a, b}), crlf({b2, a2}), {a, b2, a2}},
      {"FFFF ends its input", crlf({a, "FFFF", d}), crlf({b, "FFFF", c}), {a, b}},
      {"only the exact FFFF", crlf({a}), crlf({f, "FFFFF"}), {a, f, "FFFFF"}},
      {"lines written whole", crlf({"MILANO"}), crlf({longLine}), {"MILANO", longLine}},
  };
  for (const auto& [what, work, added, expected] : cases) {
    m->modificato = "0";
    setWorkCopy(work);
    merge(added);
    EXPECT_EQ(workCopy(), crlf(expected)) << what;
    EXPECT_EQ(m->modificato, "1") << what;
  }
  EXPECT_EQ(items("Form1", "List1"), (Lines{"MILANO", longLine.substr(0, 110)}));
  EXPECT_EQ(ui.openDialogs.back().title, "Nome del file da aggiungere");
  EXPECT_EQ(ui.openDialogs.back().filter, "File di testo (*.txt)|*.txt|Tutti i file (*.*)|*.*");
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(m->nome_archivio, "");
}

TEST_F(MergeTest, AFailureInTheMiddleLeavesTheWorkCopyAsItWas) {
  openArchive(crlf({rec("MILANO", "A"), rec("ROMA", "B")}));
  const std::string before = workCopy();
  const auto listBefore = items("Form1", "List1");
  const std::string added = crlf({rec("ROMA", "NUOVO")});
  // Writing workfile.wrk fails; then copying it back over the work copy.
  const std::vector<std::pair<io::Op, std::string>> faults = {{io::Op::Write, m->percorso_temp()},
                                                              {io::Op::Close, m->percorso_temp()},
                                                              {io::Op::Write, m->percorso_wrk()},
                                                              {io::Op::Rename, m->percorso_wrk()}};
  for (const auto& [failing, target] : faults) {
    io::setFaultHook([&](io::Op op, const std::string& p) { return op == failing && p == target; });
    merge(added);
    io::setFaultHook(nullptr);
    const auto shown = ui.takeMessages();
    ASSERT_EQ(shown.size(), 1u) << target;
    EXPECT_NE(shown[0].find(std::filesystem::path(target).filename().string()), std::string::npos) << shown[0];
    EXPECT_EQ(workCopy(), before) << target;
    EXPECT_EQ(m->modificato, "0");
    EXPECT_EQ(items("Form1", "List1"), listBefore);
    EXPECT_FALSE(ui.busy);
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
  EXPECT_EQ(m->modificato, "0");
  merge(added);  // with the disk well again the same merge goes through
  EXPECT_EQ(workCopy(), crlf({rec("MILANO", "A"), rec("ROMA", "NUOVO")}));
}

}  // namespace
}  // namespace krt::test
