// The real selection window: criterion labels clicked with the mouse change
// colour, and "Cerca" lists the volunteers that meet them.
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "gui_support.h"
#include "mainwin/form1.h"
#include "mainwin/modulo1.h"
#include "records/volunteer_record.h"

namespace krt::gui {
namespace {

std::string volunteer(const char* cognome, const char* auto_, const char* gancio, const char* ore1g) {
  VolunteerRecord r;
  r.clear();
  r.provincia = "ROMA";
  r.associazione = "C.B. CLUB ROMA";
  r.cognome = cognome;
  r.autovettura = auto_;
  r.gancio = gancio;
  r.ore_1g = ore1g;
  return r.toLine();
}

class SelectGui : public GuiTest {};

TEST_F(SelectGui, TwoLabelsClickedThenCerca) {
  ScriptedQtPlatform platform;
  Modulo1 m(platform, dir_.string(), dir_.string());
  m.form1().show();
  writeFile(path("volontari.wrk"),
            volunteer("AUTO", "SI", "NO", "2 ") + "\r\n" + volunteer("GANCIO", "NO", "SI", "NO") + "\r\n" +
                volunteer("NIENTE", "NO", "NO", "4 ") + "\r\n" + volunteer("ENTRAMBI", "SI", "SI", "1 ") + "\r\n");
  for (QAction* a : window("Form1")->findChildren<QAction*>()) {
    if (a->objectName() == "mnsel") a->trigger();
  }
  ASSERT_NE(window("Form3"), nullptr);
  EXPECT_EQ(window("Form3")->windowTitle(), "Selezione");
  auto* lauto = find<QLabel>("Form3", "Lauto");
  auto* l1pp = find<QLabel>("Form3", "L1pp");
  ASSERT_TRUE(lauto && l1pp);
  EXPECT_EQ(lauto->palette().color(QPalette::Window), QColor(0, 0, 255));
  QTest::mouseClick(lauto, Qt::LeftButton);
  QTest::mouseClick(l1pp, Qt::LeftButton);
  EXPECT_EQ(lauto->palette().color(QPalette::Window), QColor(255, 0, 0));
  EXPECT_EQ(l1pp->palette().color(QPalette::Window), QColor(255, 0, 0));
  EXPECT_EQ(m.dotazioni_scelte, "1");
  QTest::mouseClick(find<QPushButton>("Form3", "cmdcerca"), Qt::LeftButton);
  auto* list = find<QListWidget>("Form3", "List1");
  ASSERT_EQ(list->count(), 2);  // a car, and some hours for one day
  EXPECT_TRUE(list->item(0)->text().mid(60, 25).startsWith("AUTO"));
  EXPECT_TRUE(list->item(1)->text().mid(60, 25).startsWith("ENTRAMBI"));
  EXPECT_EQ(list->item(0)->text().size(), 110);
}

}  // namespace
}  // namespace krt::gui
