#include "platform/qt/qt_platform.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QCloseEvent>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QProgressDialog>
#include <QFont>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <exception>

#include "platform/qt/qt_printer.h"
#include "platform/qt/qt_window.h"
#include "records/cp1252.h"

namespace krt::qt {

QString toQ(std::string_view text) { return QString::fromStdString(cp1252::toUtf8(text)); }

std::string fromQ(const QString& text) { return cp1252::fromUtf8(text.toStdString()); }

int px(int twips) { return (twips + 7) / 15; }

namespace {

// "Description|pattern|..." as a Qt filter list. "*.*" means every file.
QString qtFilter(const std::string& filter) {
  const QStringList parts = toQ(filter).split('|');
  QStringList out;
  for (int i = 0; i < parts.size(); i += 2) {
    QString pattern = i + 1 < parts.size() ? parts[i + 1] : parts[i];
    pattern.replace("*.*", "*");
    QString description = parts[i];
    description.replace("(*.*)", "(*)");
    out << (description.contains('(') ? description : description + " (" + pattern + ")");
  }
  return out.join(";;");
}

}  // namespace

QtPlatform::QtPlatform() {
  // The layouts name Windows fonts; these are their metric-compatible faces.
  QFont::insertSubstitution("Courier New", "Liberation Mono");
  QFont::insertSubstitution("MS Sans Serif", "Liberation Sans");
  qApp->installEventFilter(this);
  connect(qApp, &QApplication::focusChanged, this, &QtPlatform::focusChanged);
}

QtPlatform::~QtPlatform() {
  if (qApp) qApp->removeEventFilter(this);
  while (busyDepth_ > 0) setBusy(false);
}

std::unique_ptr<ui::Window> QtPlatform::createWindow(const ui::WindowDesc& desc, ui::EventSink& sink) {
  auto w = std::make_unique<QtWindow>(*this, desc, sink);
  windows_.push_back(w.get());
  return w;
}

void QtPlatform::forget(QtWindow* window) {
  std::erase(windows_, window);
  if (lastActive_ == window) lastActive_ = nullptr;
  if (pendingShow_ == window) pendingShow_ = nullptr;
}

QtWindow* QtPlatform::windowOf(QObject* object) const {
  for (QtWindow* w : windows_) {
    if (w->top() == object) return w;
  }
  return nullptr;
}

QWidget* QtPlatform::dialogParent() const {
  if (QWidget* a = QApplication::activeWindow()) return a;
  return lastActive_ ? lastActive_->top() : nullptr;
}

// Activation: a window of the program becomes the active one after another
// window of the program was. Returning from the window's own message boxes
// and dialogs, or from another application, leaves the last active window
// unchanged and so raises nothing.
//
// show() activates at once, as the logic expects; the window system's own
// activation events arrive later, and those still queued for the window that
// was active before are stale: they are ignored until the shown window's own
// activation arrives (or a moment has passed).
void QtPlatform::windowShown(QtWindow* window) {
  pendingShow_ = window;
  QTimer::singleShot(500, this, [this, window] {
    if (pendingShow_ == window) pendingShow_ = nullptr;
  });
  activated(window);
}

void QtPlatform::activated(QtWindow* window) {
  if (lastActive_ == window) return;
  lastActive_ = window;
  if (auto* sink = window->sink()) guarded([&] { sink->onActivate(); });
}

void QtPlatform::windowHidden(QtWindow* window) {
  if (lastActive_ == window) lastActive_ = nullptr;
  if (pendingShow_ == window) pendingShow_ = nullptr;
}

bool QtPlatform::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::WindowActivate) {
    if (QtWindow* w = windowOf(watched)) {
      if (pendingShow_ == nullptr || pendingShow_ == w) {
        pendingShow_ = nullptr;
        activated(w);
      }
    }
  }
  return QObject::eventFilter(watched, event);
}

// Lost focus: the focus moved from a control to another control of the
// program. A control's own drop-down list, a message box or a dialog taking
// the focus, and the program losing the focus to another application do not
// count.
void QtPlatform::focusChanged(QWidget* old, QWidget* now) {
  if (!old || !now) return;
  for (QWidget* top = now->window(); top; top = top->parentWidget() ? top->parentWidget()->window() : nullptr) {
    if (qobject_cast<QDialog*>(top)) return;
    if (!top->parentWidget()) break;
  }
  for (QtWindow* w : windows_) {
    QtControl* from = w->controlOf(old);
    if (!from) continue;
    for (QtWindow* v : windows_) {
      if (v->controlOf(now) == from) return;  // still inside the same control
    }
    // The combo box's popup list belongs to the combo box.
    for (QObject* o = now; o; o = o->parent()) {
      if (o == from->widget()) return;
    }
    from->raise(ui::Event::LostFocus);
    return;
  }
}

