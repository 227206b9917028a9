#include "mainwin/merge.h"

#include <string>

#include "mainwin/modulo1.h"
#include "records/fixed_text.h"

namespace krt {
namespace {

// The next line of the input, or the end marker when it has none.
void readNext(LineReader& in, std::string& current) {
  if (!in.next(current)) current = kEndOfInput;
}

std::string_view provinceOf(std::string_view line) { return columns(line, 1, 20); }

}  // namespace

void mergeLines(LineReader& work, LineReader& added, FileWriter& out) {
  std::string w;
  std::string a;  // starts empty: the first step reads the added file
  readNext(work, w);
  for (;;) {
    if (a.empty()) {
      readNext(added, a);
      continue;
    }
    const bool workEnded = w == kEndOfInput;
    const bool addedEnded = a == kEndOfInput;
    if (workEnded && addedEnded) return;
    if (workEnded) {
      out.writeLine(a);
      readNext(added, a);
    } else if (addedEnded) {
      out.writeLine(w);
      readNext(work, w);
    } else {
      // string_view compares bytes as unsigned characters: the code order.
      const int order = provinceOf(w).compare(provinceOf(a));
      if (order < 0) {
        out.writeLine(w);
        readNext(work, w);
      } else if (order > 0) {
        out.writeLine(a);
        readNext(added, a);
      } else {
        // The added archive brings this province: the work copy's line goes.
        readNext(work, w);
      }
    }
  }
}

void mergeArchive(Modulo1& m) {
  const auto path = m.platform.openFileDialog(
      {m.paths.startFolder, "Nome del file da aggiungere", "File di testo (*.txt)|*.txt|Tutti i file (*.*)|*.*"});
  if (!path || path->empty() || m.refuseWorkFile(*path)) return;
  try {
    ui::BusyPointer busy(m.platform);
    LineReader added(*path);
    // The work copy is replaced only by a complete result.
    rewriteWorkCopy(m.paths, [&](LineReader& work, FileWriter& out) { mergeLines(work, added, out); });
    m.modificato = "1";
    m.ReloadList();
  } catch (const FileError& e) {
    m.reportFileError(e);  // the pointer is normal again: it lived in the try block
  }
}

}  // namespace krt
