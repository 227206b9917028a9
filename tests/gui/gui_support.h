// Helpers for the tests that drive the real Qt windows (offscreen).
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QTest>
#include <QWidget>
#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "platform/qt/qt_platform.h"

namespace krt::gui {

// The Qt platform with scripted dialogs: the windows are real, only the
// answers of message boxes and file dialogs come from the test.
class ScriptedQtPlatform : public qt::QtPlatform {
 public:
  std::deque<ui::Answer> answers;
  std::deque<std::optional<std::string>> files;
  std::vector<std::string> messages;

  ui::Answer messageBox(std::string_view text, ui::Buttons buttons) override {
    messages.emplace_back(text);
    if (buttons == ui::Buttons::Ok || answers.empty()) return ui::Answer::Ok;
    const auto a = answers.front();
    answers.pop_front();
    return a;
  }
  std::optional<std::string> openFileDialog(const ui::FileRequest&) override { return next(); }
  std::optional<std::string> saveFileDialog(const ui::FileRequest&) override { return next(); }

 private:
  std::optional<std::string> next() {
    if (files.empty()) return std::nullopt;
    auto f = files.front();
    files.pop_front();
    return f;
  }
};

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// A scratch folder holding copies of the demo lookup lists.
class GuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           ("krt-gui-" + std::string(info->name()) + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    for (const char* f : {"province.dat", "associazioni.dat", "archivio.txt", "krt.hlp"}) {
      const auto src = std::filesystem::path(KRT_SOURCE_DIR) / "demo" / f;
      if (std::filesystem::exists(src)) std::filesystem::copy_file(src, dir_ / f);
    }
  }
  void TearDown() override {
    // Windows of the test go with deleteLater(): let them go now.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
    std::filesystem::remove_all(dir_);
  }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }

  template <typename T = QWidget>
  static T* find(const char* windowName, const char* childName) {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (top->objectName() == windowName) return top->findChild<T*>(childName);
    }
    return nullptr;
  }
  static QWidget* window(const char* name) {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (top->objectName() == name) return top;
    }
    return nullptr;
  }

  std::filesystem::path dir_;
};

}  // namespace krt::gui
