// The document expiry watch: which driving licences and passports of an
// archive have expired or expire within a number of days, and which expiry
// dates cannot be read. Computed here once for the expiry window and for
// `archivio-cli scadenze`.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace krt {

// A day as a count of days from 1970-01-01.
using DayNumber = int;

// An expiry date as the register holds it (the text without leading and
// trailing blanks): D S M S Y, with D and M of one or two digits, S the same
// separator both times ("/", "-" or "."), Y of four digits or of two (69-99
// read as 1969-1999, 00-68 as 2000-2068). Nothing when the text is not such
// a date or the date does not exist in the calendar.
std::optional<DayNumber> readExpiryDate(std::string_view text);

// A date written AAAA-MM-GG, as the batch tool takes it.
std::optional<DayNumber> readIsoDate(std::string_view text);

// Today's local date.
DayNumber localToday();

// The date as GG/MM/AAAA.
std::string formatDate(DayNumber day);

// Days the watch may look ahead.
inline constexpr int kMaxExpiryDays = 3650;
inline constexpr int kDefaultExpiryDays = 90;

enum class ExpiryStatus { Expired, Expiring, InvalidDate };

// "SCADUTO", "IN SCADENZA", "DATA NON VALIDA".
std::string_view statusText(ExpiryStatus status);

// One document of one volunteer that needs attention.
struct ExpiryRow {
  std::string key;       // the volunteer's line, its first 110 characters
  std::string recapito;  // trailing blanks removed
  std::string_view documento;  // "patente" or "passaporto"
  std::string scadenza;  // the date as read, without leading and trailing blanks
  ExpiryStatus stato = ExpiryStatus::InvalidDate;

  // The four fields of the key, trailing blanks removed.
  std::string_view provincia() const;
  std::string_view associazione() const;
  std::string_view cognome() const;
  std::string_view nome() const;
};

// The rows of the archive at `path` for `today` and `days` ahead: first every
// expired document, then every one expiring from today to today + days (both
// included), each group by date ascending, then every date that cannot be
// read; rows that tie keep the order of the file (licence before passport).
// Lines of blanks are skipped, and so are a blank expiry field and a document
// the volunteer does not hold ("NO"). Throws FileError.
std::vector<ExpiryRow> expiryRows(const std::string& path, DayNumber today, int days);

// The columns of the rows as the batch tool and the exports write them.
inline constexpr std::array<std::string_view, 8> kExpiryColumns = {
    "provincia", "associazione", "cognome", "nome", "recapito", "documento", "scadenza", "stato"};

// The values of a row in the order of kExpiryColumns (cp1252 text).
std::array<std::string_view, 8> expiryFields(const ExpiryRow& row);

}  // namespace krt
