#pragma once

#include "platform/form.h"

namespace krt {

class Modulo1;

class formv : public ui::Form {
 public:
  explicit formv(Modulo1& m);
  void show() { window().show(); }

 private:
  Modulo1& m_;
};

}  // namespace krt
