// The real editor window: opened from the main list, changed, "Modifica";
// the guards fire once per move of the focus; the window's own message
// boxes do not count as returning to it.
#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include "editor/form4.h"
#include "gui_support.h"
#include "mainwin/form1.h"
#include "mainwin/modulo1.h"
#include "records/volunteer_record.h"

namespace krt::gui {
namespace {

std::string volunteer(const char* cognome, const char* via) {
  VolunteerRecord r;
  r.clear();
  r.provincia = "ROMA";
  r.associazione = "C.B. CLUB ROMA";
  r.cognome = cognome;
  r.nome = "MARIO";
  r.prov_residenza = "RM";
  r.via = via;
  return r.toLine();
}

class EditorGui : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    writeFile(path("prova.txt"),
              volunteer("BIANCHI", "VIA ROMA 1") + "\r\n" + volunteer("ROSSI", "VIA NAPOLI 2") + "\r\n");
    m = std::make_unique<Modulo1>(platform, dir_.string(), dir_.string());
    m->form1().show();
    platform.files.push_back(path("prova.txt"));
    m->form1().mnapri_Click();
  }
  void TearDown() override {
    m.reset();
    GuiTest::TearDown();
  }
  void clickEntry(int row) {
    auto* list = find<QListWidget>("Form1", "List1");
    QListWidgetItem* item = list->item(row);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
  }

  ScriptedQtPlatform platform;
  std::unique_ptr<Modulo1> m;
};

TEST_F(EditorGui, OpenChangeAndModifica) {
  clickEntry(1);
  QWidget* editor = window("Form4");
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(editor->isVisible());
  auto* via = find<QLineEdit>("Form4", "Text12");
  ASSERT_NE(via, nullptr);
  EXPECT_EQ(via->text(), "VIA NAPOLI 2");
  EXPECT_EQ(find<QLineEdit>("Form4", "Text1")->text(), "ROSSI");
  EXPECT_FALSE(find<QPushButton>("Form4", "Command2")->isVisible());
  via->setFocus();
  via->selectAll();
  QTest::keyClicks(via, "via milano 3");
  QTest::mouseClick(find<QPushButton>("Form4", "modifica"), Qt::LeftButton);
  EXPECT_FALSE(editor->isVisible());
  const std::string wrk = readFile(path("volontari.wrk"));
  EXPECT_NE(wrk.find("VIA MILANO 3"), std::string::npos);
  EXPECT_EQ(wrk.find("VIA NAPOLI 2"), std::string::npos);
  EXPECT_EQ(m->modificato, "1");
  EXPECT_EQ(find<QListWidget>("Form1", "List1")->count(), 2);
}

TEST_F(EditorGui, GuardAsksOnceWhenTheFocusLeavesTheProvince) {
  clickEntry(0);
  auto* combo2 = find<QComboBox>("Form4", "Combo2");
  auto* surname = find<QLineEdit>("Form4", "Text1");
  ASSERT_TRUE(combo2 && surname);
  window("Form4")->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window("Form4")));
  combo2->setFocus();
  QApplication::processEvents();
  ASSERT_TRUE(combo2->hasFocus() || combo2->lineEdit()->hasFocus());
  combo2->lineEdit()->selectAll();
  QTest::keyClicks(combo2->lineEdit(), "MILANO");
  platform.answers.push_back(ui::Answer::No);
  surname->setFocus();
  QApplication::processEvents();
  const std::string question = "La provincia non dovrebbe essere modificata. Vuoi modificarla?";
  EXPECT_EQ(std::count(platform.messages.begin(), platform.messages.end(), question), 1);
  // No: the stored province is back.
  EXPECT_EQ(combo2->currentText().left(4), "ROMA");
  // The message box closing did not repopulate (no activation): the typed
  // surname change survives a question.
  QTest::keyClicks(surname, "X");
  combo2->setFocus();
  QApplication::processEvents();
  surname->setFocus();
  QApplication::processEvents();
  EXPECT_EQ(std::count(platform.messages.begin(), platform.messages.end(), question), 1);
  EXPECT_TRUE(surname->text().endsWith("X"));
}

