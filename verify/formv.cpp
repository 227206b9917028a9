#include "verify/formv.h"

#include "mainwin/modulo1.h"

namespace krt {

formv::formv(Modulo1& m) : m_(m) {
  static const ui::WindowSpec spec{"formv", "formv", 6000, 4000, {}, {}, {}, {}};
  createWindow(m_.platform, spec);
}

}  // namespace krt
