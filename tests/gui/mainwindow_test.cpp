// The real main window: menu and controls, Apri, keyboard search, refused
// characters, lists that follow keys, wheel and clicks, and Scadenze.
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QWheelEvent>
#include <tuple>

#include "gui_support.h"

namespace krt::gui {
namespace {

// Names, captions and shortcuts of menu entries, mnemonics marked with '&'.
std::string captions(const QList<QAction*>& actions) {
  QString out;
  for (QAction* a : actions)
    out += (a->objectName().isEmpty() ? "" : a->objectName() + "=") + a->text() +
           (a->shortcut().isEmpty() ? "" : " " + a->shortcut().toString()) + "|";
  return out.toStdString();
}

TEST_F(GuiTest, MainWindowCarriesItsMenuAndControlsAndApriFillsTheList) {
  start();
  auto* mw = qobject_cast<QMainWindow*>(window("Form1"));
  ASSERT_TRUE(mw && mw->windowTitle() == "Profilo del volontario K.R.T.");
  EXPECT_EQ(captions(mw->menuBar()->actions()),
            "&File|&Aggiornamento|mnverifica=&Verifica|mnsel=&Selezione volontari|mnaggiu=A&ggiungere un archivio|"
            "S&trumenti|mnhelp=? F1|");
  auto* file = mw->findChild<QMenu*>("mnfile");
  ASSERT_TRUE(file);
  EXPECT_EQ(captions(file->actions()),
            "mnapri=&Apri Ctrl+O|mnsalva=&Salva Ctrl+S|mnscn=Sa&lva con nome Ctrl+Shift+S|mnesci=&Esci Ctrl+Q|");

  std::vector<std::string> lines;  // shorter than a record, shown as they are
  for (const char* cognome : {"ALFA", "BETA", "ALFIERI"}) lines.push_back("ROMA" + std::string(56, ' ') + cognome);
  std::ofstream(path("prova.txt"), std::ios::binary) << lines[0] + "\r\n" + lines[1] + "\r\n" + lines[2];
  platform.file = path("prova.txt");
  trigger("mnapri");
  QAbstractItemView* main = list("Form1");
  ASSERT_EQ(rows(main), 3);
  EXPECT_EQ(row(main, 1).toStdString(), lines[1]);
  // The status line: a bar under the controls, which stay where they were;
  // the window grows by the bar's height alone.
  auto* bar = mw->statusBar();
  ASSERT_TRUE(bar && QTest::qWaitForWindowExposed(mw));
  const auto text = [](const char* name) { return find<QLabel>("Form1", name)->text().toStdString(); };
  EXPECT_EQ(text("starchivio") + "|" + text("stvolontari") + "|" + text("stmodifiche"), "prova.txt|3 volontari|");
  const auto* archive = find<QLabel>("Form1", "starchivio");
  EXPECT_EQ(archive->toolTip() + "|" + archive->accessibleDescription(),
            QString::fromStdString(path("prova.txt") + "|" + path("prova.txt")));
  EXPECT_TRUE(bar->isVisible() && bar->height() > 0);
  QWidget* client = mw->centralWidget();
  EXPECT_EQ(client->geometry(), QRect(0, mw->menuBar()->height(), qt::px(11790), qt::px(8010)));
  EXPECT_EQ(main->geometry(), QRect(qt::px(720), qt::px(360), qt::px(10455), qt::px(6150)));
  EXPECT_EQ(bar->geometry().top(), client->geometry().bottom() + 1);
  EXPECT_EQ(mw->height(), mw->menuBar()->height() + qt::px(8010) + bar->height());

  // The search by keys alone.
  ASSERT_TRUE(activate("Form1"));
  EXPECT_TRUE(main->hasFocus());  // the first control of the reading order
  auto* search = find<QLineEdit>("Form1", "tcerca");
  search->setFocus();
  QTest::keyClicks(search, "alf");
  QTest::keyClick(search, Qt::Key_Return);
  EXPECT_EQ(main->currentIndex().row(), 0);
  QTest::keyClick(window("Form1"), Qt::Key_F3);
  EXPECT_EQ(main->currentIndex().row(), 2);
  EXPECT_TRUE(!window("Form4") && platform.messages.empty());    // the search opens no editor
  QTest::keyClick(window("Form1"), Qt::Key_V, Qt::AltModifier);  // "Verifica", a command on the bar itself
  EXPECT_TRUE(std::filesystem::exists(path("verifica.txt")) && search->text() == "alf");
  // Characters the archive cannot hold are refused, typed one at a time as
  // an input method delivers them.
  search->clear();
  for (QChar c : QString::fromUtf8("Citt\xC3\xA0 \xE4\xB8\xAD\xE2\x82\xAC")) {  // "Città 中€"
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(search, &press);
  }
  EXPECT_EQ(search->text(), QString::fromUtf8("Citt\xC3\xA0 \xE2\x82\xAC"));
  EXPECT_EQ(m->form1().control("tcerca").text(), "Citt\xE0 \x80");  // cp1252 bytes
}

// Enter opens the entry under the focus frame, as a click on it would, also
// when the focus came by Tab and the entry is not yet selected; in the main
// list and in the selection's result list, where a criterion label clicked
// with the mouse turns red and "Cerca" lists who meets it.
TEST_F(GuiTest, EnterOpensTheEntryUnderTheFocusFrame) {
  for (const auto& [name, count, downs, opened] : {std::tuple{"Form1", 3, 0, "ALFA"}, {"Form3", 2, 1, "GAMMA"}}) {
    SCOPED_TRACE(name);
    start({volunteer({{"cognome", "ALFA"}, {"autovettura", "SI"}}),
           volunteer({{"cognome", "BETA"}, {"autovettura", "NO"}}),
           volunteer({{"cognome", "GAMMA"}, {"autovettura", "SI"}})});
    if (std::string(name) == "Form3") {
      trigger("mnsel");
      ASSERT_TRUE(activate("Form3"));
      auto* label = find<QLabel>("Form3", "Lauto");
      QTest::mouseClick(label, Qt::LeftButton);
      EXPECT_EQ(label->palette().color(QPalette::Window), QColor(255, 0, 0));
      QTest::mouseClick(find<QPushButton>("Form3", "cmdcerca"), Qt::LeftButton);
    } else {
      ASSERT_TRUE(activate("Form1"));
      find<QLineEdit>("Form1", "tcerca")->setFocus();
    }
    QAbstractItemView* l = list(name);
    ASSERT_EQ(rows(l), count);
    ASSERT_TRUE(tabTo(l));
    for (int i = 0; i < downs; ++i) QTest::keyClick(l, Qt::Key_Down);
    QTest::keyClick(l, Qt::Key_Return);
    ASSERT_TRUE(shownSoon("Form4"));
    EXPECT_EQ(find<QLineEdit>("Form4", "Text1")->text().trimmed().toStdString(), opened);
    EXPECT_EQ(m->modo, "m");
    m.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

// A list longer than its window: the keys move the focus frame to the rows
// they name and keep it in sight, the wheel scrolls, and a click opens the
// row drawn under the pointer.
TEST_F(GuiTest, ALongListFollowsKeysWheelAndClicks) {
  std::vector<std::string> lines;
  for (int i = 0; i < 300; ++i)
    lines.push_back(volunteer({{"cognome", QString::asprintf("V%03d", i).toLatin1().constData()}}));
  start(lines);
  EXPECT_EQ(m->form1().control("List1").topIndex(), 0);  // before the event loop has measured the new rows
  ASSERT_TRUE(activate("Form1"));
  QAbstractItemView* l = list("Form1");
  l->setFocus();
  const int height = l->visualRect(l->model()->index(0, 0)).height(), page = l->viewport()->height() / height;
  ASSERT_GT(page, 5);
  const Qt::Key keys[] = {Qt::Key_Home,   Qt::Key_Down, Qt::Key_End,      Qt::Key_Up,
                          Qt::Key_PageUp, Qt::Key_Home, Qt::Key_PageDown, Qt::Key_Left};
  const int after[] = {0, 1, 299, 298, 298 - (page - 1), 0, page - 1, page - 1};
  for (int i = 0; i < 8; ++i) {  // each key, the row it leads to, kept in sight
    QTest::keyClick(l, keys[i]);
    const QRect box = l->visualRect(l->currentIndex());
    EXPECT_EQ((std::tuple{l->currentIndex().row(), box.top() >= 0, box.bottom() < l->viewport()->height()}),
              (std::tuple{after[i], true, true}))
        << keys[i];
  }
  EXPECT_TRUE(!window("Form4") && platform.messages.empty());  // moving opens nothing
  m->form1().control("List1").setTopIndex(100);
  EXPECT_EQ(m->form1().control("List1").topIndex(), 100);
  QWheelEvent wheel(QPointF(5, 5), l->viewport()->mapToGlobal(QPointF(5, 5)), {}, {0, -120}, Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(l->viewport(), &wheel);
  EXPECT_EQ(m->form1().control("List1").topIndex(), 100 + QApplication::wheelScrollLines());
  QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, QPoint(5, height + height / 2));
  ASSERT_TRUE(shownSoon("Form4"));
  EXPECT_EQ(find<QLineEdit>("Form4", "Text1")->text().trimmed().toStdString(),
            "V" + std::to_string(101 + QApplication::wheelScrollLines()));
}

// "Scadenze dei documenti…": the real number question, then the table of the
// window; Enter on a row and a double click, not a single click, open that
// row's volunteer in the editor.
TEST_F(GuiTest, ScadenzeAskedInTheRealDialogAndEnterOnARowOpensTheEditor) {
  start({volunteer({{"cognome", "ROSSI"}}),
         volunteer({{"cognome", "VERDI"}, {"nome", "ANNA"}, {"patente", "B"}, {"patente_scadenza", "01/01/2000"}}),
         volunteer({{"cognome", "NERI"}, {"patente", "B"}, {"patente_scadenza", "01/01/2001"}})});
  std::string asked;
  bool escape = true;
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    if (escape) {
      QTest::keyClick(dialog->focusWidget() ? dialog->focusWidget() : dialog, Qt::Key_Escape);
      return;
    }
    asked = dialog->labelText().toStdString() + " " + std::to_string(dialog->intValue()) + " " +
            std::to_string(dialog->intMinimum()) + "-" + std::to_string(dialog->intMaximum());
    dialog->setIntValue(30);
    dialog->accept();
  });
  answer.start(20);
  // Escape on the question opens nothing.
  trigger("mnscadenze");
  EXPECT_FALSE(window("FormScad") && window("FormScad")->isVisible());
  escape = false;
  trigger("mnscadenze");
  answer.stop();
  EXPECT_EQ(asked, "Scadenze entro quanti giorni? 90 0-3650");
  ASSERT_TRUE(window("FormScad") && window("FormScad")->windowTitle() == "Scadenze dei documenti");
  auto* table = find<QTableView>("FormScad", "tscadenze");
  ASSERT_TRUE(table && table->isVisible());
  QStringList headings;
  for (int i = 0; i < table->model()->columnCount(); ++i)
    headings << table->model()->headerData(i, Qt::Horizontal).toString();
  EXPECT_EQ(headings.join('|').toStdString(), "Cognome|Nome|Associazione|Provincia|Recapito|Documento|Scadenza|Stato");
  ASSERT_EQ(table->model()->rowCount(), 2);
  EXPECT_EQ(table->model()->index(0, 7).data().toString().toStdString(), "SCADUTO");
  const auto opened = [&](int row) {
    return QString::fromStdString(std::string(m->record.cognome.view())).trimmed() ==
           table->model()->index(row, 0).data();
  };
  table->setFocus();
  table->setCurrentIndex(table->model()->index(1, 0));
  QTest::keyClick(table, Qt::Key_Return);
  ASSERT_TRUE(shownSoon("Form4"));
  EXPECT_TRUE(opened(1) && !opened(0));
  const QPoint cell = table->visualRect(table->model()->index(0, 1)).center();
  QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell);
  EXPECT_TRUE(opened(1));
  QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell);
  EXPECT_TRUE(opened(0));
}

}  // namespace
}  // namespace krt::gui
