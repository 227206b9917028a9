#include "select/form3.h"

#include "mainwin/modulo1.h"

namespace krt {

Form3::Form3(Modulo1& m) : m_(m) {
  static const ui::WindowSpec spec{"Form3", "Form3", 6000, 4000, {}, {}, {}, {}};
  createWindow(m_.platform, spec);
}

}  // namespace krt
