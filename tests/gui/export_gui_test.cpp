// The selection window's strip in the real Qt windows: its place and keys,
// the export through the real save dialog (read back by openpyxl), the
// progress dialog that stops a long export, the call-out sheet as a PDF, the
// totals window and the table control.
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include "../xlsx_dump.h"
#include "gui_support.h"
#include "platform/form.h"

namespace krt::gui {
namespace {

// Runs `act` on the application's modal dialog of type T, again on every
// tick while that dialog stays up (a file dialog still reading its folder
// may ignore the first accept), and no more once it has closed.
template <typename T>
void whenModal(std::function<void(T*)> act) {
  auto* timer = new QTimer;
  auto acted = std::make_shared<bool>(false);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, act, acted] {
    if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget()); dialog && dialog->isVisible()) {
      *acted = true;
      act(dialog);
    } else if (*acted) {
      timer->stop();
      timer->deleteLater();
    }
  });
  timer->start(20);
}

TEST_F(GuiTest, StripBelowTheSelectionExportsThroughTheSaveDialog) {
  start({volunteer({{"cognome", "ROSSI"}, {"cap", "00184"}, {"note_nazionale", "=1+1"}}),
         volunteer({{"cognome", "VERDI"}, {"patente", "B "}})});
  trigger("mnsel");
  QWidget* form3 = window("Form3");
  ASSERT_TRUE(form3);
  // The window grew by the strip: what was there stays where it was.
  EXPECT_EQ(form3->size(), QSize(11880 / 15, 8595 / 15));
  EXPECT_EQ(find<QPushButton>("Form3", "cmbchiudi")->geometry(), QRect(600, 496, 97, 25));
  EXPECT_EQ(find<QPushButton>("Form3", "cmdesporta")->text(), QString::fromUtf8("Esporta\u2026"));
  // The new controls follow "Chiudi" in the focus order.
  QWidget* w = find<QPushButton>("Form3", "cmbchiudi");
  for (const char* next : {"cmdesporta", "cmdriepilogo", "cmdchiamata"}) {
    w = w->nextInFocusChain();
    EXPECT_EQ(w->objectName().toStdString(), next);
  }
  QTest::mouseClick(find<QPushButton>("Form3", "cmdcerca"), Qt::LeftButton);
  EXPECT_EQ(find<QLabel>("Form3", "Lcontati")->text(), "2 volontari trovati");

  // The user types a name without its ending and keeps the first filter.
  whenModal<QFileDialog>([this](QFileDialog* dialog) {
    EXPECT_EQ(dialog->windowTitle(), "Esporta i volontari trovati");
    // Typed into the name field: selectFile() leaves a field that has the
    // focus as it is.
    dialog->findChild<QLineEdit*>("fileNameEdit")->setText("trovati");
    static_cast<QDialog*>(dialog)->accept();
  });
  QTest::mouseClick(find<QPushButton>("Form3", "cmdesporta"), Qt::LeftButton);
  const std::string dump = krt::test::xlsxDump(path("trovati.xlsx"));
  EXPECT_EQ(dump.substr(0, dump.find('\n')), "1 Volontari A2 A1:BK3 True");
  EXPECT_NE(dump.find("|s:ROSSI|"), std::string::npos) << dump;
  EXPECT_NE(dump.find("|s:00184|"), std::string::npos) << dump;
  EXPECT_NE(dump.find("|s:=1+1\n"), std::string::npos) << dump;
  EXPECT_TRUE(platform.messages.empty());
}

