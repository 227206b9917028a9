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

std::string_view withoutTrailingBlanks(std::string_view text) {
  const auto last = text.find_last_not_of(' ');
  return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

// Counts what the merge writes and drops, when a summary is wanted.
class Counter {
 public:
  explicit Counter(MergeSummary* summary) : summary_(summary) {}
  void written() {
    if (summary_) ++summary_->total;
  }
  void addedWritten(std::string_view a) {
    if (!summary_) return;
    ++summary_->total;
    ++summary_->of(provinceOf(a)).added;
  }
  void workDropped(std::string_view a) {
    if (summary_) ++summary_->of(provinceOf(a)).replaced;
  }

 private:
  MergeSummary* summary_;
};

}  // namespace

MergeSummary::Province& MergeSummary::of(std::string_view province) {
  const std::string_view name = withoutTrailingBlanks(province);
  // The lines of one province come one after another: most calls are for
  // the province of the call before.
  if (last_ < provinces.size() && provinces[last_].name == name) return provinces[last_];
  const auto [it, inserted] = index_.try_emplace(std::string(name), provinces.size());
  if (inserted) provinces.push_back({std::string(name)});
  last_ = it->second;
  return provinces[last_];
}

std::vector<std::string> MergeSummary::lines(std::size_t maxProvinces) const {
  std::size_t brought = 0;
  for (const Province& p : provinces) brought += p.added;
  if (brought == 0) return {"Nessun volontario aggiunto."};
  std::vector<std::string> out;
  for (const Province& p : provinces) {
    if (out.size() == maxProvinces) {
      out.push_back("\x85 e altre " + std::to_string(provinces.size() - maxProvinces) + " province");
      break;
    }
    out.push_back(p.name + ": sostituiti " + std::to_string(p.replaced) + ", aggiunti " + std::to_string(p.added));
  }
  out.push_back("Volontari nell'archivio: " + std::to_string(total));
  return out;
}

void mergeLines(LineReader& work, LineReader& added, FileWriter& out, MergeSummary* summary) {
  Counter count(summary);
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
      count.addedWritten(a);
      readNext(added, a);
    } else if (addedEnded) {
      out.writeLine(w);
      count.written();
      readNext(work, w);
    } else {
      // string_view compares bytes as unsigned characters: the code order.
      const int order = provinceOf(w).compare(provinceOf(a));
      if (order < 0) {
        out.writeLine(w);
        count.written();
        readNext(work, w);
      } else if (order > 0) {
        out.writeLine(a);
        count.addedWritten(a);
        readNext(added, a);
      } else {
        // The added archive brings this province: the work copy's line goes.
        count.workDropped(a);
        readNext(work, w);
      }
    }
  }
}

void mergeArchive(Modulo1& m) {
  const auto path = m.platform.openFileDialog(
      {m.paths.startFolder, "Nome del file da aggiungere", "File di testo (*.txt)|*.txt|Tutti i file (*.*)|*.*"});
  if (!path || path->empty() || m.refuseWorkFile(*path)) return;
  MergeSummary summary;
  try {
    ui::BusyPointer busy(m.platform);
    LineReader added(*path);
    // The work copy is replaced only by a complete result.
    m.changeWorkCopy([&](LineReader& work, FileWriter& out) { mergeLines(work, added, out, &summary); });
    m.ReloadList();
  } catch (const FileError& e) {
    m.reportFileError(e);  // the pointer is normal again: it lived in the try block
    return;
  }
  std::string text;
  for (const std::string& line : summary.lines(kSummaryProvinces)) text += (text.empty() ? "" : "\n") + line;
  m.message(text);
}

}  // namespace krt
