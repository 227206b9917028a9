#pragma once

#include "platform/form.h"

namespace krt {

class Modulo1;

class Form3 : public ui::Form {
 public:
  explicit Form3(Modulo1& m);
  void show() { window().show(); }

 private:
  Modulo1& m_;
};

}  // namespace krt
