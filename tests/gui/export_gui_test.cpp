// The selection window's strip in the real Qt windows: its place and keys,
// the export through the real save dialog (read back by openpyxl), the totals
// window, the call-out sheet as a PDF and the progress dialog that stops it.
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include "../xlsx_dump.h"
#include "gui_support.h"

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

// The strip below the selection: its place and focus order, the export
// through the real save dialog, and its totals window in the real table.
TEST_F(GuiTest, StripBelowTheSelectionExportsThroughTheSaveDialog) {
  start({volunteer({{"cognome", "ROSSI"}, {"qualifica", "O"}}), volunteer({{"cognome", "VERDI"}, {"qualifica", "C"}})});
  trigger("mnsel");
  QWidget* form3 = window("Form3");
  ASSERT_TRUE(form3 && form3->windowTitle() == "Selezione");
  // The window grew by the strip: what was there stays where it was.
  EXPECT_EQ(form3->size(), QSize(11880 / 15, 8595 / 15));
  EXPECT_EQ(find<QPushButton>("Form3", "cmbchiudi")->geometry(), QRect(600, 496, 97, 25));
  EXPECT_EQ(find<QPushButton>("Form3", "cmdesporta")->text(), QString::fromUtf8("Esporta\u2026"));
  // The new controls follow "Chiudi" in the focus order.
  QStringList chain{"cmbchiudi"};
  for (QWidget* w = find("Form3", "cmbchiudi"); chain.size() < 4;) chain << (w = w->nextInFocusChain())->objectName();
  EXPECT_EQ(chain.join(' ').toStdString(), "cmbchiudi cmdesporta cmdriepilogo cmdchiamata");
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
  EXPECT_TRUE(platform.messages.empty());
  // The totals: headings, rows set at once, numbers on the right.
  QTest::mouseClick(find<QPushButton>("Form3", "cmdriepilogo"), Qt::LeftButton);
  auto* table = find<QTableView>("Friepilogo", "tabella");
  ASSERT_TRUE(table && window("Friepilogo")->isVisible());
  EXPECT_EQ(window("Friepilogo")->windowTitle(), "Riepilogo per provincia");
  EXPECT_EQ(table->model()->headerData(4, Qt::Horizontal).toString(), "Pronti 1 giorno");
  ASSERT_EQ(table->model()->rowCount(), 2);
  EXPECT_EQ(table->model()->index(1, 0).data().toString() + "|" + table->model()->index(1, 1).data().toString(),
            "TOTALE|2");
  EXPECT_EQ(table->model()->index(1, 1).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight, Qt::AlignRight);
}

// With no printer the call-out sheet of the 40 found goes, pages and all,
// to the PDF the user names. The sheet of all 20000 lasts over a second: it
// shows its progress, application-modal, whose cancel button stops the work
// and drops the document, leaving no file.
TEST_F(GuiTest, ALongPrintShowsItsProgressAndStopsLeavingNoFile) {
  std::vector<std::string> lines;
  for (int i = 0; i < 20000; ++i)
    lines.push_back(volunteer({{"cognome", ("V" + std::to_string(i)).c_str()},
                               {"recapito", "06 1234567"},
                               {"ore_1g", "2"},
                               {"autovettura", i < 40 ? "SI" : "NO"}}));
  start(lines);
  platform.printer = false;
  platform.answer = ui::Answer::Yes;
  platform.file = path("chiamata.pdf");
  trigger("mnsel");
  QTest::mouseClick(find<QLabel>("Form3", "Lauto"), Qt::LeftButton);
  QTest::mouseClick(find<QPushButton>("Form3", "cmdcerca"), Qt::LeftButton);
  ASSERT_EQ(rows(list("Form3")), 40);
  QTest::mouseClick(find<QPushButton>("Form3", "cmdchiamata"), Qt::LeftButton);
  const std::string pdf = readFile(path("chiamata.pdf"));
  ASSERT_TRUE(pdf.starts_with("%PDF-"));
  // 40 blocks of seven lines: more than one page.
  EXPECT_NE(pdf.find("/Type /Page\n", pdf.find("/Type /Page\n") + 1), std::string::npos);

  QTest::mouseClick(find<QPushButton>("Form3", "cmbsel"), Qt::LeftButton);
  QTest::mouseClick(find<QPushButton>("Form3", "cmdcerca"), Qt::LeftButton);
  ASSERT_EQ(rows(list("Form3")), 20000);
  platform.file = path("lungo.pdf");
  bool modal = false;
  whenModal<QProgressDialog>([&](QProgressDialog* progress) {
    modal = progress->windowModality() == Qt::ApplicationModal && progress->labelText().startsWith("Stampa");
    progress->cancel();
  });
  QTest::mouseClick(find<QPushButton>("Form3", "cmdchiamata"), Qt::LeftButton);
  EXPECT_TRUE(modal);
  EXPECT_FALSE(fs::exists(path("lungo.pdf")));
}

}  // namespace
}  // namespace krt::gui
