// The report viewer: its list, the load limit, activations and print.
#include <filesystem>
#include <tuple>

#include "support.h"

namespace krt::test {
namespace {

using Names = std::vector<std::string>;

const std::string kErrorsTitle = "                     ELENCO ERRORI RISCONTRATI";
const std::string kCleanTitle = "              NON CI SONO ERRORI RISCONTRATI";

class ViewerTest : public AppTest {
 protected:
  // Runs "Verifica" on a work copy of these lines; the viewer is then open.
  headless::HeadlessWindow& verify(const Names& lines) {
    setWorkCopy(crlf(lines));
    main().click("mnverifica");
    return win("formv");
  }
  Names list() { return items("formv", "List1"); }
  // The user goes to the main window and back to the viewer.
  void reactivate() {
    ui.activate(main());
    ui.activate(win("formv"));
  }
};

// The title, then each report line, refilled at every activation; at most
// 31999 lines; a missing report is told, and prints in Courier New 12.
TEST_F(ViewerTest, ShowsTheReportAfreshAtEveryActivationAndPrintsIt) {
  EXPECT_EQ(ui.active(), &verify({line({{"provincia", "ROMA"}, {"cognome", "ROSSI"}, {"nome", "ANNA"}})}));
  Names shown{kErrorsTitle, ""};  // then every report line is one item
  forEachLine(m->percorso_verifica(), [&](const std::string& x) { shown.push_back(x); });
  ASSERT_GT(shown.size(), 4u);
  reactivate();
  reactivate();
  EXPECT_EQ(list(), shown);  // refilled, without duplicates

  verify({});
  for (int n : {31999, 32000}) {
    std::string report;  // "riga 1" ... "riga n"
    for (int i = 1; i <= n; ++i) report += "riga " + std::to_string(i) + "\r\n";
    writeFile(m->percorso_verifica(), report);
    reactivate();
    EXPECT_EQ(ui.takeMessages(),
              n > 31999 ? Names{"Spazio insufficente per troppi errori. Sistemare gli errori segnalati."} : Names{});
    ASSERT_EQ(list().size(), 2u + 31999) << n;
    EXPECT_EQ(list().back(), "riga 31999");
  }

  std::filesystem::remove(m->percorso_verifica());
  reactivate();
  const auto told = ui.takeMessages();
  EXPECT_TRUE(told.size() == 1 && told[0].find("verifica.txt") != std::string::npos) << ::testing::PrintToString(told);
  EXPECT_EQ(list(), (Names{kCleanTitle, ""}));
  win("formv").click("stampa");
  ASSERT_EQ(ui.printed.size(), 1u);
  // The busy pointer while it prints, and only then.
  EXPECT_EQ(std::tuple(ui.printed[0].busyAtEnd, ui.busy, ui.printed[0].calls),
            std::tuple(true, false, Names{"font courier new", "size 12", "portrait", "text 0 0 " + kCleanTitle,
                                          "text 0 271 ", "end"}));
}

}  // namespace
}  // namespace krt::test
