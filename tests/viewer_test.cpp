// The report viewer: its list, the load limit, activations, print and close.
#include <filesystem>

#include "support.h"

namespace krt::test {
namespace {

using Names = std::vector<std::string>;

const std::string kErrorsTitle = "                     ELENCO ERRORI RISCONTRATI";
const std::string kCleanTitle = "              NON CI SONO ERRORI RISCONTRATI";
const std::string kTooMany = "Spazio insufficente per troppi errori. Sistemare gli errori segnalati.";
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
  const Names shown = list();
  ASSERT_GE(shown.size(), 6u);
  EXPECT_EQ(Names(shown.begin(), shown.begin() + 6),
            (Names{kErrorsTitle, "", "", kAnna.substr(20, 90), "Manca via volontario", "Manca CAP volontario."}));
  Names fileLines;  // every report line is one item
  forEachLine(m->percorso_verifica(), [&](const std::string& x) { fileLines.push_back(x); });
  EXPECT_EQ(Names(shown.begin() + 2, shown.end()), fileLines);
  reactivate();
  reactivate();
  EXPECT_EQ(list(), shown);  // refilled, without duplicates

  verify({});  // a second run while the viewer is open
  EXPECT_EQ(list(), (Names{kCleanTitle, ""}));
  EXPECT_EQ(ui.active(), &win("formv"));
  EXPECT_EQ(win("formv").control("List1").fontSize(), 10);
  EXPECT_EQ(win("formv").control("List1").toolTip(), "");
  EXPECT_FALSE(ui.busy);
  EXPECT_TRUE(ui.messages.empty());
  writeReport(1);  // the file changed behind the viewer's back: the next activation shows it
  reactivate();
  EXPECT_EQ(list(), (Names{kCleanTitle, "", "riga 1"}));
}

TEST_F(ViewerTest, ShowsAtMost31999ReportLines) {
  verify({});
  for (int n : {31999, 32000}) {
    SCOPED_TRACE(n);
    writeReport(n);
    reactivate();
    EXPECT_EQ(ui.takeMessages(), n > 31999 ? Names{kTooMany} : Names{});
    const Names shown = list();
    ASSERT_EQ(shown.size(), 2u + 31999u);
    EXPECT_EQ(shown[0], kCleanTitle);
    EXPECT_EQ(shown.back(), "riga 31999");
    EXPECT_FALSE(ui.busy);
  }
}

TEST_F(ViewerTest, AMissingReportOrPrinterIsToldAndTheViewerStaysUsable) {
  verify({});
  std::filesystem::remove(m->percorso_verifica());
  reactivate();
  const auto told = ui.takeMessages();
  ASSERT_EQ(told.size(), 1u);
  EXPECT_NE(told[0].find("verifica.txt"), std::string::npos) << told[0];
  EXPECT_EQ(list(), (Names{kCleanTitle, ""}));
  EXPECT_FALSE(ui.busy);
  win("formv").click("stampa");
  ASSERT_EQ(ui.printed.size(), 1u);
  EXPECT_TRUE(ui.printed[0].ended);

  ui.setPrinterInstalled(false);
  ui.answer(ui::Answer::No);  // no PDF instead
  win("formv").click("stampa");
  EXPECT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.printed.size(), 1u);
  EXPECT_TRUE(win("formv").isVisible());
  EXPECT_TRUE(ui.scriptsUsed());
}

TEST_F(ViewerTest, PrintsEveryItemInCourierNew12Portrait) {
  verify({});
  win("formv").click("stampa");
  ASSERT_EQ(ui.printed.size(), 1u);
  EXPECT_EQ(ui.printed[0].pdfPath, "");
  EXPECT_EQ(ui.printed[0].calls,
            (Names{"font courier new", "size 12", "portrait", "text 0 0 " + kCleanTitle, "text 0 271 ", "end"}));

  verify({kAnna});
  win("formv").click("stampa");
  ASSERT_EQ(ui.printed.size(), 2u);
  const auto& calls = ui.printed[1].calls;
  ASSERT_EQ(calls.size(), 3 + list().size() + 1);
  EXPECT_EQ(calls[5], "text 0 542 ");
  EXPECT_EQ(calls[6], "text 0 813 " + kAnna.substr(20, 90));
  EXPECT_EQ(calls.back(), "end");
}

TEST_F(ViewerTest, EsciAndTheCloseBoxUnloadTheViewerAndKeepTheReport) {
  verify({});
  win("formv").click("esci");
  EXPECT_EQ(ui.find("formv"), nullptr);
  EXPECT_FALSE(m->viewerLoaded());
  verify({kAnna});
  EXPECT_EQ(list()[0], kErrorsTitle);
  EXPECT_TRUE(win("formv").close());
  EXPECT_EQ(ui.find("formv"), nullptr);
  EXPECT_FALSE(m->viewerLoaded());
  EXPECT_FALSE(readFile(m->percorso_verifica()).empty());
}

}  // namespace
}  // namespace krt::test
