// "Aggiungere un archivio": merges a second archive into the work copy,
// province by province.
//
// Every province found in the added archive takes its lines from there; the
// work copy's lines of that province are dropped; provinces found only in
// the work copy keep theirs. mergeLines is the merge itself, on any two
// inputs and any output, for the batch tool as well.
#pragma once

#include <string_view>

#include "records/file_io.h"

namespace krt {

class Modulo1;

// The text that stands for the end of an input. A line holding exactly
// this text ends its input too.
inline constexpr std::string_view kEndOfInput = "FFFF";

// Merges `work` and `added` into `out`, comparing the provinces (characters
// 1-20) by character code. Both inputs are expected ordered by province;
// empty lines of `added` are skipped; lines are written whole.
void mergeLines(LineReader& work, LineReader& added, FileWriter& out);

// The menu command: asks for the archive to add and merges it into the work
// copy. A file that cannot be read or written is told to the user and leaves
// the work copy and `modificato` as they were.
void mergeArchive(Modulo1& m);

}  // namespace krt
