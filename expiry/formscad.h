// "Scadenze dei documenti": the driving licences and passports of the work
// copy that have expired, expire within the days the user asked for, or
// carry a date that cannot be read. Modeless; the rows are computed afresh
// each time the window becomes the active window.
#pragma once

#include <vector>

#include "export/expiry.h"
#include "platform/form.h"

namespace krt {

class Modulo1;

// The window's description: caption, heading, table, buttons.
const ui::WindowDesc& formscadDesc();

class FormScad : public ui::Form {
 public:
  explicit FormScad(Modulo1& m);

  // Shows the window for documents expiring within `days` days from today.
  void showFor(int days);

  // Reads the work copy and fills the table (or the no-rows line).
  void Form_Activate();

  // A row chosen by a double click or Enter: its volunteer in the editor.
  void tscadenze_Click();
  void cmdstampa_Click();
  void cmdesporta_Click();
  void cmdchiudi_Click();

  void onActivate() override { Form_Activate(); }
  bool onCloseRequest() override;

  const std::vector<ExpiryRow>& rows() const { return rows_; }

 private:
  std::string heading() const;

  Modulo1& m_;
  int days_ = kDefaultExpiryDays;
  DayNumber today_ = 0;
  std::vector<ExpiryRow> rows_;
};

}  // namespace krt
