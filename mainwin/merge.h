// "Aggiungere un archivio": merges a second archive into the work copy,
// province by province.
//
// Every province found in the added archive takes its lines from there; the
// work copy's lines of that province are dropped; provinces found only in
// the work copy keep theirs. mergeLines is the merge itself, on any two
// inputs and any output, for the batch tool as well.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "records/file_io.h"

namespace krt {

class Modulo1;

// The text that stands for the end of an input. A line holding exactly
// this text ends its input too.
inline constexpr std::string_view kEndOfInput = "FFFF";

// What a merge did, counted while it runs: for each province of the added
// archive, in the order it was first met there, the lines of the work copy
// dropped for it and the lines of the added archive written for it.
struct MergeSummary {
  struct Province {
    std::string name;  // trailing blanks removed
    std::size_t replaced = 0;
    std::size_t added = 0;
  };
  std::vector<Province> provinces;
  std::size_t total = 0;  // lines written: the new work copy's

  // The entry of the province of an added line.
  Province& of(std::string_view province);

  // The report, one line each: "PROVINCIA: sostituiti N, aggiunti M" for every
  // province (at most `maxProvinces`, then "… e altre N province"), then
  // "Volontari nell'archivio: T"; "Nessun volontario aggiunto." alone when the
  // added archive brought no line. cp1252 text.
  std::vector<std::string> lines(std::size_t maxProvinces = SIZE_MAX) const;

 private:
  std::unordered_map<std::string, std::size_t> index_;
  std::size_t last_ = SIZE_MAX;
};

// The window's summary shows this many provinces at most.
inline constexpr std::size_t kSummaryProvinces = 20;

// Merges `work` and `added` into `out`, comparing the provinces (characters
// 1-20) by character code. Both inputs are expected ordered by province;
// empty lines of `added` are skipped; lines are written whole. Counts into
// `summary` when given.
void mergeLines(LineReader& work, LineReader& added, FileWriter& out, MergeSummary* summary = nullptr);

// The menu command: asks for the archive to add, merges it into the work
// copy and tells the summary in a message box. A file that cannot be read or written is told to the user and leaves
// the work copy and `modificato` as they were.
void mergeArchive(Modulo1& m);

}  // namespace krt
