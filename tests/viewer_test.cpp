// The report viewer: its list, the load limit, activations, print and close.
#include <filesystem>

#include "support.h"

namespace krt::test {
namespace {

const std::string kErrorsTitle = "                     ELENCO ERRORI RISCONTRATI";
const std::string kCleanTitle = "              NON CI SONO ERRORI RISCONTRATI";
const std::string kTooMany = "Spazio insufficente per troppi errori. Sistemare gli errori segnalati.";

class ViewerTest : public AppTest {
 protected:
  // Runs "Verifica" on a work copy of these lines; the viewer is then open.
  headless::HeadlessWindow& verify(const std::vector<std::string>& lines) {
    setWorkCopy(crlf(lines));
    main().click("mnverifica");
    return win("formv");
  }
  std::vector<std::string> list() { return items("formv", "List1"); }
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
  std::string recordLine() {
    return line({{"provincia", "ROMA"}, {"associazione", "RADIO CLUB ROMA"}, {"cognome", "ROSSI"}, {"nome", "ANNA"}});
  }
};

TEST_F(ViewerTest, CleanRunShowsTitleAndEmptyItem) {
  auto& v = verify({});
  EXPECT_TRUE(v.isVisible());
  EXPECT_EQ(v.caption(), "Form3");
  EXPECT_EQ(ui.active(), &v);
  EXPECT_EQ(list(), (std::vector<std::string>{kCleanTitle, ""}));
  EXPECT_EQ(v.control("List1").fontSize(), 10);
  EXPECT_EQ(v.control("List1").toolTip(), "");
  EXPECT_FALSE(ui.busy);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ViewerTest, ReportLinesFollowTheTitle) {
  const std::string l = recordLine();
  verify({l});
  const auto shown = list();
  ASSERT_GE(shown.size(), 6u);
  EXPECT_EQ(std::vector<std::string>(shown.begin(), shown.begin() + 6),
            (std::vector<std::string>{kErrorsTitle, "", "", l.substr(20, 90), "Manca via volontario",
                                      "Manca CAP volontario."}));
  // Every report line is one item.
  std::vector<std::string> fileLines;
  forEachLine(m->percorso_verifica(), [&](const std::string& x) { fileLines.push_back(x); });
  EXPECT_EQ(std::vector<std::string>(shown.begin() + 2, shown.end()), fileLines);
}

TEST_F(ViewerTest, ShowsAtMost31999ReportLines) {
  verify({});
  writeReport(31999);
  reactivate();
  EXPECT_TRUE(ui.messages.empty());
  auto shown = list();
  ASSERT_EQ(shown.size(), 2u + 31999u);
  EXPECT_EQ(shown.back(), "riga 31999");

  writeReport(32000);
  reactivate();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, kTooMany);
  EXPECT_EQ(ui.messages[0].buttons, ui::Buttons::Ok);
  shown = list();
  ASSERT_EQ(shown.size(), 2u + 31999u);
  EXPECT_EQ(shown[0], kCleanTitle);
  EXPECT_EQ(shown.back(), "riga 31999");
  EXPECT_FALSE(ui.busy);
}

TEST_F(ViewerTest, EachActivationRefillsWithoutDuplicates) {
  verify({recordLine()});
  const auto first = list();
  reactivate();
  reactivate();
  EXPECT_EQ(list(), first);
  // The file changed behind the viewer's back: the next activation shows it.
  writeReport(1);
  reactivate();
  EXPECT_EQ(list(), (std::vector<std::string>{kErrorsTitle, "", "riga 1"}));
}

TEST_F(ViewerTest, ASecondRunWhileOpenShowsTheNewReport) {
  verify({recordLine()});
  EXPECT_EQ(list()[0], kErrorsTitle);
  verify({});
  EXPECT_EQ(list(), (std::vector<std::string>{kCleanTitle, ""}));
  EXPECT_EQ(ui.active(), &win("formv"));
}

TEST_F(ViewerTest, MissingReportIsToldAndTheViewerStaysUsable) {
  verify({});
  std::filesystem::remove(m->percorso_verifica());
  reactivate();
  const auto shown = ui.takeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_NE(shown[0].find("verifica.txt"), std::string::npos) << shown[0];
  EXPECT_EQ(list(), (std::vector<std::string>{kCleanTitle, ""}));
  EXPECT_FALSE(ui.busy);
  win("formv").click("stampa");
  ASSERT_EQ(ui.printed.size(), 1u);
  EXPECT_TRUE(ui.printed[0].ended);
}

TEST_F(ViewerTest, PrintsEveryItemInCourierNew12Portrait) {
  verify({});
  win("formv").click("stampa");
  ASSERT_EQ(ui.printed.size(), 1u);
  EXPECT_EQ(ui.printed[0].pdfPath, "");
  EXPECT_EQ(ui.printed[0].calls, (std::vector<std::string>{"font courier new", "size 12", "portrait",
                                                           "text 0 0 " + kCleanTitle, "text 0 271 ", "end"}));

  const std::string l = recordLine();
  verify({l});
  win("formv").click("stampa");
  ASSERT_EQ(ui.printed.size(), 2u);
  const auto& calls = ui.printed[1].calls;
  const auto shown = list();
  ASSERT_EQ(calls.size(), 3 + shown.size() + 1);
  EXPECT_EQ(calls[5], "text 0 542 ");
  EXPECT_EQ(calls[6], "text 0 813 " + l.substr(20, 90));
  EXPECT_EQ(calls.back(), "end");
}

TEST_F(ViewerTest, NoPrinterIsToldAndNothingFails) {
  verify({});
  ui.setPrinterInstalled(false);
  ui.answer(ui::Answer::No);  // no PDF instead
  win("formv").click("stampa");
  EXPECT_EQ(ui.messages.size(), 1u);
  EXPECT_TRUE(ui.printed.empty());
  EXPECT_TRUE(win("formv").isVisible());
  EXPECT_TRUE(ui.scriptsUsed());
}

TEST_F(ViewerTest, EsciAndTheCloseBoxUnloadTheViewer) {
  verify({});
  win("formv").click("esci");
  EXPECT_EQ(ui.find("formv"), nullptr);
  EXPECT_FALSE(m->viewerLoaded());

  verify({recordLine()});
  EXPECT_EQ(list()[0], kErrorsTitle);
  EXPECT_TRUE(win("formv").close());
  EXPECT_EQ(ui.find("formv"), nullptr);
  EXPECT_FALSE(m->viewerLoaded());
  // The report stays.
  EXPECT_FALSE(readFile(m->percorso_verifica()).empty());
}

}  // namespace
}  // namespace krt::test
