// The main list's "Cerca" and "Cerca successivo", and opening a volunteer from it.
#include <tuple>

#include "support.h"

namespace krt::test {
namespace {

using Names = std::vector<std::string>;

// "Cerca" with a text ("Cerca successivo" if empty), the entry then selected,
// and whether found (and shown at the top) or "Ricerca terminata." said.
using Step = std::tuple<std::string, int, bool>;

class MainSearch : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    Names archive;
    for (const auto& [provincia, associazione, cognome, nome] :
         {std::tuple{"MILANO", "RADIO MILANO", "BIANCHI", "LUCA"}, {"ROMA", "CB ROMA NORD", "ROSSI", "MARIO"},
          {"ROMA", "RADIO CLUB ROMA", "NERI", "ANNA"}, {"ROMA", "RADIO CLUB ROMA", "ROSSI", "PAOLO"},
          {"ROMA", "RADIO CLUB ROMA", "VERDI", "GINO"}})
      archive.push_back(
          line({{"provincia", provincia}, {"associazione", associazione}, {"cognome", cognome}, {"nome", nome}}));
    openArchive(crlf(archive));
  }
  headless::HeadlessControl& list() { return main().control("List1"); }
  void run(const std::vector<Step>& steps) {
    for (const auto& [text, index, found] : steps) {
      SCOPED_TRACE(text.empty() ? "Cerca successivo" : "Cerca " + text);
      const Names entries = list().items();
      if (!text.empty()) main().type("tcerca", text);
      main().click(text.empty() ? "cmdprossimo" : "cmdcerca");
      EXPECT_EQ(std::tuple(list().items(), ui.takeMessages(), list().listIndex()),
                std::tuple(entries, found ? Names{} : Names{"Ricerca terminata."}, index));
      EXPECT_TRUE(!found || list().topIndex() == index) << "not shown at the top: " << list().topIndex();
    }
  }
};

TEST_F(MainSearch, FindsEachMatchInTurnWithoutOpeningTheEditor) {
  // Case does not matter; the selection stays on the last entry when nothing more is found;
  // VERDI is the only match, on the last entry; the surname's filling blanks come before the name.
  run({{"rossi", 1, true}, {"", 3, true}, {"", 4, false}, {"VERDI", 4, true}, {"", 4, false},
       {"rOsSi PaOlO", 4, false}, {"rossi" + std::string(20, ' ') + "paolo", 3, true}});
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
