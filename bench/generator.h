// Archives for the benchmark: fictional Italian volunteers in the line
// format of the program, sorted by key, some with a data fault the
// verification reports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace krt::bench {

struct ArchivePlan {
  std::size_t volunteers = 0;
  std::uint32_t seed = 1;
  // Only every `provinceStep`-th province of the list takes part (1: all).
  std::size_t provinceStep = 1;
  // One volunteer in this many breaks a rule of the verification.
  std::size_t faultEvery = 10;
};

// Writes the archive (CR LF line ends) and returns the number of lines.
std::size_t writeArchive(const std::string& path, const ArchivePlan& plan);

// Writes province.dat and associazioni.dat of the generated archives into
// the folder.
void writeLookupLists(const std::string& folder);

}  // namespace krt::bench
