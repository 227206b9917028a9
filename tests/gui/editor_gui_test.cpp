// The real editor window: opened from the main list, changed, "Modifica";
// the guards fire once per move of the focus; the window's own message
// boxes do not count as returning to it; the profile sheet as a PDF.
#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
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
    clickRow("Form1", row);
    ASSERT_NE(window("Form4"), nullptr);
    ASSERT_TRUE(window("Form4")->isVisible());
    via = find<QLineEdit>("Form4", "Text12");
    surname = find<QLineEdit>("Form4", "Text1");
    province = find<QComboBox>("Form4", "Combo2");
    ASSERT_TRUE(via && surname && province);
  }

  QLineEdit* via = nullptr;
  QLineEdit* surname = nullptr;
  QComboBox* province = nullptr;
};

TEST_F(EditorGui, OpenRepopulateOnActivationChangeAndModifica) {
  openEditor(1);
  EXPECT_EQ(via->text(), "VIA NAPOLI 2");
  EXPECT_EQ(surname->text(), "ROSSI");
  EXPECT_EQ(find<QTabWidget>("Form4", "SSTab1")->tabText(1), QString::fromUtf8("Disponibilità"));
  // The user goes to the main window and comes back: real activations.
  QTest::keyClicks(via, " BIS");
  ASSERT_TRUE(activate("Form1"));
  EXPECT_EQ(via->text(), "VIA NAPOLI 2 BIS");
  ASSERT_TRUE(activate("Form4"));
  EXPECT_EQ(via->text(), "VIA NAPOLI 2");

  via->setFocus();
  via->selectAll();
  QTest::keyClicks(via, "via milano 3");
  QTest::mouseClick(find<QPushButton>("Form4", "modifica"), Qt::LeftButton);
  EXPECT_FALSE(window("Form4")->isVisible());
  const std::string wrk = readFile(path("volontari.wrk"));
  EXPECT_NE(wrk.find("VIA MILANO 3"), std::string::npos);
  EXPECT_EQ(wrk.find("VIA NAPOLI 2"), std::string::npos);
  EXPECT_EQ(m->modificato, "1");
  EXPECT_EQ(find<QListWidget>("Form1", "List1")->count(), 2);
}

// With the real message box: the guard asks once per move of the focus, and
// answering gives the focus back to the editor without repopulating it.
TEST_F(EditorGui, GuardAsksOncePerFocusMoveAndItsMessageBoxIsNotAnActivation) {
  platform.realBoxes = true;
  openEditor(0);
  ASSERT_TRUE(activate("Form4"));
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
  QTest::qWait(300);
  EXPECT_EQ(boxes, 1);
  EXPECT_EQ(via->text(), "VIA ROMA 1 BIS");            // not repopulated
  EXPECT_EQ(province->currentText().left(4), "ROMA");  // No: the stored province is back
  province->setFocus();                                // unchanged now: no question
  via->setFocus();
  QTest::qWait(200);
  EXPECT_EQ(boxes, 1);
}

// With no printer installed the sheet goes to a PDF file the user names.
TEST_F(EditorGui, ProfileSheetPrintedToPdf) {
  platform.printer = false;
  openEditor(0);
  platform.answer = ui::Answer::Yes;
  platform.file = path("scheda.pdf");
  QTest::mouseClick(find<QPushButton>("Form4", "cmdstampa"), Qt::LeftButton);
  const std::string pdf = readFile(path("scheda.pdf"));
  ASSERT_GT(pdf.size(), 1000u);
  EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
  ASSERT_FALSE(platform.messages.empty());
  EXPECT_NE(platform.messages[0].find("stampante"), std::string::npos);
}

}  // namespace
}  // namespace krt::gui
