#include "mainwin/merge.h"

#include "mainwin/modulo1.h"

namespace krt {

void mergeArchive(Modulo1&) {}

}  // namespace krt
