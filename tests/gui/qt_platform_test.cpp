// The Qt platform's own answers: the real message box closed by each button,
// by Escape and by its frame, for every button set.
#include <QAbstractButton>
#include <QMessageBox>
#include <QTimer>

#include "gui_support.h"

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
    if (step == "Esc") {
      // Where the key goes: the focused button, which passes it to the box.
      QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, Qt::Key_Escape);
    } else if (step == "Close") {
      box->close();
    } else {
      for (QAbstractButton* b : box->buttons())
        if (b->text() == step) b->click();
    }
  });
  user.start(10);
  platform.realBoxes = true;
  const Answer answer = platform.messageBox("Domanda?", buttons);
  EXPECT_EQ(next, steps.size()) << "the box ended before every step was played";
  return answer;
}

TEST_F(GuiTest, MessageBoxAnswersByEachButtonEscapeAndItsFrame) {
  const QString si = QString::fromUtf8("&S\xC3\xAC");
  const struct {
    Buttons buttons;
    QStringList steps;
    Answer answer;
  } rows[] = {
      {Buttons::Ok, {"OK"}, Answer::Ok},
      {Buttons::Ok, {"Esc"}, Answer::Dismissed},
      {Buttons::Ok, {"Close"}, Answer::Dismissed},
      {Buttons::YesNo, {si}, Answer::Yes},
      {Buttons::YesNo, {"&No"}, Answer::No},
      {Buttons::YesNo, {"Esc"}, Answer::Dismissed},
      {Buttons::YesNo, {"Close"}, Answer::Dismissed},
      {Buttons::YesNoCancel, {si}, Answer::Yes},
      {Buttons::YesNoCancel, {"&No"}, Answer::No},
      {Buttons::YesNoCancel, {"Annulla"}, Answer::Cancel},
      {Buttons::YesNoCancel, {"Esc"}, Answer::Dismissed},
      {Buttons::YesNoCancel, {"Close"}, Answer::Dismissed},
      // One of the two must be chosen: Escape and the frame leave the box open.
      {Buttons::YesNoRequired, {si}, Answer::Yes},
      {Buttons::YesNoRequired, {"&No"}, Answer::No},
      {Buttons::YesNoRequired, {"Esc", "Close", "&No"}, Answer::No},
      {Buttons::YesNoRequired, {"Close", "Esc", si}, Answer::Yes},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(row.buttons) << " " << row.steps.join(',').toStdString());
    EXPECT_EQ(answeredBy(platform, row.buttons, row.steps), row.answer);
  }
}

}  // namespace
}  // namespace krt::gui