void QtPlatform::guarded(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const std::exception& e) {
    messageBox("Errore imprevisto: " + cp1252::fromUtf8(e.what()), ui::Buttons::Ok);
  }
}

namespace {

// A message box that tells a button from a dismissal. QMessageBox turns
// Escape and the frame's close into a click on its escape button (on a Yes/No
// box, No), so an answer nobody chose would reach the logic; here they end
// the box with no button, or, for a box whose answer must be chosen, do
// nothing.
class QuestionBox : public QMessageBox {
 public:
  QuestionBox(QWidget* parent, bool mustChoose) : QMessageBox(parent), mustChoose_(mustChoose) {}

  bool dismissed() const { return dismissed_; }

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    if (e->matches(QKeySequence::Cancel)) {
      if (!mustChoose_) dismiss();
      return;
    }
    QMessageBox::keyPressEvent(e);
  }
  void closeEvent(QCloseEvent* e) override {
    if (dismissed_ || clickedButton()) {
      e->accept();  // the box is already ending
    } else if (mustChoose_) {
      e->ignore();
    } else {
      dismissed_ = true;
      QDialog::closeEvent(e);  // rejects; QMessageBox's own would click No
    }
  }

 private:
  void dismiss() {
    dismissed_ = true;
    reject();  // ends exec() with no button clicked
  }

  bool mustChoose_;
  bool dismissed_ = false;
};

}  // namespace

ui::Answer QtPlatform::messageBox(std::string_view text, ui::Buttons buttons) {
  QuestionBox box(dialogParent(), buttons == ui::Buttons::YesNoRequired);
  box.setWindowTitle(QString::fromUtf8(ui::kAppTitle));
  box.setIcon(QMessageBox::NoIcon);
  box.setText(toQ(text));
  // Screen readers announce the box by its title and read its text.
  box.setAccessibleName(QString::fromUtf8(ui::kAppTitle));
  box.setAccessibleDescription(toQ(text));
  std::map<QAbstractButton*, ui::Answer> answers;
  const auto add = [&](const char* caption, QMessageBox::ButtonRole role, ui::Answer a) {
    QPushButton* b = box.addButton(QString::fromUtf8(caption), role);
    answers[b] = a;
    if (answers.size() == 1) box.setDefaultButton(b);
  };
  switch (buttons) {
    case ui::Buttons::Ok:
      add("OK", QMessageBox::AcceptRole, ui::Answer::Ok);
      break;
    case ui::Buttons::YesNo:
    case ui::Buttons::YesNoRequired:
      add("&S\xC3\xAC", QMessageBox::YesRole, ui::Answer::Yes);
      add("&No", QMessageBox::NoRole, ui::Answer::No);
      break;
    case ui::Buttons::YesNoCancel:
      add("&S\xC3\xAC", QMessageBox::YesRole, ui::Answer::Yes);
      add("&No", QMessageBox::NoRole, ui::Answer::No);
      add("Annulla", QMessageBox::RejectRole, ui::Answer::Cancel);
      break;
  }
  const bool wasBusy = busyDepth_ > 0;
  if (wasBusy) QApplication::setOverrideCursor(Qt::ArrowCursor);
  box.exec();
  if (wasBusy) QApplication::restoreOverrideCursor();
  const auto it = answers.find(box.clickedButton());
  return box.dismissed() || it == answers.end() ? ui::Answer::Dismissed : it->second;
}

std::optional<std::string> QtPlatform::openFileDialog(const ui::FileRequest& r) {
  const QString path = QFileDialog::getOpenFileName(dialogParent(), toQ(r.title), QString::fromStdString(r.folder),
                                                    qtFilter(r.filter), nullptr, QFileDialog::DontUseNativeDialog);
  if (path.isEmpty()) return std::nullopt;
  return QFile::encodeName(path).toStdString();
}

std::optional<std::string> QtPlatform::saveFileDialog(const ui::FileRequest& r) {
  const QString path = QFileDialog::getSaveFileName(dialogParent(), toQ(r.title), QString::fromStdString(r.folder),
                                                    qtFilter(r.filter), nullptr, QFileDialog::DontUseNativeDialog);
  if (path.isEmpty()) return std::nullopt;
  return QFile::encodeName(path).toStdString();
}

std::optional<ui::ChosenFile> QtPlatform::saveFileDialogFiltered(const ui::FileRequest& r) {
  const QString filters = qtFilter(r.filter);
  QString selected;
  const QString path = QFileDialog::getSaveFileName(dialogParent(), toQ(r.title), QString::fromStdString(r.folder),
                                                    filters, &selected, QFileDialog::DontUseNativeDialog);
  if (path.isEmpty()) return std::nullopt;
  return ui::ChosenFile{QFile::encodeName(path).toStdString(), std::max(0, static_cast<int>(filters.split(";;").indexOf(selected)))};
}

