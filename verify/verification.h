// "Verifica": checks every volunteer of the work copy against the data rules
// and shows the report.
#pragma once

namespace krt {

class Modulo1;

void runVerification(Modulo1& m);

}  // namespace krt
