// The profile sheet: one page with a grid of ruled frames holding the
// current volunteer's fields under their labels.
#pragma once

namespace krt {

class Modulo1;

// Prints the sheet of the current record. The two card numbers are taken
// from the editor's boxes Text5 and Text50 as they stand, so numbers typed
// but not yet registered are printed too.
void stampa_profilo(Modulo1& m);

}  // namespace krt
