// The selection criteria on fuzzed criteria and a fuzzed line: no crash,
// the four groups combine by AND, and the equal/occurs comparisons agree
// with their plain definitions.
#include <algorithm>

#include "fuzz/fuzz_support.h"
#include "records/cp1252.h"
#include "records/volunteer_record.h"
#include "select/criteria.h"

using namespace krt;

namespace {

// Reads the fuzzer's bytes as a sequence of choices and texts.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool flag() { return byte() & 1; }
  std::uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  std::string text() {
    const std::size_t n = std::min<std::size_t>(byte() % 48, size_ - pos_);
    std::string s(reinterpret_cast<const char*>(data_ + pos_), n);
    pos_ += n;
    return s;
  }
  std::optional<std::string> maybeText() {
    if (!flag()) return std::nullopt;
    return text();
  }
  std::string_view rest() { return {reinterpret_cast<const char*>(data_ + pos_), size_ - pos_}; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = cp1252::toUpper(c);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  SelectionCriteria c;
  c.patente = in.maybeText();
  c.livello = in.maybeText();
  c.segreteria = in.maybeText();
  c.passaporto = in.flag();
  c.krt_mare = in.flag();
  for (bool& chosen : c.dotazioni) chosen = in.flag();
  c.apparecchiature = in.maybeText();
  c.professione = in.maybeText();
  c.dotazioni_scelte = in.flag() || c.anyEquipment();
  c.provincia = in.text();
  c.associazione = in.text();
  for (bool& chosen : c.disponibilita) chosen = in.flag();
  VolunteerRecord r;
  r.fromLine(in.rest());

  const bool all = matches(c, r);
  const bool groups = passesPersonal(c, r) && passesEquipment(c, r) && passesPlace(c, r) && passesAvailability(c, r);
  if (all != groups) fuzz::fail("matches is not the AND of the four groups");

  // The comparisons against their definitions.
  const std::string_view field = r.associazione.view();
  const std::string text = c.provincia;
  const bool equal = text.size() >= field.size() && upper(text.substr(0, field.size())) == field;
  if (equalsUpper(text, field) != equal) fuzz::fail("equalsUpper disagrees with its definition");
  const bool occurs = upper(text).empty() || field.find(upper(text)) != std::string_view::npos;
  if (occursUpper(text, field) != occurs) fuzz::fail("occursUpper disagrees with its definition");
  // With no criterion at all every record is selected.
  if (!matches(SelectionCriteria{}, r)) fuzz::fail("an empty selection left a record out");
  return 0;
}
