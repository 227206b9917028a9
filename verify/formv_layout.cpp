// The report viewer's window: the list of the report and its two buttons.
#include "verify/formv.h"

namespace krt {

const ui::WindowDesc& formvDesc() {
  using ui::Kind;
  static const ui::WindowDesc desc = [] {
    ui::WindowDesc s{"formv", "Form3", 10785, 8025};
    s.controls = {
        {Kind::Button, "stampa", "Stampa", "", 3000, 7320, 1575, 495},
        {Kind::Button, "esci", "Esci", "", 5160, 7320, 1455, 495},
        {Kind::ListBox, "List1", "", "", 240, 360, 10215, 6495},
    };
    s.controls.back().accessibleName = "Elenco errori";
    return s;
  }();
  return desc;
}

}  // namespace krt
