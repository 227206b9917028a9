// The main list's "Cerca" and "Cerca successivo", and opening a volunteer from it.
#include <tuple>

#include "support.h"

namespace krt::test {
namespace {

using Names = std::vector<std::string>;

std::string volunteer(const char* provincia, const char* associazione, const char* cognome, const char* nome) {
  return line({{"provincia", provincia}, {"associazione", associazione}, {"cognome", cognome}, {"nome", nome}});
}

const Names kArchive{
    volunteer("MILANO", "RADIO MILANO", "BIANCHI", "LUCA"), volunteer("ROMA", "CB ROMA NORD", "ROSSI", "MARIO"),
    volunteer("ROMA", "RADIO CLUB ROMA", "NERI", "ANNA"), volunteer("ROMA", "RADIO CLUB ROMA", "ROSSI", "PAOLO"),
    volunteer("ROMA", "RADIO CLUB ROMA", "VERDI", "GINO")};

// "Cerca" with a text ("Cerca successivo" if empty), the entry then selected,
// and whether found (and shown at the top) or "Ricerca terminata." said.
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
    }
  }
};

TEST_F(MainSearch, FindsEachMatchInTurnWithoutOpeningTheEditor) {
  // Case does not matter; the selection stays on the last entry when nothing more is found;
  // VERDI is the only match, on the last entry; the surname's filling blanks come before the name.
  const std::string padded = "rossi" + std::string(20, ' ') + "paolo";
  const std::vector<Step> steps{{"rossi", 1, true}, {"", 3, true},  {"", 4, false},
                                {"VERDI", 4, true}, {"", 4, false}, {"rOsSi PaOlO", 4, false},
                                {padded, 3, true}};
  run(steps);
  main().type("tcerca", "GINO");  // typed, but "Cerca" not pressed: still looking for ROSSI PAOLO
  run({{"", 4, false}, {"BIANCHI", 0, true}});
  // "Apri" cancelled refills the list with nothing selected: the next search starts at the first entry.
  ui.chooseFile(std::nullopt);
  main().click("mnapri");
  ASSERT_EQ(list().listIndex(), -1);
  run({{"", 0, true}});
  EXPECT_EQ(ui.find("Form4"), nullptr);
}

}  // namespace
}  // namespace krt::test
