// The real editor: opened from the list, changed, Modifica; the guard once per
// focus move, its message box not an activation; the sheet as a PDF.
#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "gui_support.h"

namespace krt::gui {
namespace {

class EditorGui : public GuiTest {
 protected:
  // The program on two volunteers, the editor open on the one of `row`.
  void openEditor(int row) {
    start({volunteer({{"cognome", "BIANCHI"}, {"nome", "MARIO"}, {"prov_residenza", "RM"}, {"via", "VIA ROMA 1"}}),
           volunteer({{"cognome", "ROSSI"}, {"nome", "MARIO"}, {"prov_residenza", "RM"}, {"via", "VIA NAPOLI 2"}})});
    QAbstractItemView* main = list("Form1");
    QTest::mouseClick(main->viewport(), Qt::LeftButton, {}, rowCentre(main, row));
    ASSERT_TRUE(window("Form4") && window("Form4")->isVisible());
    via = find<QLineEdit>("Form4", "Text12");
    province = find<QComboBox>("Form4", "Combo2");
    ASSERT_TRUE(via && province);
  }

  QLineEdit* via = nullptr;
  QComboBox* province = nullptr;
};

// Opened from the list, the editor is filled afresh at each real activation.
// With the real message box the guard asks once per move of the focus, and
// answering gives the focus back to the editor without repopulating it.
// Modifica then writes the change.
TEST_F(EditorGui, GuardAsksOncePerFocusMoveAndItsMessageBoxIsNotAnActivation) {
  platform.realBoxes = true;
  openEditor(1);
  EXPECT_EQ(via->text(), "VIA NAPOLI 2");
  QTest::keyClicks(via, " BIS");
  ASSERT_TRUE(activate("Form1"));
  EXPECT_EQ(via->text(), "VIA NAPOLI 2 BIS");
  ASSERT_TRUE(activate("Form4"));
  EXPECT_EQ(via->text(), "VIA NAPOLI 2");

  int boxes = 0;
  QTimer answerNo;
  QObject::connect(&answerNo, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    ++boxes;
    EXPECT_EQ(box->windowTitle(), "Archivio K.R.T.");
    EXPECT_EQ(box->text(), "La provincia non dovrebbe essere modificata. Vuoi modificarla?");
    for (QAbstractButton* b : box->buttons())
      if (b->text() == "&No") b->click();
  });
  answerNo.start(50);
  QTest::keyClicks(via, " BIS");
  province->setFocus();
  province->lineEdit()->selectAll();
  QTest::keyClicks(province->lineEdit(), "MILANO");
  via->setFocus();
  // The box answered and gone, the window system gives the editor back its
  // activation: that is no activation of the program's windows.
  ASSERT_TRUE(QTest::qWaitFor([&] { return boxes == 1 && !QApplication::activeModalWidget(); }));
  ASSERT_TRUE(activate("Form4"));
  EXPECT_EQ(boxes, 1);
  EXPECT_EQ(via->text(), "VIA NAPOLI 2 BIS");          // not repopulated
  EXPECT_EQ(province->currentText().left(4), "ROMA");  // No: the stored province is back

  answerNo.stop();
  platform.realBoxes = false;
  via->setFocus();
  via->selectAll();
  QTest::keyClicks(via, "via milano 3");
  QTest::mouseClick(find<QPushButton>("Form4", "modifica"), Qt::LeftButton);
  EXPECT_FALSE(window("Form4")->isVisible());
  const std::string wrk = readFile(path("volontari.wrk"));
  EXPECT_TRUE(wrk.find("VIA MILANO 3") != std::string::npos && wrk.find("VIA NAPOLI 2") == std::string::npos);
}

// With no printer installed the sheet goes to a PDF file the user names: an
// old file there is replaced whole, keeping its mode, also through a link;
// a write-protected one is refused, named, and kept.
TEST_F(EditorGui, ProfileSheetPrintedToPdf) {
  platform.printer = false;
  openEditor(0);
  platform.answer = ui::Answer::Yes;
  fs::create_symlink(path("scheda.pdf"), path("collegamento.pdf"));
  for (const auto& [chosen, mode] : {std::pair{"scheda.pdf", 0640}, {"collegamento.pdf", 0600}, {"scheda.pdf", 0444}}) {
    SCOPED_TRACE(chosen + std::to_string(mode));
    std::ofstream(path("scheda.pdf"), std::ios::trunc) << "vecchio";
    fs::permissions(path("scheda.pdf"), fs::perms(mode));
    platform.messages.clear();
    platform.file = path(chosen);
    QTest::mouseClick(find<QPushButton>("Form4", "cmdstampa"), Qt::LeftButton);
    const std::string pdf = readFile(path("scheda.pdf"));
    if (mode == 0444) {
      EXPECT_EQ(platform.messages.back(), "Impossibile scrivere il file " + path("scheda.pdf") + "\n(accesso negato).");
      EXPECT_EQ(pdf, "vecchio");
    } else {
      EXPECT_TRUE(pdf.size() > 1000 && pdf.starts_with("%PDF-") && platform.messages.size() == 1);
    }
    EXPECT_EQ(fs::status(path("scheda.pdf")).permissions(), fs::perms(mode));
    EXPECT_TRUE(fs::is_symlink(path("collegamento.pdf")));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 5) << "a temporary file was left";
  }
}

}  // namespace
}  // namespace krt::gui
