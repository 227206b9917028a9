// The selection window: criterion labels that turn red when chosen, the
// choices and filters beside them, the search over the work copy, the result
// list (a click opens the volunteer in the editor) and its print.
#pragma once

#include <string_view>

#include "platform/form.h"
#include "select/criteria.h"

namespace krt {

class Modulo1;

// The window's description: caption, controls at their positions, focus order.
const ui::WindowDesc& form3Desc();

class Form3 : public ui::Form {
 public:
  // Loads the window: builds it and runs the reset, emptying the list first.
  explicit Form3(Modulo1& m);

  void show() { window().show(); }

  // The window became the active one: unless a result was opened in the
  // editor, every criterion is withdrawn and the list emptied.
  void onActivate() override;
  // Closing by the frame unloads the window.
  bool onCloseRequest() override;

  void cmdcerca_Click();
  void cmdstampa_Click();
  void List1_Click();
  void cmbsel_Click();
  void cmbchiudi_Click();
  // The strip below: the volunteers found by the criteria of the last
  // "Cerca" (none before it), read afresh from the work copy.
  void cmdesporta_Click();
  void cmdriepilogo_Click();
  void cmdchiamata_Click();

  // The criteria as the window shows them now: the chosen (red) labels and
  // the texts of the choices and filters.
  SelectionCriteria criteria();

  // Whether a criterion label is chosen (red).
  bool chosen(std::string_view label);

 private:
  enum class EmptyList { First, Last };

  // Withdraws every criterion and refills the choices; the result list is
  // emptied before (window load, "Nuova selezione") or after (activation).
  void reset(EmptyList when);
  // Marks a criterion label chosen.
  void choose(std::string_view label);
  // Marks an equipment label chosen and remembers that the group is in use.
  void chooseEquipment(std::string_view label);

  // The criteria of the last "Cerca"; none before it and after a reset.
  SelectionCriteria searched_;
  Modulo1& m_;
};

}  // namespace krt