std::optional<int> QtPlatform::askNumber(std::string_view text, int min, int max, int value) {
  // QInputDialog::getInt, with the program's title and Italian buttons.
  QInputDialog dialog(dialogParent());
  dialog.setObjectName("numero");
  dialog.setWindowTitle(QString::fromUtf8(ui::kAppTitle));
  dialog.setLabelText(toQ(text));
  dialog.setInputMode(QInputDialog::IntInput);
  dialog.setIntRange(min, max);
  dialog.setIntValue(value);
  dialog.setOkButtonText(QString::fromUtf8("OK"));
  dialog.setCancelButtonText(QString::fromUtf8("Annulla"));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.intValue();
}

namespace {

// QProgressDialog shows itself once the work has lasted a second; being
// application-modal, it leaves only its own cancel button live.
class QtProgress : public ui::Progress {
 public:
  QtProgress(const QString& text, QWidget* parent) : dialog_(text, QString::fromUtf8("Annulla"), 0, kSteps, parent) {
    dialog_.setObjectName("progresso");
    dialog_.setWindowTitle(QString::fromUtf8(ui::kAppTitle));
    dialog_.setWindowModality(Qt::ApplicationModal);
    dialog_.setMinimumDuration(1000);
    dialog_.setAutoReset(false);
    dialog_.setAutoClose(false);
    dialog_.setValue(0);
    started_.start();
  }
  bool step(std::uint64_t done, std::uint64_t total) override {
    const int value = total == 0 ? kSteps : static_cast<int>(std::min<std::uint64_t>(done, total) * kSteps / total);
    // setValue lets the dialog handle its events; once per thousandth is enough.
    if (value != dialog_.value()) dialog_.setValue(value);
    return !dialog_.wasCanceled();
  }
  void finishing(std::string_view text) override {
    dialog_.setLabelText(toQ(text));
    if (auto* cancel = dialog_.findChild<QPushButton*>()) cancel->setEnabled(false);
    // No events are handled from here to the end: a work already half its
    // way to the dialog's second shows the dialog now, or it would not appear.
    if (!dialog_.isVisible() && started_.elapsed() >= dialog_.minimumDuration() / 2) dialog_.show();
    if (dialog_.isVisible()) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }

 private:
  static constexpr int kSteps = 1000;
  QProgressDialog dialog_;
  QElapsedTimer started_;
};

}  // namespace

std::unique_ptr<ui::Progress> QtPlatform::createProgress(std::string_view text) {
  return std::make_unique<QtProgress>(toQ(text), dialogParent());
}

bool QtPlatform::showHelp(const std::string& path) {
  if (!help_) {
    auto* dlg = new QDialog(nullptr);
    dlg->setObjectName("guida");
    dlg->setWindowTitle(QString::fromUtf8("Guida - ") + QString::fromUtf8(ui::kAppTitle));
    dlg->setAttribute(Qt::WA_DeleteOnClose);
    auto* browser = new QTextBrowser(dlg);
    browser->setObjectName("testoGuida");
    browser->setOpenExternalLinks(false);
    auto* box = new QVBoxLayout(dlg);
    box->addWidget(browser);
    dlg->resize(640, 520);
    help_ = dlg;
  }
  auto* browser = help_->findChild<QTextBrowser*>("testoGuida");
  QFile file(QFile::decodeName(path.c_str()));
  if (!file.open(QIODevice::ReadOnly)) return false;
  browser->setHtml(QString::fromUtf8(file.readAll()));
  browser->scrollToAnchor("indice");
  help_->show();
  help_->raise();
  help_->activateWindow();
  return true;
}

void QtPlatform::setBusy(bool busy) {
  if (busy) {
    if (busyDepth_++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
  } else if (busyDepth_ > 0) {
    if (--busyDepth_ == 0) QApplication::restoreOverrideCursor();
  }
}

bool QtPlatform::hasPrinter() { return QtPrinter::printerInstalled(); }

std::unique_ptr<ui::Printer> QtPlatform::createPrinter(const std::string& pdfPath) {
  return std::make_unique<QtPrinter>(pdfPath);
}

void QtPlatform::post(std::function<void()> fn) {
  QTimer::singleShot(0, this, [this, fn = std::move(fn)] { guarded(fn); });
}

void QtPlatform::quit() {
  quitting_ = true;
  QApplication::closeAllWindows();
  QCoreApplication::quit();
}

}  // namespace krt::qt
