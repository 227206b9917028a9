#include "export/totals.h"

#include <map>
#include <string_view>

#include "export/found.h"
#include "records/codes.h"
#include "records/cp1252.h"
#include "records/fixed_text.h"

namespace krt {
namespace {

bool yes(std::string_view field) { return field == codes::kYes; }
// The selection's own test of the availability for a duration.
static_assert(codes::kAvailability[0].option == "1g" && codes::kAvailability[1].option == "3g" &&
              codes::kAvailability[2].option == "3gf" && codes::kAvailability[3].option == "1sf" &&
              codes::kAvailability[4].option == "2sf");
template <std::size_t Duration>
std::uint64_t ready(const VolunteerRecord& r) {
  return codes::isAvailable(codes::kAvailability[Duration], r);
}
// A count field adds its value when, without its outer blanks, it is digits.
std::uint64_t amount(std::string_view field) {
  const std::string_view digits = trimBlanks(field);
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) return 0;
  std::uint64_t value = 0;
  for (const char c : digits) value = value * 10 + static_cast<std::uint64_t>(c - '0');
  return value;
}

using Count = std::uint64_t (*)(const VolunteerRecord&);
struct Column {
  const char* name;
  const char* heading;
  Count count;
};

// The columns after `provincia`, in the order of the table.
constexpr Column kColumns[kTotalsCounts] = {
    {"volontari", "Volontari", [](const VolunteerRecord&) -> std::uint64_t { return 1; }},
    {"operatori", "Operatori", [](const VolunteerRecord& r) -> std::uint64_t { return r.qualifica == "O"; }},
    {"collaboratori", "Collaboratori", [](const VolunteerRecord& r) -> std::uint64_t { return r.qualifica == "C"; }},
    {"pronti_1g", "Pronti 1 giorno", ready<0>},
    {"pronti_3g", "Pronti 3 giorni", ready<1>},
    {"pronti_3g_fuori", "Pronti 3 giorni fuori", ready<2>},
    {"pronti_1s_fuori", "Pronti 1 settimana fuori", ready<3>},
    {"pronti_2s_fuori", "Pronti 2 settimane fuori", ready<4>},
    {"autovetture", "Autovetture", [](const VolunteerRecord& r) -> std::uint64_t { return yes(r.autovettura); }},
    {"ganci", "Ganci traino", [](const VolunteerRecord& r) -> std::uint64_t { return yes(r.gancio); }},
    {"posti_letto", "Posti letto", [](const VolunteerRecord& r) { return amount(r.posti_letto); }},
    {"veicolari_27", "Veicolari 27 MHz", [](const VolunteerRecord& r) { return amount(r.veicolare_27); }},
    {"palmari_27", "Palmari 27 MHz", [](const VolunteerRecord& r) { return amount(r.palmare_27); }},
    {"veicolari_43", "Veicolari 43 MHz", [](const VolunteerRecord& r) { return amount(r.veicolare_43); }},
    {"palmari_43", "Palmari 43 MHz", [](const VolunteerRecord& r) { return amount(r.palmare_43); }},
    {"veicolari_vhf", "Veicolari VHF/UHF", [](const VolunteerRecord& r) { return amount(r.veicolare_vhf); }},
    {"palmari_vhf", "Palmari VHF/UHF", [](const VolunteerRecord& r) { return amount(r.palmare_vhf); }},
    {"packet", "Packet radio", [](const VolunteerRecord& r) -> std::uint64_t { return yes(r.packet); }},
    {"stazioni_campali", "Stazioni campali",
     [](const VolunteerRecord& r) -> std::uint64_t { return yes(r.stazione_campale); }},
};

template <typename Pick>
std::vector<std::string> names(const char* first, Pick pick) {
  std::vector<std::string> out{first};
  for (const Column& column : kColumns) out.emplace_back(pick(column));
  return out;
}

}  // namespace

const std::vector<std::string>& totalsColumns() {
  static const std::vector<std::string> columns = names("provincia", [](const Column& c) { return c.name; });
  return columns;
}

const std::vector<std::string>& totalsHeadings() {
  static const std::vector<std::string> headings = names("Provincia", [](const Column& c) { return c.heading; });
  return headings;
}

Totals countTotals(const std::string& source, const SelectionCriteria& criteria) {
  // Keyed by the stored 20 characters: std::string orders them byte by byte.
  std::map<std::string, TotalsRow> byProvince;
  // The work copy comes sorted: one look-up per run of one province.
  TotalsRow* current = nullptr;
  std::string_view currentKey;
  VolunteerRecord record;
  forEachFound(source, criteria, record, [&](std::uint64_t, std::uint64_t) {
    const std::string_view province = record.provincia.view();
    if (!current || province != currentKey) {
      const auto it = byProvince.try_emplace(std::string(province)).first;
      current = &it->second;
      currentKey = it->first;
    }
    for (std::size_t i = 0; i < kTotalsCounts; ++i) current->counts[i] += kColumns[i].count(record);
    return true;
  });
  Totals totals;
  TotalsRow sum;
  sum.provincia = "TOTALE";
  for (auto& [key, row] : byProvince) {
    row.provincia = std::string(key.substr(0, key.find_last_not_of(' ') + 1));
    for (std::size_t i = 0; i < kTotalsCounts; ++i) sum.counts[i] += row.counts[i];
    totals.rows.push_back(std::move(row));
  }
  totals.rows.push_back(sum);
  return totals;
}

std::string totalsText(const Totals& totals) {
  std::string out;
  std::string value;
  const auto line = [&](const std::vector<std::string>& cells) {
    for (std::size_t i = 0; i < cells.size(); ++i) {
      if (i > 0) out += ';';
      value.clear();
      cp1252::appendUtf8(value, cells[i]);
      appendCsvField(out, value, CsvUse::Script);
    }
    out += '\n';
  };
  line(totalsColumns());
  for (const TotalsRow& row : totals.rows) {
    std::vector<std::string> cells{row.provincia};
    for (const std::uint64_t n : row.counts) cells.push_back(std::to_string(n));
    line(cells);
  }
  return out;
}

void writeTotalsFile(const Totals& totals, const std::string& target, TableFormat format) {
  TableLayout layout{"Riepilogo", totalsColumns(), {}};
  layout.widths.push_back(21);
  for (std::size_t i = 1; i < layout.headings.size(); ++i) layout.widths.push_back(layout.headings[i].size() + 1.0);
  auto table = createTableFile(target, format, layout);
  for (const TotalsRow& row : totals.rows) {
    table->text(row.provincia);
    for (const std::uint64_t n : row.counts) table->number(n);
    table->endRow();
  }
  table->commit();
}

std::string groupedCount(std::uint64_t value) {
  const std::string digits = std::to_string(value);
  std::string grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += '.';
    grouped += digits[i];
  }
  return grouped;
}

}  // namespace krt
