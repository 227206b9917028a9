// The report viewer: the verification report in a list under its title,
// printable. Modeless; it re-reads the report each time it becomes the
// active window, so it always shows the latest run.
#pragma once

#include <string>

#include "platform/form.h"

namespace krt {

class Modulo1;

// The window's description: caption, controls at their positions.
const ui::WindowDesc& formvDesc();

class formv : public ui::Form {
 public:
  explicit formv(Modulo1& m);

  // The report to show: its title and the file written by the run.
  void setReport(std::string title, std::string path);
  void show() { window().show(); }

  // Fills the list: title, an empty item, the lines of the report. Runs
  // every time the window becomes the active window, the first show
  // included.
  void Form_Activate();

  void stampa_Click();
  void esci_Click();

  void onActivate() override { Form_Activate(); }
  bool onCloseRequest() override;

  // At most this many list items are counted before the rest of the report
  // is left out.
  static constexpr int kListLimit = 32000;

 private:
  void fill();

  Modulo1& m_;
  std::string title_;
  std::string path_;
};

}  // namespace krt