TEST_F(EditorGui, ComingBackFromTheMainWindowRepopulates) {
  clickEntry(0);
  auto* via = find<QLineEdit>("Form4", "Text12");
  QTest::keyClicks(via, " BIS");
  EXPECT_EQ(via->text(), "VIA ROMA 1 BIS");
  // The user goes to the main window and comes back: real activations.
  window("Form1")->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window("Form1")));
  EXPECT_EQ(via->text(), "VIA ROMA 1 BIS");
  window("Form4")->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window("Form4")));
  EXPECT_EQ(via->text(), "VIA ROMA 1");
  auto* tabs = find<QTabWidget>("Form4", "SSTab1");
  ASSERT_NE(tabs, nullptr);
  EXPECT_EQ(tabs->tabText(1), QString::fromUtf8("Disponibilità"));
}

// With the real message box: answering the guard's question gives the
// focus back to the editor without repopulating it.
class EditorRealDialogs : public GuiTest {};

TEST_F(EditorRealDialogs, TheGuardsOwnMessageBoxIsNotAnActivation) {
  qt::QtPlatform real;
  Modulo1 m2(real, dir_.string(), dir_.string());
  m2.form1().show();  // starts with an empty work copy
  writeFile(path("volontari.wrk"), volunteer("BIANCHI", "VIA ROMA 1") + "\r\n");
  m2.form1().ReloadList();
  auto* list = find<QListWidget>("Form1", "List1");
  ASSERT_EQ(list->count(), 1);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
  QWidget* editor = window("Form4");
  ASSERT_NE(editor, nullptr);
  editor->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(editor));
  auto* combo2 = find<QComboBox>("Form4", "Combo2");
  auto* via = find<QLineEdit>("Form4", "Text12");
  QTest::keyClicks(via, " BIS");
  combo2->setFocus();
  QTest::keyClicks(combo2->lineEdit(), "X");
  int questions = 0;
  QTimer::singleShot(100, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    ++questions;
    EXPECT_EQ(box->windowTitle(), "Archivio K.R.T.");
    for (QAbstractButton* b : box->buttons()) {
      if (b->text() == "&No") b->click();
    }
  });
  via->setFocus();
  QTest::qWait(300);
  EXPECT_EQ(questions, 1);
  EXPECT_EQ(via->text(), "VIA ROMA 1 BIS");  // not repopulated
  EXPECT_EQ(combo2->currentText().left(4), "ROMA");
}

}  // namespace
}  // namespace krt::gui

namespace krt::gui {
namespace {

// With no printer installed the sheet goes to a PDF file the user names.
class NoPrinterPlatform : public ScriptedQtPlatform {
 public:
  bool hasPrinter() override { return false; }
};

TEST_F(GuiTest, ProfileSheetPrintedToPdf) {
  NoPrinterPlatform platform;
  Modulo1 m(platform, dir_.string(), dir_.string());
  m.form1().show();
  writeFile(path("volontari.wrk"), volunteer("BIANCHI", "VIA ROMA 1") + "\r\n");
  m.form1().ReloadList();
  m.form1().control("List1").setListIndex(0);  // opens the editor on the volunteer
  ASSERT_TRUE(m.form4Loaded());
  platform.answers.push_back(ui::Answer::Yes);
  platform.files.push_back(path("scheda.pdf"));
  QTest::mouseClick(find<QPushButton>("Form4", "cmdstampa"), Qt::LeftButton);
  const std::string pdf = readFile(path("scheda.pdf"));
  ASSERT_GT(pdf.size(), 1000u);
  EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
  ASSERT_FALSE(platform.messages.empty());
  EXPECT_NE(platform.messages[0].find("stampante"), std::string::npos);
  if (const char* keep = std::getenv("KRT_KEEP_PDF"))
    std::filesystem::copy_file(path("scheda.pdf"), keep, std::filesystem::copy_options::overwrite_existing);
}

}  // namespace
}  // namespace krt::gui
