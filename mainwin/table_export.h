// What the windows share to write a table for other programs: the save
// dialog that offers an Excel workbook or a CSV text, and the long write
// shown with a progress dialog that the user may cancel.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "export/table_file.h"

namespace krt {

class Modulo1;

struct TableTarget {
  std::string path;
  TableFormat format;
};

// Asks for the file under `title`, filters "Cartella di lavoro Excel
// (*.xlsx)" (the default) and "Testo CSV (*.csv)"; a name ending in neither
// gets the ending of the filter chosen. Nothing when the user cancels.
std::optional<TableTarget> askTableTarget(Modulo1& m, std::string_view title);

// What a long piece of work tells its progress: how far it is (the answer is
// false once the user cancelled), and that its last part, which cannot be
// stopped, begins.
using GoOn = std::function<bool(std::uint64_t done, std::uint64_t total)>;
using Finishing = std::function<void()>;

// Runs `work` with the busy pointer and a progress dialog showing `text`,
// and "Completamento in corso..." for the last part. A file error is told to
// the user. True when the work ran to its end.
bool runWithProgress(Modulo1& m, std::string_view text,
                     const std::function<void(const GoOn& goOn, const Finishing& finishing)>& work);

}  // namespace krt
