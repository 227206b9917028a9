// The main list's search ("Cerca", "Cerca successivo") and opening a
// volunteer from the list.
#include <filesystem>
#include <tuple>

#include "editor/form4.h"
#include "support.h"

namespace krt::test {
namespace {

using Names = std::vector<std::string>;

std::string volunteer(const char* provincia, const char* associazione, const char* cognome, const char* nome,
                      const char* via = "") {
  return line(
      {{"provincia", provincia}, {"associazione", associazione}, {"cognome", cognome}, {"nome", nome}, {"via", via}});
}

const std::vector<std::string> kArchive{
    volunteer("MILANO", "RADIO MILANO", "BIANCHI", "LUCA"),  // 0
    volunteer("ROMA", "CB ROMA NORD", "ROSSI", "MARIO"),     // 1
    volunteer("ROMA", "RADIO CLUB ROMA", "NERI", "ANNA"),    // 2
    volunteer("ROMA", "RADIO CLUB ROMA", "ROSSI", "PAOLO"),  // 3
    volunteer("ROMA", "RADIO CLUB ROMA", "VERDI", "GINO"),   // 4
};

// "Cerca" with a text typed in the search box ("Cerca successivo" for no
// text), the entry selected afterwards, and whether it was found (and shown
// at the top) or the search ended there with "Ricerca terminata.".
using Step = std::tuple<std::string, int, bool>;

class MainSearch : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    openArchive(crlf(kArchive));
  }
  headless::HeadlessControl& list() { return main().control("List1"); }
  void run(const std::vector<Step>& steps) {
    for (const auto& [text, index, found] : steps) {
      SCOPED_TRACE(text.empty() ? "Cerca successivo" : "Cerca " + text);
      const Names entries = list().items();
      if (!text.empty()) main().type("tcerca", text);
      main().click(text.empty() ? "cmdprossimo" : "cmdcerca");
      EXPECT_EQ(list().items(), entries);
      EXPECT_EQ(ui.takeMessages(), found ? Names{} : Names{"Ricerca terminata."});
      EXPECT_EQ(list().listIndex(), index);
      EXPECT_TRUE(!found || list().topIndex() == index) << "not shown at the top: " << list().topIndex();
      EXPECT_TRUE(list().visible());
      EXPECT_FALSE(ui.busy);
    }
  }
};

TEST_F(MainSearch, FindsEachMatchInTurnWithoutOpeningTheEditor) {
  // The selection stays on the last entry when nothing more is found.
  // clang-format off
  run({{"rossi", 1, true}, {"", 3, true}, {"", 4, false}, {"BIANCHI", 0, true}, {"VERDI", 4, true}, {"", 4, false},
       {"ANNA", 2, true}, {"", 4, false}, {"PAOLO", 3, true}});
  // clang-format on
  main().type("tcerca", "GINO");  // typed, but "Cerca" not pressed: still looking for PAOLO
  run({{"", 4, false}});
  // The surname's filling blanks lie between surname and name.
  const std::string rossiPaolo = "rossi" + std::string(20, ' ') + "paolo";
  run({{"rOsSi PaOlO", 4, false}, {rossiPaolo, 3, true}, {"radio club roma", 2, true}, {"rossi", 1, true}});
  EXPECT_EQ(m->form1().testo_cerca(), "ROSSI");
  EXPECT_GT(ui.busyCalls, 0);
  // "Apri" cancelled refills the list with nothing selected: "Cerca
  // successivo" starts at the first entry.
  ui.chooseFile(std::nullopt);
  main().click("mnapri");
  ASSERT_EQ(list().listIndex(), -1);
  run({{"", 1, true}});

  openArchive("");
  run({{"ROSSI", -1, false}, {"", -1, false}});
  openArchive(crlf({kArchive[1]}));
  run({{"mario", 0, true}});
  EXPECT_FALSE(m->form4Loaded());
  EXPECT_EQ(ui.find("Form4"), nullptr);
}

TEST_F(MainSearch, UserClicksOpenTheVolunteerTheSearchSelectionsDoNot) {
  run({{"NERI", 2, true}});
  main().pick("List1", 2);
  headless::HeadlessWindow& editor = win("Form4");
  EXPECT_TRUE(editor.isVisible());
  EXPECT_EQ(m->modo, "m");
  EXPECT_EQ(m->record.toLine(), kArchive[2]);
  EXPECT_EQ(editor.control("Text1").text(), "NERI");

  // A search that found nothing leaves the next click working too.
  run({{"NESSUNO", 4, false}});
  main().pick("List1", 0);
  EXPECT_EQ(editor.control("Text1").text(), "BIANCHI");

  // The search's own selections neither open nor change the volunteer shown.
  run({{"VERDI", 4, true}});
  EXPECT_EQ(m->record.toLine(), kArchive[0]);
  EXPECT_EQ(editor.control("Text1").text(), "BIANCHI");

  // "Cerca successivo" goes on from the entry the user clicked.
  main().pick("List1", 3);
  ui.activate(main());
  run({{"", 4, true}});

  // Either of two equal keys opens the first of their lines.
  const std::string first = volunteer("ROMA", "CB ROMA NORD", "ROSSI", "MARIO", "VIA UNO");
  openArchive(crlf({first, volunteer("ROMA", "CB ROMA NORD", "ROSSI", "MARIO", "VIA DUE")}));
  main().pick("List1", 1);
  EXPECT_EQ(m->record.toLine(), first);
  EXPECT_EQ(editor.control("Text12").text(), "VIA UNO");

  // A work copy that cannot be read opens nobody: the user is told why.
  ui.activate(main());
  editor.close();
  std::filesystem::remove(m->percorso_wrk());
  main().pick("List1", 0);
  const Names told = ui.takeMessages();
  ASSERT_EQ(told.size(), 1u);
  EXPECT_NE(told[0].find("volontari.wrk"), std::string::npos) << told[0];
  EXPECT_EQ(m->record.toLine(), first);
  EXPECT_TRUE(ui.find("Form4") == nullptr || !ui.find("Form4")->isVisible());
}

}  // namespace
}  // namespace krt::test
