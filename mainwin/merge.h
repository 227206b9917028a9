// "Aggiungere un archivio": merges a second archive into the work copy,
// province by province.
#pragma once

namespace krt {

class Modulo1;

void mergeArchive(Modulo1& m);

}  // namespace krt
