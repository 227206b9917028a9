#include "export/expiry.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>

#include "export/table_file.h"
#include "records/cp1252.h"
#include "records/file_io.h"
#include "records/fixed_text.h"
#include "records/volunteer_record.h"

namespace krt {
namespace {

namespace chr = std::chrono;

std::optional<DayNumber> dayOf(int year, int month, int day) {
  if (month < 1 || day < 1) return std::nullopt;
  const chr::year_month_day date{chr::year{year}, chr::month{static_cast<unsigned>(month)},
                                 chr::day{static_cast<unsigned>(day)}};
  if (!date.ok()) return std::nullopt;
  return chr::sys_days(date).time_since_epoch().count();
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a run of `min` to `max` digits at `pos`, moving past it.
std::optional<int> number(std::string_view text, std::size_t& pos, std::size_t min, std::size_t max) {
  std::size_t end = pos;
  while (end < text.size() && end - pos < max && isDigit(text[end])) ++end;
  if (end - pos < min) return std::nullopt;
  int value = 0;
  for (; pos < end; ++pos) value = value * 10 + (text[pos] - '0');
  return value;
}

// One document of the record line: whether it is held and its expiry field.
struct Document {
  bool passport;
  const FieldInfo* held;
  const FieldInfo* expiry;
};

std::string_view fieldOf(std::string_view line, const FieldInfo& field) {
  return columns(line, field.column, field.width);
}

}  // namespace

std::optional<DayNumber> readExpiryDate(std::string_view text) {
  std::size_t pos = 0;
  const auto day = number(text, pos, 1, 2);
  if (!day || pos >= text.size()) return std::nullopt;
  const char separator = text[pos++];
  if (separator != '/' && separator != '-' && separator != '.') return std::nullopt;
  const auto month = number(text, pos, 1, 2);
  if (!month || pos >= text.size() || text[pos++] != separator) return std::nullopt;
  const std::size_t yearStart = pos;
  auto year = number(text, pos, 2, 4);
  if (!year || pos != text.size()) return std::nullopt;
  const std::size_t yearDigits = pos - yearStart;
  if (yearDigits == 3) return std::nullopt;
  // Two-digit years as POSIX strptime reads them.
  if (yearDigits == 2) *year += *year >= 69 ? 1900 : 2000;
  return dayOf(*year, *month, *day);
}

std::optional<DayNumber> readIsoDate(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  std::size_t pos = 0;
  const auto year = number(text, pos, 4, 4);
  pos = 5;
  const auto month = number(text, pos, 2, 2);
  pos = 8;
  const auto day = number(text, pos, 2, 2);
  if (!year || !month || !day) return std::nullopt;
  return dayOf(*year, *month, *day);
}

DayNumber localToday() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return *dayOf(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

std::string formatDate(DayNumber day) {
  const chr::year_month_day date{chr::sys_days{chr::days{day}}};
  char text[16];
  std::snprintf(text, sizeof text, "%02u/%02u/%04d", static_cast<unsigned>(date.day()),
                static_cast<unsigned>(date.month()), static_cast<int>(date.year()));
  return text;
}

std::string_view statusText(ExpiryStatus status) {
  switch (status) {
    case ExpiryStatus::Expired:
      return "SCADUTO";
    case ExpiryStatus::Expiring:
      return "IN SCADENZA";
    case ExpiryStatus::InvalidDate:
      break;
  }
  return "DATA NON VALIDA";
}

ExpiryRow::ExpiryRow(std::string_view line, bool passport, std::string_view expiry, ExpiryStatus status)
    : stato(status), passport_(passport) {
  static const FieldInfo& recapito = *findField("recapito");
  const std::string_view key = recordKey(line);
  std::copy(key.begin(), key.end(), key_);
  keyLength_ = static_cast<std::uint8_t>(key.size());
  const std::size_t starts[] = {0, 20, 60, 85, 110};
  for (int i = 0; i < 4; ++i) {
    std::size_t end = std::min(starts[i + 1], key.size());
    while (end > starts[i] && key[end - 1] == ' ') --end;
    ends_[i] = static_cast<std::uint8_t>(std::max(end, starts[i]));
  }
  const std::string_view contact = trimRight(fieldOf(line, recapito));
  std::copy(contact.begin(), contact.end(), recapito_);
  recapitoLength_ = static_cast<std::uint8_t>(contact.size());
  const std::size_t n = std::min(expiry.size(), sizeof scadenza_);
  std::copy_n(expiry.begin(), n, scadenza_);
  scadenzaLength_ = static_cast<std::uint8_t>(n);
}

std::vector<ExpiryRow> expiryRows(const std::string& path, DayNumber today, int days) {
  static const Document documents[] = {
      {false, findField("patente"), findField("patente_scadenza")},
      {true, findField("passaporto"), findField("passaporto_scadenza")},
  };
  const DayNumber last = today + days;

  std::vector<ExpiryRow> rows;
  // The order of the groups and the date within them; the position in
  // `rows` keeps ties in the order they were met.
  struct Place {
    ExpiryStatus status;
    DayNumber date;
    std::size_t index;
  };
  std::vector<Place> order;
  LineReader in(path);
  std::string_view line;
  while (in.nextView(line)) {
    if (isBlank(line)) continue;
    for (const Document& doc : documents) {
      // Plain loops: this runs twice for every line of the archive.
      std::string_view text = trimRight(fieldOf(line, *doc.expiry));
      if (text.empty() || fieldOf(line, *doc.held) == "NO") continue;
      while (text.front() == ' ') text.remove_prefix(1);
      const auto date = readExpiryDate(text);
      ExpiryStatus status = ExpiryStatus::InvalidDate;
      if (date) {
        if (*date > last) continue;
        status = *date < today ? ExpiryStatus::Expired : ExpiryStatus::Expiring;
      }
      order.push_back({status, date.value_or(0), rows.size()});
      rows.emplace_back(line, doc.passport, text, status);
    }
  }
  std::stable_sort(order.begin(), order.end(), [](const Place& a, const Place& b) {
    if (a.status != b.status) return a.status < b.status;
    return a.date < b.date;
  });
  // Each row to its place, following the cycles of the order: no second
  // copy of the rows.
  std::vector<bool> placed(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (placed[i]) continue;
    const ExpiryRow first = rows[i];
    std::size_t j = i;
    for (std::size_t from = order[j].index; from != i; j = from, from = order[j].index) {
      rows[j] = rows[from];
      placed[j] = true;
    }
    rows[j] = first;
    placed[j] = true;
  }
  return rows;
}

std::array<std::string_view, 8> expiryFields(const ExpiryRow& row) {
  return {row.provincia(), row.associazione(), row.cognome(),  row.nome(),
          row.recapito(),  row.documento(),    row.scadenza(), statusText(row.stato)};
}

void writeExpiryScript(const std::vector<ExpiryRow>& rows, const std::function<void(std::string_view)>& write) {
  std::string buffer;
  for (std::size_t i = 0; i < kExpiryColumns.size(); ++i) {
    buffer += kExpiryColumns[i];
    buffer += i + 1 < kExpiryColumns.size() ? ';' : '\n';
  }
  for (const ExpiryRow& row : rows) {
    const auto fields = expiryFields(row);
    for (std::size_t i = 0; i < fields.size(); ++i) {
      appendCsvField(buffer, cp1252::toUtf8(fields[i]), CsvUse::Script);
      buffer += i + 1 < fields.size() ? ';' : '\n';
    }
    if (buffer.size() >= 1 << 16) {
      write(buffer);
      buffer.clear();
    }
  }
  write(buffer);
}

}  // namespace krt
