// Helpers for the tests that drive the real Qt windows (offscreen).
//
// A test waits for a condition, never for a fixed time, and with a bound:
// ASSERT_TRUE(QTest::qWaitFor(condition)). QTRY_VERIFY and QTRY_COMPARE report
// to a QTest run, not to GoogleTest: here their failures would pass unseen.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QAbstractItemView>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>

#include "mainwin/form1.h"
#include "mainwin/modulo1.h"
#include "platform/qt/qt_platform.h"
#include "records/volunteer_record.h"

namespace krt::gui {
namespace fs = std::filesystem;

// The Qt platform with scripted dialogs: the windows are real, the answers of
// message boxes and file dialogs come from the test unless `realBoxes`.
class ScriptedQtPlatform : public qt::QtPlatform {
 public:
  ui::Answer answer = ui::Answer::Ok;  // to every question
  std::optional<std::string> file;     // chosen in every file dialog
  std::vector<std::string> messages;
  bool realBoxes = false;
  bool printer = true;

  ui::Answer messageBox(std::string_view text, ui::Buttons buttons) override {
    if (realBoxes) return QtPlatform::messageBox(text, buttons);
    messages.emplace_back(text);
    return buttons == ui::Buttons::Ok ? ui::Answer::Ok : answer;
  }
  std::optional<std::string> openFileDialog(const ui::FileRequest&) override { return file; }
  std::optional<std::string> saveFileDialog(const ui::FileRequest&) override { return file; }
  bool hasPrinter() override { return printer && QtPlatform::hasPrinter(); }
};

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// A record line of a volunteer of ROMA with these fields set.
inline std::string volunteer(std::initializer_list<std::pair<const char*, const char*>> fields) {
  VolunteerRecord r;
  r.clear();
  r.provincia = "ROMA";
  r.associazione = "C.B. CLUB ROMA";
  for (const auto& [name, value] : fields) setField(r, *findField(name), value);
  return r.toLine();
}

// A scratch folder with the demo lookup lists, and the program on it.
class GuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("krt-gui-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    for (const char* f : {"province.dat", "associazioni.dat"})
      fs::copy_file(fs::path(KRT_SOURCE_DIR) / "demo" / f, dir_ / f);
  }
  void TearDown() override {
    m.reset();
    // Windows of the test go with deleteLater(): let them go now.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
    fs::remove_all(dir_);
  }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }

  // Starts the program; the work copy then holds these lines.
  void start(const std::vector<std::string>& lines = {}) {
    m = std::make_unique<Modulo1>(platform, dir_.string(), dir_.string());
    m->form1().show();
    std::ofstream wrk(path("volontari.wrk"), std::ios::binary);
    for (const auto& l : lines) wrk << l << "\r\n";
    wrk.close();
    m->form1().ReloadList();
  }

  static QWidget* window(const char* name) {
    for (QWidget* top : QApplication::topLevelWidgets())
      if (top->objectName() == name) return top;
    return nullptr;
  }
  // Whether the window is shown within QTest's usual wait of five seconds.
  static bool shownSoon(const char* name) {
    return QTest::qWaitFor([name] { return window(name) && window(name)->isVisible(); });
  }
  template <typename T = QWidget>
  static T* find(const char* windowName, const char* childName) {
    QWidget* w = window(windowName);
    return w ? w->findChild<T*>(childName) : nullptr;
  }
  static bool activate(const char* name) {
    window(name)->activateWindow();
    return QTest::qWaitForWindowActive(window(name));
  }
  static void trigger(const char* action) { window("Form1")->findChild<QAction*>(action)->trigger(); }

  // A window's list as the user sees it: its rows' texts, the current row
  // (the one with the focus frame), a row's place on the screen.
  static QAbstractItemView* list(const char* windowName) { return find<QAbstractItemView>(windowName, "List1"); }
  static int rows(QAbstractItemView* l) { return l->model()->rowCount(); }
  static QString row(QAbstractItemView* l, int r) { return l->model()->index(r, 0).data().toString(); }
  static QPoint rowCentre(QAbstractItemView* l, int r) { return l->visualRect(l->model()->index(r, 0)).center(); }
  // Presses Tab until the focus reaches the widget; false if it never does.
  static bool tabTo(QWidget* target) {
    for (int i = 0; i < 40 && !target->hasFocus(); ++i) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    return target->hasFocus();
  }

  fs::path dir_;
  ScriptedQtPlatform platform;
  std::unique_ptr<Modulo1> m;
};

}  // namespace krt::gui
