// The capacity totals of a set of volunteers, one row per province: how
// many volunteers, operators and collaborators, how many ready within each
// time, and the cars, tow hooks, beds, radio sets, packet stations and
// field stations they bring; then a row "TOTALE".
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "export/table_file.h"
#include "records/volunteer_record.h"
#include "select/criteria.h"

namespace krt {

inline constexpr std::size_t kTotalsCounts = 19;

struct TotalsRow {
  std::string provincia;  // trailing blanks removed (cp1252); "TOTALE" for the last row
  std::array<std::uint64_t, kTotalsCounts> counts{};
};

struct Totals {
  // One row per distinct `provincia`, in ordinal order of the stored field,
  // then the row "TOTALE".
  std::vector<TotalsRow> rows;
  std::uint64_t volunteers() const { return rows.back().counts[0]; }
};

// The column names (`provincia`, `volontari`, ...), as the batch tool and the
// files write them, and the headings the window shows.
const std::vector<std::string>& totalsColumns();
const std::vector<std::string>& totalsHeadings();

// The totals of the volunteers of `source` found by the criteria. Throws
// FileError when it cannot be read.
Totals countTotals(const std::string& source, const SelectionCriteria& criteria);

// The table as text for scripts: UTF-8, ";" between fields, LF line ends.
std::string totalsText(const Totals& totals);

// The table as a file: CSV as the volunteers' export writes it, or a sheet
// "Riepilogo" whose counts are numbers. Throws FileError.
void writeTotalsFile(const Totals& totals, const std::string& target, TableFormat format);

// A count as Italian writes it: thousands separated by dots ("12.345").
std::string groupedCount(std::uint64_t value);

}  // namespace krt
