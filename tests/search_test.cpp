// The main list's search ("Cerca", "Cerca successivo") and opening a
// volunteer from the list.
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

class MainSearch : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    openArchive(crlf(kArchive));
  }
  headless::HeadlessControl& list() { return main().control("List1"); }
  void search(const std::string& text) {
    main().type("tcerca", text);
    main().click("cmdcerca");
  }
  void next() { main().click("cmdprossimo"); }
  // The search ended on `index`, shown at the top, with nothing said.
  void expectFound(int index) {
    EXPECT_EQ(list().listIndex(), index);
    EXPECT_EQ(list().topIndex(), index);
    EXPECT_TRUE(list().visible());
    EXPECT_FALSE(ui.busy);
    EXPECT_TRUE(ui.messages.empty());
  }
  void expectEnded(int selected) {
    EXPECT_EQ(ui.takeMessages(), Names{"Ricerca terminata."});
    EXPECT_EQ(list().listIndex(), selected);
    EXPECT_TRUE(list().visible());
    EXPECT_FALSE(ui.busy);
  }
};

TEST_F(MainSearch, FindsEachMatchInTurnWithoutOpeningTheEditor) {
  search("rossi");
  EXPECT_EQ(main().control("List1").itemCount(), 5);
  expectFound(1);
  EXPECT_EQ(m->form1().testo_cerca(), "ROSSI");
  next();
  expectFound(3);
  next();
  expectEnded(4);  // the selection is left on the last entry
  EXPECT_FALSE(m->form4Loaded());
  EXPECT_EQ(ui.find("Form4"), nullptr);
  EXPECT_GT(ui.busyCalls, 0);
}

TEST_F(MainSearch, FirstLastAndOnlyMatches) {
  search("BIANCHI");
  expectFound(0);
  search("VERDI");
  expectFound(4);
  search("ANNA");
  expectFound(2);
  next();
  expectEnded(4);
  EXPECT_FALSE(m->form4Loaded());
}

TEST_F(MainSearch, NextFromTheEntryBeforeTheLastFindsTheLast) {
  search("GINO");
  expectFound(4);
  search("PAOLO");
  expectFound(3);
  main().type("tcerca", "GINO");  // typed, but "Cerca" not pressed
  next();
  expectEnded(4);  // still looking for PAOLO after entry 3
  search("GINO");
  main().pick("List1", 3);  // the user's own click opens the editor
  ui.activate(main());
  next();
  expectFound(4);
}

TEST_F(MainSearch, NextAfterTheLastEntryEndsAtOnce) {
  search("VERDI");
  expectFound(4);
  next();
  expectEnded(4);
}

TEST_F(MainSearch, NextWithNothingSelectedStartsAtTheFirstEntry) {
  search("ROSSI");
  expectFound(1);
  ui.chooseFile(std::nullopt);  // "Apri" cancelled: the list is refilled, nothing selected
  main().click("mnapri");
  ASSERT_EQ(list().listIndex(), -1);
  next();
  expectFound(1);
}

TEST_F(MainSearch, CaseAndTheBlanksBetweenTheFieldsCount) {
  search("rOsSi PaOlO");
  expectEnded(4);  // the surname's filling blanks lie between the two
  search("rossi" + std::string(20, ' ') + "paolo");
  expectFound(3);
  search("radio club roma");
  expectFound(2);
}

TEST_F(MainSearch, EmptyListAndSingleEntry) {
  openArchive("");
  search("ROSSI");
  expectEnded(-1);
  next();
  expectEnded(-1);
  openArchive(crlf({kArchive[1]}));
  search("mario");
  expectFound(0);
}

TEST_F(MainSearch, UserClickAfterASearchOpensThatVolunteer) {
  search("NERI");
  expectFound(2);
  main().pick("List1", 2);
  ASSERT_TRUE(m->form4Loaded());
  EXPECT_TRUE(win("Form4").isVisible());
  EXPECT_EQ(m->modo, "m");
  EXPECT_EQ(m->record.toLine(), kArchive[2]);
  EXPECT_EQ(win("Form4").control("Text1").text(), "NERI");

  // A search that found nothing leaves the next click working too.
  search("NESSUNO");
  expectEnded(4);
  main().pick("List1", 0);
  EXPECT_EQ(win("Form4").control("Text1").text(), "BIANCHI");

  // The search's own selections neither open nor change the volunteer shown.
  search("VERDI");
  expectFound(4);
  EXPECT_EQ(m->record.toLine(), kArchive[0]);
  EXPECT_EQ(win("Form4").control("Text1").text(), "BIANCHI");
}

TEST_F(MainSearch, ClickingEitherOfTwoEqualKeysOpensTheFirst) {
  const std::string first = volunteer("ROMA", "CB ROMA NORD", "ROSSI", "MARIO", "VIA UNO");
  const std::string second = volunteer("ROMA", "CB ROMA NORD", "ROSSI", "MARIO", "VIA DUE");
  openArchive(crlf({first, second}));
  main().pick("List1", 1);
  EXPECT_EQ(m->record.toLine(), first);
  EXPECT_EQ(win("Form4").control("Text12").text(), "VIA UNO");
}

TEST_F(MainSearch, ListLineWithoutItsRecordOpensABlankVolunteer) {
  setWorkCopy(crlf({kArchive[0]}));  // the list still shows five entries
  main().pick("List1", 3);
  EXPECT_EQ(m->record.toLine(), std::string(kLineLength, ' '));
  EXPECT_EQ(m->modo, "m");
  EXPECT_TRUE(win("Form4").control("modifica").visible());
}

}  // namespace
}  // namespace krt::test
