// "Aggiungere un archivio": the province-by-province merge.
#include <filesystem>

#include "mainwin/merge.h"
#include "records/file_io.h"
#include "support.h"

namespace krt::test {
namespace {

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
  // The work copy after merging `added` into `work`.
  std::string merged(const std::vector<std::string>& work, const std::vector<std::string>& added) {
    setWorkCopy(crlf(work));
    merge(crlf(added));
    return workCopy();
  }
};

TEST_F(MergeTest, AProvinceOfTheAddedArchiveReplacesTheWorkCopysOne) {
  const auto p1a = rec("MILANO", "A"), p1b = rec("MILANO", "B");
  const auto p2a = rec("ROMA", "A"), p2b = rec("ROMA", "B");
  const auto n1 = rec("ROMA", "NUOVO 1"), n2 = rec("ROMA", "NUOVO 2"), n3 = rec("ROMA", "NUOVO 0");
  EXPECT_EQ(merged({p1a, p1b, p2a, p2b}, {n1, n2, n3}), crlf({p1a, p1b, n1, n2, n3}));
  EXPECT_EQ(m->modificato, "1");
  EXPECT_EQ(items("Form1", "List1"),
            (std::vector<std::string>{p1a.substr(0, 110), p1b.substr(0, 110), n1.substr(0, 110), n2.substr(0, 110),
                                      n3.substr(0, 110)}));
  ASSERT_EQ(ui.openDialogs.size(), 1u);
  EXPECT_EQ(ui.openDialogs[0].folder, folder());
  EXPECT_EQ(ui.openDialogs[0].title, "Nome del file da aggiungere");
  EXPECT_EQ(ui.openDialogs[0].filter, "File di testo (*.txt)|*.txt|Tutti i file (*.*)|*.*");
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_FALSE(ui.busy);
  EXPECT_GE(ui.busyCalls, 1);
  // The added file is only read, and the archive's name stays.
  EXPECT_EQ(readFile(path("aggiunto.txt")), crlf({n1, n2, n3}));
  EXPECT_EQ(m->nome_archivio, "");
}

TEST_F(MergeTest, ProvincesComeOutInOrder) {
  const auto a = rec("ANCONA", "X"), b = rec("BARI", "Y"), c = rec("COMO", "Z");
  EXPECT_EQ(merged({a, c}, {b}), crlf({a, b, c}));
  // Added provinces before and after every province of the work copy.
  EXPECT_EQ(merged({b}, {a, c}), crlf({a, b, c}));
  // Lower case sorts after upper case, and is another province.
  const auto upper = rec("ROMA", "U"), lower = rec("roma", "L");
  EXPECT_EQ(merged({upper}, {lower}), crlf({upper, lower}));
  EXPECT_EQ(merged({lower}, {upper}), crlf({upper, lower}));
  // Only the province counts: the same province with other names is replaced.
  EXPECT_EQ(merged({rec("BARI", "A"), rec("BARI", "Z")}, {rec("BARI", "M")}), crlf({rec("BARI", "M")}));
}

TEST_F(MergeTest, EmptyAndIdenticalInputs) {
  const auto a = rec("MILANO", "A"), b = rec("ROMA", "B"), c = rec("ROMA", "C");
  // Empty work copy: the added file without its empty lines.
  setWorkCopy("");
  merge(crlf({"", a, "", b, c, ""}));
  EXPECT_EQ(workCopy(), crlf({a, b, c}));
  // The same file added: every province replaced by itself.
  EXPECT_EQ(merged({a, b, c}, {a, b, c}), crlf({a, b, c}));
  // An empty added file: the work copy re-terminated, still a change.
  m->modificato = "0";
  setWorkCopy(a + "\r\n\r\n" + b + "\r" + c);
  merge("");
  EXPECT_EQ(workCopy(), crlf({a, "", b, c}));
  EXPECT_EQ(m->modificato, "1");
  // Empty lines of the work copy sort first and are kept.
  EXPECT_EQ(merged({"", a}, {b}), crlf({"", a, b}));
}

TEST_F(MergeTest, UnorderedInputFollowsTheStepsLineByLine) {
  const auto a1 = rec("ANCONA", "1"), a2 = rec("ANCONA", "2");
  const auto b1 = rec("BARI", "1"), b2 = rec("BARI", "2");
  const auto c1 = rec("COMO", "1"), d1 = rec("DOLO", "1");
  // B < C: B; D > C: C; D > A: A; added ends: D.
  EXPECT_EQ(merged({b1, d1}, {c1, a1}), crlf({b1, c1, a1, d1}));
  // A < B: A1; B = B: B1 dropped; work copy ends: B2, A2.
  EXPECT_EQ(merged({a1, b1}, {b2, a2}), crlf({a1, b2, a2}));
}

TEST_F(MergeTest, AnFFFFLineEndsItsInput) {
  const auto a = rec("ANCONA", "1"), b = rec("BARI", "1"), c = rec("COMO", "1"), d = rec("DOLO", "1");
  EXPECT_EQ(merged({a, "FFFF", d}, {b, "FFFF", c}), crlf({a, b}));
  // Only the exact text: a province called FFFF is a province.
  const auto f = rec("FFFF", "1");
  EXPECT_EQ(merged({a}, {f, "FFFFF"}), crlf({a, f, "FFFFF"}));
}

TEST_F(MergeTest, LinesAreWrittenWhole) {
  const auto longLine = rec("ROMA", "A") + "TESTO OLTRE LA COLONNA 809";
  const auto shortLine = std::string("MILANO");
  EXPECT_EQ(merged({shortLine}, {longLine}), crlf({shortLine, longLine}));
}

TEST_F(MergeTest, CancelledDialogChangesNothing) {
  const std::string before = crlf({rec("ROMA", "A")});
  setWorkCopy(before);
  ui.chooseFile(std::nullopt);
  main().click("mnaggiu");
  EXPECT_EQ(workCopy(), before);
  EXPECT_EQ(m->modificato, "0");
  EXPECT_FALSE(std::filesystem::exists(m->percorso_temp()));
  EXPECT_TRUE(items("Form1", "List1").empty());
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(MergeTest, FailuresLeaveTheWorkCopyAsItWas) {
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

  // A chosen file that cannot be read.
  ui.chooseFile(path("manca.txt"));
  main().click("mnaggiu");
  const auto shown = ui.takeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_NE(shown[0].find("manca.txt"), std::string::npos) << shown[0];
  EXPECT_EQ(workCopy(), before);
  EXPECT_EQ(m->modificato, "0");

  // With the disk well again the same merge goes through.
  merge(added);
  EXPECT_EQ(workCopy(), crlf({rec("MILANO", "A"), rec("ROMA", "NUOVO")}));
  EXPECT_EQ(m->modificato, "1");
}

TEST_F(MergeTest, AfterAMergeEsciAsksToSave) {
  merged({rec("ROMA", "A")}, {rec("MILANO", "B")});
  ui.answer(ui::Answer::Cancel);
  main().click("mnesci");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "Vuoi salvare le modifiche?");
  EXPECT_FALSE(ui.quitRequested);
}

TEST_F(MergeTest, MergeLinesWorksOnAnyFiles) {
  writeFile(path("a.txt"), crlf({"ANCONA", "COMO"}));
  writeFile(path("b.txt"), crlf({"BARI", "COMO 2"}));
  {
    LineReader work(path("a.txt"));
    LineReader added(path("b.txt"));
    FileWriter out(path("out.txt"), FileWriter::Mode::Truncate);
    mergeLines(work, added, out);
    out.commit();
  }
  // "COMO" and "COMO 2" are different provinces.
  EXPECT_EQ(readFile(path("out.txt")), crlf({"ANCONA", "BARI", "COMO", "COMO 2"}));
}

}  // namespace
}  // namespace krt::test