// A print that lasts over a second shows the progress, application-modal;
// its cancel button stops the work and drops the document: no file is left.
TEST_F(GuiTest, ALongPrintShowsItsProgressAndStopsLeavingNoFile) {
  std::vector<std::string> lines;
  for (int i = 0; i < 20000; ++i)
    lines.push_back(volunteer({{"cognome", ("V" + std::to_string(i)).c_str()}, {"ore_1g", "2"}, {"gancio", "SI"}}));
  start(lines);
  platform.printer = false;
  platform.answer = ui::Answer::Yes;
  platform.file = path("lungo.pdf");
  trigger("mnsel");
  bool modal = false;
  whenModal<QProgressDialog>([&](QProgressDialog* progress) {
    modal = progress->windowModality() == Qt::ApplicationModal && progress->labelText().startsWith("Stampa");
    progress->cancel();
  });
  QTest::mouseClick(find<QPushButton>("Form3", "cmdchiamata"), Qt::LeftButton);
  EXPECT_TRUE(modal);
  EXPECT_FALSE(fs::exists(path("lungo.pdf")));
}

// With no printer the call-out sheet goes to the PDF the user names.
TEST_F(GuiTest, CallOutSheetPrintedToPdf) {
  std::vector<std::string> lines;
  for (int i = 0; i < 40; ++i)
    lines.push_back(volunteer({{"cognome", ("ROSSI" + std::to_string(i)).c_str()},
                               {"nome", "MARIO"},
                               {"recapito", "06 1234567"},
                               {"ore_1g", "2"},
                               {"autovettura", "SI"}}));
  start(lines);
  platform.printer = false;
  platform.answer = ui::Answer::Yes;
  platform.file = path("chiamata.pdf");
  trigger("mnsel");
  QTest::mouseClick(find<QPushButton>("Form3", "cmdchiamata"), Qt::LeftButton);
  const std::string pdf = readFile(path("chiamata.pdf"));
  ASSERT_TRUE(pdf.starts_with("%PDF-"));
  // 40 blocks of seven lines: more than one page.
  std::size_t pages = 0;
  for (std::size_t at = 0; (at = pdf.find("/Type /Page\n", at)) != std::string::npos; ++at) ++pages;
  EXPECT_GT(pages, 1u);
}

// The table control: headings, rows set at once, numbers on the right; Enter
// and a double click raise the row's event with the row readable.
TEST_F(GuiTest, TotalsWindowAndTheTableControl) {
  start({volunteer({{"cognome", "A"}, {"qualifica", "O"}}), volunteer({{"cognome", "B"}, {"qualifica", "C"}})});
  trigger("mnriepilogo");
  auto* table = find<QTableView>("Friepilogo", "tabella");
  ASSERT_TRUE(table && window("Friepilogo")->isVisible());
  EXPECT_EQ(window("Friepilogo")->windowTitle(), "Riepilogo per provincia");
  EXPECT_EQ(table->model()->headerData(4, Qt::Horizontal).toString(), "Pronti 1 giorno");
  ASSERT_EQ(table->model()->rowCount(), 2);
  EXPECT_EQ(table->model()->index(1, 0).data().toString(), "TOTALE");
  EXPECT_EQ(table->model()->index(1, 1).data().toString(), "2");
  EXPECT_EQ(table->model()->index(1, 1).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight, Qt::AlignRight);

  struct Sink : ui::EventSink {
    std::vector<int> rows;
    ui::Window* window = nullptr;
    void onEvent(std::string_view, ui::Event) override { rows.push_back(window->control("t").listIndex()); }
  } sink;
  ui::WindowDesc desc{"Ftabella", "Tabella", 6000, 3000, {}, {{ui::Kind::Table, "t", "Uno|Due", "", 0, 0, 6000, 3000}}};
  auto w = platform.createWindow(desc, sink);
  sink.window = w.get();
  w->control("t").setRows({{"a", "1"}, {"b", "2"}, {"c", "3"}});
  w->show();
  auto* view = w->control("t").itemCount() == 3 ? find<QTableView>("Ftabella", "t") : nullptr;
  ASSERT_TRUE(view);
  view->setFocus();
  view->setCurrentIndex(view->model()->index(1, 0));
  QTest::keyClick(view, Qt::Key_Return);
  const QRect cell = view->visualRect(view->model()->index(2, 1));
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
  QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell.center());
  EXPECT_EQ(sink.rows, (std::vector<int>{1, 2}));
  EXPECT_EQ(w->control("t").item(2), "c\t3");
}

}  // namespace
}  // namespace krt::gui
