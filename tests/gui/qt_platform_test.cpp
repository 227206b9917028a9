// The Qt platform's own answers: the real message box closed by each button,
// by Escape and by its frame, for every button set; the mouse wheel over a
// combo box with and without the focus; the last part of a progress.
#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QWheelEvent>
#include <tuple>

#include "gui_support.h"
#include "select/form3.h"

namespace krt::gui {
namespace {

using ui::Answer;
using ui::Buttons;

// Plays the user on the real message box: each step, on the box still open,
// is "Esc", "Close" (its frame) or the caption of a button to click.
Answer answeredBy(ScriptedQtPlatform& platform, Buttons buttons, const QStringList& steps) {
  qsizetype next = 0;
  QTimer user;
  QObject::connect(&user, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) return;
    if (next == steps.size()) {  // every step done and the box still open
      ADD_FAILURE() << "the box stayed open";
      box->done(0);
      return;
    }
    const QString step = steps[next++];
    if (step == "Esc")  // where the key goes: the focused button, which passes it to the box
      QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, Qt::Key_Escape);
    else if (step == "Close")
      box->close();
    else
      for (QAbstractButton* b : box->buttons())
        if (b->text() == step) b->click();
  });
  user.start(10);
  platform.realBoxes = true;
  const Answer answer = platform.messageBox("Domanda?", buttons);
  EXPECT_EQ(next, steps.size()) << "the box ended before every step was played";
  return answer;
}

TEST_F(GuiTest, MessageBoxAnswersByEachButtonEscapeAndItsFrame) {
  const QString si = QString::fromUtf8("&S\xC3\xAC");
  struct Row {
    Buttons buttons;
    QStringList steps;
    Answer answer;
  };
  std::vector<Row> rows = {
      {Buttons::Ok, {"OK"}, Answer::Ok},
      {Buttons::YesNoCancel, {"Annulla"}, Answer::Cancel},
      // One of the two must be chosen: Escape and the frame leave the box open.
      {Buttons::YesNoRequired, {"Esc", "Close", "&No"}, Answer::No},
      {Buttons::YesNoRequired, {"Close", "Esc", si}, Answer::Yes},
  };
  // "Sì" and "No" answer in every box that has them.
  for (const Buttons buttons : {Buttons::YesNo, Buttons::YesNoCancel, Buttons::YesNoRequired})
    rows.insert(rows.end(), {{buttons, {si}, Answer::Yes}, {buttons, {"&No"}, Answer::No}});
  // Every other box is dismissed by Escape and by its frame.
  for (const Buttons buttons : {Buttons::Ok, Buttons::YesNo, Buttons::YesNoCancel})
    for (const QString step : {"Esc", "Close"}) rows.push_back({buttons, {step}, Answer::Dismissed});
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(row.buttons) << " " << row.steps.join(',').toStdString());
    EXPECT_EQ(answeredBy(platform, row.buttons, row.steps), row.answer);
  }
}

// Counts the wheel events that reach a widget.
struct WheelCounter : QObject {
  int wheels = 0;
  bool eventFilter(QObject*, QEvent* e) override {
    wheels += e->type() == QEvent::Wheel;
    return false;
  }
};

// Over a combo box without the focus the wheel changes nothing, raises no
// event and goes on to what lies under it; with the focus it steps the items.
TEST_F(GuiTest, WheelStepsOnlyAFocusedComboBox) {
  start();
  trigger("mnsel");
  ASSERT_TRUE(activate("Form3"));
  auto* level = find<QComboBox>("Form3", "cbliv");
  auto* other = find<QLineEdit>("Form3", "Tprof");
  ASSERT_TRUE(level && other);
  WheelCounter under;
  level->parentWidget()->installEventFilter(&under);
  // The wheel turned down over the combo box with the focus on `focused`:
  // the box's item, whether the level is chosen, the focus, the wheels below.
  const auto wheelDown = [&](QWidget* focused) {
    focused->setFocus();
    EXPECT_TRUE(QTest::qWaitFor([&] { return focused->hasFocus(); }));
    QWheelEvent e(QPointF(5, 5), level->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(level, &e);
    return std::tuple{level->currentIndex(), level->currentText().toStdString(), m->form3().chosen("Label7"),
                      focused->hasFocus(), under.wheels};
  };
  EXPECT_EQ(wheelDown(other), (std::tuple{-1, "", false, true, 1}));
  // Picked as by the list: the level is chosen.
  EXPECT_EQ(wheelDown(level), (std::tuple{0, "COM", true, true, 1}));
}

// The last part of a long work cannot be stopped: the dialog says what it
// does and its cancel button goes off, so that a click on it is not lost.
TEST_F(GuiTest, TheLastPartOfAProgressCannotBeCancelled) {
  const auto progress = platform.createProgress("Esportazione dei volontari in corso...");
  auto* dialog = qobject_cast<QProgressDialog*>(window("progresso"));
  ASSERT_TRUE(dialog);
  EXPECT_TRUE(progress->step(1, 10));
  auto* cancel = dialog->findChild<QPushButton*>();
  ASSERT_TRUE(cancel && cancel->isEnabled());
  ASSERT_FALSE(dialog->isVisible());  // a second has not gone by
  dialog->setMinimumDuration(0);      // now the work has lasted half of it
  progress->finishing("Completamento in corso...");
  EXPECT_TRUE(dialog->isVisible());  // shown now: no event would show it later
  EXPECT_EQ(dialog->labelText(), "Completamento in corso...");
  EXPECT_FALSE(cancel->isEnabled());
}

}  // namespace
}  // namespace krt::gui
