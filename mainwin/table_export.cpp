#include "mainwin/table_export.h"

#include "mainwin/modulo1.h"
#include "records/file_io.h"

namespace krt {
namespace {

constexpr const char* kEndings[] = {".xlsx", ".csv"};

}  // namespace

std::optional<TableTarget> askTableTarget(Modulo1& m, std::string_view title) {
  const auto chosen = m.platform.saveFileDialogFiltered(
      {m.paths.startFolder, std::string(title), "Cartella di lavoro Excel (*.xlsx)|*.xlsx|Testo CSV (*.csv)|*.csv"});
  if (!chosen || chosen->path.empty()) return std::nullopt;
  TableTarget target{chosen->path, TableFormat::Xlsx};
  if (const auto format = tableFormatOf(target.path)) {
    target.format = *format;
  } else {
    target.format = chosen->filter == 1 ? TableFormat::Csv : TableFormat::Xlsx;
    target.path += kEndings[chosen->filter == 1 ? 1 : 0];
  }
  // Ending in .xlsx or .csv, the target is never one of the work files.
  return target;
}

bool runWithProgress(Modulo1& m, std::string_view text,
                     const std::function<void(const GoOn& goOn, const Finishing& finishing)>& work) {
  ui::BusyPointer busy(m.platform);
  bool stopped = false;
  std::optional<FileError> error;
  {
    const auto progress = m.platform.createProgress(text);
    try {
      work([&](std::uint64_t done, std::uint64_t total) {
        stopped = stopped || !progress->step(done, total);
        return !stopped;
      }, [&] { progress->finishing("Completamento in corso..."); });
    } catch (const FileError& e) {
      error = e;
    }
  }
  // The progress has closed: the message stands alone.
  if (error) m.reportFileError(*error);
  return !stopped && !error;
}

}  // namespace krt
