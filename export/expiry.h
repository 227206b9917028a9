// The document expiry watch: which driving licences and passports of an
// archive have expired or expire within a number of days, and which expiry
// dates cannot be read. Computed here once for the expiry window and for
// `archivio-cli scadenze`.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
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

// One document of one volunteer that needs attention. The texts are held
// in the row itself: a watch over a large archive makes no allocation per row.
class ExpiryRow {
 public:
  ExpiryRow() = default;
  ExpiryRow(std::string_view line, bool passport, std::string_view expiry, ExpiryStatus status);

  ExpiryStatus stato = ExpiryStatus::InvalidDate;

  // The volunteer's line, its first 110 characters: what opens the volunteer.
  std::string_view key() const { return {key_, keyLength_}; }
  // The four fields of the key, the contact and the expiry text as read,
  // trailing blanks removed (and leading ones from the expiry).
  std::string_view provincia() const { return part(0, 0); }
  std::string_view associazione() const { return part(1, 20); }
  std::string_view cognome() const { return part(2, 60); }
  std::string_view nome() const { return part(3, 85); }
  std::string_view recapito() const { return {recapito_, recapitoLength_}; }
  std::string_view scadenza() const { return {scadenza_, scadenzaLength_}; }
  // "patente" or "passaporto".
  std::string_view documento() const { return passport_ ? "passaporto" : "patente"; }

 private:
  std::string_view part(int index, std::size_t from) const {
    return {key_ + from, static_cast<std::size_t>(ends_[index]) > from ? ends_[index] - from : 0};
  }

  char key_[110];
  char recapito_[35];
  char scadenza_[10];
  std::uint8_t keyLength_ = 0;
  std::uint8_t recapitoLength_ = 0;
  std::uint8_t scadenzaLength_ = 0;
  std::uint8_t ends_[4] = {};  // where each field of the key ends without its trailing blanks
  bool passport_ = false;
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

// The rows for scripts (archivio-cli scadenze): the header of kExpiryColumns,
// then one line per row, UTF-8, ";" between values and LF after each; a value
// holding ";", a double quote, CR or LF is enclosed in double quotes with the
// inner ones doubled. Handed to `write` in pieces.
void writeExpiryScript(const std::vector<ExpiryRow>& rows, const std::function<void(std::string_view)>& write);

}  // namespace krt
