// The real main window: its menu and controls, and "Apri" filling the list.
#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

#include "gui_support.h"
#include "mainwin/form1.h"
#include "mainwin/modulo1.h"

namespace krt::gui {
namespace {

class MainWindowTest : public GuiTest {};

TEST_F(MainWindowTest, MenuAndControlsCarryTheirNamesAndCaptions) {
  ScriptedQtPlatform platform;
  Modulo1 m(platform, dir_.string(), dir_.string());
  m.form1().show();
  auto* mw = qobject_cast<QMainWindow*>(window("Form1"));
  ASSERT_NE(mw, nullptr);
  EXPECT_EQ(mw->windowTitle(), "Profilo del volontario K.R.T.");

  QStringList bar;
  for (QAction* a : mw->menuBar()->actions()) bar << QString(a->text()).remove('&');
  EXPECT_EQ(bar,
            (QStringList{"File", "Aggiornamento", "Verifica", "Selezione volontari", "Aggiungere un archivio", "?"}));
  auto* file = mw->findChild<QMenu*>("mnfile");
  ASSERT_NE(file, nullptr);
  QStringList items;
  for (QAction* a : file->actions()) items << a->objectName() + "=" + QString(a->text()).remove('&');
  EXPECT_EQ(items, (QStringList{"mnapri=Apri", "mnsalva=Salva", "mnscn=Salva con nome", "mnesci=Esci"}));
  EXPECT_EQ(file->actions()[0]->shortcut(), QKeySequence("Ctrl+O"));
  EXPECT_EQ(mw->menuBar()->actions()[0]->text(), "&File");
  EXPECT_NE(mw->findChild<QAction*>("mnins"), nullptr);
  EXPECT_NE(mw->findChild<QAction*>("mnverifica"), nullptr);

  EXPECT_NE(find<QListWidget>("Form1", "List1"), nullptr);
  EXPECT_NE(find<QLineEdit>("Form1", "tcerca"), nullptr);
  EXPECT_EQ(find<QPushButton>("Form1", "cmdcerca")->text(), "Cerca");
  EXPECT_EQ(find<QPushButton>("Form1", "cmdprossimo")->text(), "Cerca successivo");
  EXPECT_EQ(find<QListWidget>("Form1", "List1")->font().family(), QFont("Courier New").family());
}

TEST_F(MainWindowTest, ApriThroughTheDialogFillsTheList) {
  const std::string line1 = std::string("ROMA") + std::string(16, ' ') + std::string(40, 'A') + "ROSSI";
  const std::string line2 = std::string("ROMA") + std::string(16, ' ') + std::string(40, 'A') + "VERDI";
  writeFile(path("prova.txt"), line1 + "\r\n" + line2);
  ScriptedQtPlatform platform;
  Modulo1 m(platform, dir_.string(), dir_.string());
  m.form1().show();
  platform.files.push_back(path("prova.txt"));
  for (QAction* a : window("Form1")->findChildren<QAction*>()) {
    if (a->objectName() == "mnapri") a->trigger();
  }
  auto* list = find<QListWidget>("Form1", "List1");
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->item(0)->text().toStdString(), line1);
  EXPECT_EQ(readFile(path("volontari.wrk")), line1 + "\r\n" + line2 + "\r\n");
  EXPECT_EQ(m.nome_archivio, path("prova.txt"));
}

}  // namespace
}  // namespace krt::gui

namespace krt::gui {
namespace {

TEST_F(MainWindowTest, EnterSearchesAndF3SearchesOn) {
  ScriptedQtPlatform platform;
  Modulo1 m(platform, dir_.string(), dir_.string());
  m.form1().show();
  std::string lines;
  for (const char* name : {"ALFA", "BETA", "ALFIERI"})
    lines += std::string(60, 'X') + name + std::string(46, ' ') + "\r\n";
  writeFile(path("volontari.wrk"), lines);
  m.form1().ReloadList();
  QWidget* w = window("Form1");
  w->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w));
  auto* search = find<QLineEdit>("Form1", "tcerca");
  auto* list = find<QListWidget>("Form1", "List1");
  search->setFocus();
  QTest::keyClicks(search, "alf");
  QTest::keyClick(search, Qt::Key_Return);
  EXPECT_EQ(list->currentRow(), 0);
  QTest::keyClick(w, Qt::Key_F3);
  EXPECT_EQ(list->currentRow(), 2);
  EXPECT_EQ(window("Form4"), nullptr);  // the search opens no editor
  EXPECT_TRUE(platform.messages.empty());
  // Alt+V: "Verifica", a command on the menu bar itself.
  QTest::keyClick(w, Qt::Key_V, Qt::AltModifier);
  EXPECT_TRUE(std::filesystem::exists(path("verifica.txt")));
}

}  // namespace
}  // namespace krt::gui

namespace krt::gui {
namespace {

TEST_F(MainWindowTest, KeyboardOnlyOpensAVolunteer) {
  ScriptedQtPlatform platform;
  Modulo1 m(platform, dir_.string(), dir_.string());
  m.form1().show();
  writeFile(path("volontari.wrk"), std::string(60, 'X') + "ROSSI\r\n" + std::string(60, 'X') + "VERDI\r\n");
  m.form1().ReloadList();
  QWidget* w = window("Form1");
  w->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w));
  auto* list = find<QListWidget>("Form1", "List1");
  EXPECT_TRUE(list->hasFocus());  // the first control of the reading order
  QTest::keyClick(list, Qt::Key_Down);
  QTest::keyClick(list, Qt::Key_Down);
  QTest::keyClick(list, Qt::Key_Return);
  ASSERT_NE(window("Form4"), nullptr);
  EXPECT_TRUE(window("Form4")->isVisible());
  EXPECT_EQ(m.record.cognome.view().substr(0, 5), "VERDI");
}

}  // namespace
}  // namespace krt::gui

namespace krt::gui {
namespace {

TEST_F(MainWindowTest, CharactersTheArchiveCannotHoldAreRefused) {
  ScriptedQtPlatform platform;
  Modulo1 m(platform, dir_.string(), dir_.string());
  m.form1().show();
  auto* search = find<QLineEdit>("Form1", "tcerca");
  search->setFocus();
  // Typed one character at a time, as an input method delivers them.
  for (QChar c : QString::fromUtf8("Citt\xC3\xA0 \xE4\xB8\xAD\xE2\x82\xAC")) {  // "Città 中€"
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(search, &press);
  }
  EXPECT_EQ(search->text(), QString::fromUtf8("Citt\xC3\xA0 \xE2\x82\xAC"));
  EXPECT_EQ(m.form1().control("tcerca").text(), "Citt\xE0 \x80");  // cp1252 bytes
}

}  // namespace
}  // namespace krt::gui
