// The window "Riepilogo per provincia": the capacity totals of a set of
// volunteers as a table, printed or exported as it is shown.
#pragma once

#include "export/totals.h"
#include "platform/form.h"

namespace krt {

class Modulo1;

const ui::WindowDesc& riepilogoDesc();

class FormRiepilogo : public ui::Form {
 public:
  explicit FormRiepilogo(Modulo1& m);

  // Shows the totals (the window is brought to the front).
  void show(Totals totals);

  void cmdstampa_Click();
  void cmdesporta_Click();
  void cmdchiudi_Click();
  bool onCloseRequest() override;

 private:
  Modulo1& m_;
  Totals totals_;
};

}  // namespace krt
