#include "records/volunteer_record.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace krt {

// The record is the line itself: the fields lie one after another with no
// padding, each at its column. Parsing and formatting are then plain copies.
static_assert(std::is_standard_layout_v<VolunteerRecord>);
static_assert(sizeof(VolunteerRecord) == kLineLength);
static_assert(offsetof(VolunteerRecord, via) == 110);
static_assert(offsetof(VolunteerRecord, disp_1g) == 602);
static_assert(offsetof(VolunteerRecord, riservato) == 806);

namespace {

std::array<FieldInfo, kFieldCount> buildTable() {
  std::array<FieldInfo, kFieldCount> table{};
  std::size_t i = 0;
#define KRT_FIELD_INFO(name, width) table[i++] = FieldInfo{#name, width, offsetof(VolunteerRecord, name) + 1};
  KRT_VOLUNTEER_FIELDS(KRT_FIELD_INFO)
#undef KRT_FIELD_INFO
  return table;
}

}  // namespace

const std::array<FieldInfo, kFieldCount>& volunteerFields() {
  static const auto table = buildTable();
  return table;
}

const FieldInfo* findField(std::string_view name) {
  for (const auto& f : volunteerFields()) {
    if (f.name == name) return &f;
  }
  return nullptr;
}

std::string_view VolunteerRecord::bytes() const { return {reinterpret_cast<const char*>(this), kLineLength}; }

void VolunteerRecord::fromLine(std::string_view line) {
  char* data = reinterpret_cast<char*>(this);
  if (line.size() >= kLineLength) {
    // The usual full line: a copy of known size, done inline.
    std::memcpy(data, line.data(), kLineLength);
    return;
  }
  const std::size_t n = line.size();
  // An empty view may have no data at all (clear() passes one): memcpy
  // must not be given a null pointer, even for no bytes.
  if (n > 0) std::memcpy(data, line.data(), n);
  std::memset(data + n, ' ', kLineLength - n);
}

std::string VolunteerRecord::toLine() {
  riservato.clear();
  return std::string(bytes());
}

void VolunteerRecord::clear() { fromLine({}); }

std::string VolunteerRecord::key() const { return std::string(bytes().substr(0, kKeyLength)); }

std::string_view fieldText(const VolunteerRecord& record, const FieldInfo& field) {
  return record.bytes().substr(field.offset(), field.width);
}

void setField(VolunteerRecord& record, const FieldInfo& field, std::string_view text) {
  assignFixed(reinterpret_cast<char*>(&record) + field.offset(), field.width, text);
}

std::string_view recordKey(std::string_view line) { return line.substr(0, std::min(line.size(), kKeyLength)); }

}  // namespace krt
