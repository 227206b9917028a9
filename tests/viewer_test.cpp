// The report viewer: its list, the load limit, activations, print and close.
#include <algorithm>
#include <filesystem>

#include "support.h"

namespace krt::test {
namespace {

using Names = std::vector<std::string>;

const std::string kErrorsTitle = "                     ELENCO ERRORI RISCONTRATI";
const std::string kCleanTitle = "              NON CI SONO ERRORI RISCONTRATI";
const std::string kAnna =
    line({{"provincia", "ROMA"}, {"associazione", "RADIO CLUB ROMA"}, {"cognome", "ROSSI"}, {"nome", "ANNA"}});

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
  // A report file of n lines "riga 1" ... "riga n".
  void writeReport(int n) {
    std::string bytes;
    for (int i = 1; i <= n; ++i) bytes += "riga " + std::to_string(i) + "\r\n";
    writeFile(m->percorso_verifica(), bytes);
  }
};

TEST_F(ViewerTest, ShowsTheTitleThenEachReportLineAfreshAtEveryActivation) {
  auto& v = verify({kAnna});
  EXPECT_TRUE(v.isVisible());
  EXPECT_EQ(v.caption(), "Form3");
  EXPECT_EQ(ui.active(), &v);
  Names shown{kErrorsTitle, ""};  // then every report line is one item
  forEachLine(m->percorso_verifica(), [&](const std::string& x) { shown.push_back(x); });
  ASSERT_GT(shown.size(), 4u);
  EXPECT_EQ(shown[3], kAnna.substr(20, 90));
  EXPECT_EQ(list(), shown);
  reactivate();
  reactivate();
  EXPECT_EQ(list(), shown);  // refilled, without duplicates

  verify({});  // a second run while the viewer is open
  EXPECT_EQ(list(), (Names{kCleanTitle, ""}));
  writeReport(1);  // the file changed behind the viewer's back: the next activation shows it
  reactivate();
  EXPECT_EQ(list(), (Names{kCleanTitle, "", "riga 1"}));
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ViewerTest, ShowsAtMost31999ReportLines) {
  verify({});
  for (int n : {31998, 31999, 32000}) {
    SCOPED_TRACE(n);
    writeReport(n);
    reactivate();
    EXPECT_EQ(ui.takeMessages(),
              n > 31999 ? Names{"Spazio insufficente per troppi errori. Sistemare gli errori segnalati."} : Names{});
    const Names shown = list();
    ASSERT_EQ(shown.size(), 2u + std::min(n, 31999));
    EXPECT_EQ(shown.back(), "riga " + std::to_string(std::min(n, 31999)));
    EXPECT_FALSE(ui.busy);
  }
}

TEST_F(ViewerTest, MissingReportIsToldPrintsInCourierNew12AndEsciUnloads) {
  verify({});
  std::filesystem::remove(m->percorso_verifica());
  reactivate();
  const auto told = ui.takeMessages();
  ASSERT_EQ(told.size(), 1u);
  EXPECT_NE(told[0].find("verifica.txt"), std::string::npos) << told[0];
  EXPECT_EQ(list(), (Names{kCleanTitle, ""}));
  win("formv").click("stampa");
  ASSERT_EQ(ui.printed.size(), 1u);
  EXPECT_EQ(ui.printed[0].calls,
            (Names{"font courier new", "size 12", "portrait", "text 0 0 " + kCleanTitle, "text 0 271 ", "end"}));
  win("formv").click("esci");
  EXPECT_EQ(ui.find("formv"), nullptr);
  EXPECT_FALSE(m->viewerLoaded());

  verify({kAnna});
  EXPECT_TRUE(win("formv").close());
  EXPECT_EQ(ui.find("formv"), nullptr);
  EXPECT_FALSE(m->viewerLoaded());
  EXPECT_FALSE(readFile(m->percorso_verifica()).empty());
}

}  // namespace
}  // namespace krt::test
