#include "editor/form4.h"

#include "mainwin/modulo1.h"

namespace krt {

Form4::Form4(Modulo1& m) : m_(m) {
  static const ui::WindowSpec spec{"Form4", "Form4", 6000, 4000, {}, {}, {}, {}};
  createWindow(m_.platform, spec);
}

}  // namespace krt
