// The Qt platform: the program's windows as Qt Widgets.
//
// Windows are built from their WindowDesc: every control becomes a widget
// whose objectName is the control's name, placed at its position in twips
// (15 twips per pixel at 96 DPI; Qt scales for high-DPI screens). Qt's
// signals are turned into the logic's events: only what the user does raises
// an event; text and items set from code raise none.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui.h"

class QWidget;

namespace krt::qt {

class QtWindow;

// cp1252 <-> QString.
QString toQ(std::string_view text);
std::string fromQ(const QString& text);
// Twips to device-independent pixels (15 twips a pixel).
int px(int twips);

class QtPlatform : public QObject, public ui::Platform {
 public:
  QtPlatform();
  ~QtPlatform() override;

  std::unique_ptr<ui::Window> createWindow(const ui::WindowDesc& desc, ui::EventSink& sink) override;
  ui::Answer messageBox(std::string_view text, ui::Buttons buttons) override;
  std::optional<std::string> openFileDialog(const ui::FileRequest& request) override;
  std::optional<std::string> saveFileDialog(const ui::FileRequest& request) override;
  std::optional<ui::ChosenFile> saveFileDialogFiltered(const ui::FileRequest& request) override;
  std::optional<int> askNumber(std::string_view text, int min, int max, int value) override;
  std::unique_ptr<ui::Progress> createProgress(std::string_view text) override;
  bool showHelp(const std::string& path) override;
  void setBusy(bool busy) override;
  bool hasPrinter() override;
  std::unique_ptr<ui::Printer> createPrinter(const std::string& pdfPath) override;
  void post(std::function<void()> fn) override;
  void quit() override;

  bool quitting() const { return quitting_; }

  // Windows report here; the platform decides what counts as activation.
  void windowShown(QtWindow* window);
  void windowHidden(QtWindow* window);
  void forget(QtWindow* window);

  // Runs a handler of the logic; an unexpected exception becomes a message
  // instead of ending the program.
  void guarded(const std::function<void()>& fn);

  // The window a dialog should belong to.
  QWidget* dialogParent() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void focusChanged(QWidget* old, QWidget* now);
  QtWindow* windowOf(QObject* object) const;

  std::vector<QtWindow*> windows_;
  void activated(QtWindow* window);

  QtWindow* lastActive_ = nullptr;
  QtWindow* pendingShow_ = nullptr;
  int busyDepth_ = 0;
  bool quitting_ = false;
  QPointer<QWidget> help_;
};

}  // namespace krt::qt
