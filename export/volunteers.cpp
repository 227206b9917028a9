#include "export/volunteers.h"

#include <algorithm>

#include "export/found.h"
#include "records/fixed_text.h"
#include "records/volunteer_record.h"

namespace krt {
namespace {

// Fields 1 to 63: every field but `riservato`.
constexpr std::size_t kExportedFields = kFieldCount - 1;

TableLayout volunteerLayout() {
  TableLayout layout{"Volontari", volunteerHeadings(), {}};
  for (std::size_t i = 0; i < kExportedFields; ++i) {
    const FieldInfo& field = volunteerFields()[i];
    layout.widths.push_back(static_cast<double>(std::min<std::size_t>(std::max(field.width, field.name.size()) + 1, 40)));
  }
  return layout;
}

}  // namespace

const std::vector<std::string>& volunteerHeadings() {
  static const std::vector<std::string> headings = [] {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < kExportedFields; ++i) names.emplace_back(volunteerFields()[i].name);
    return names;
  }();
  return headings;
}

ExportCount exportVolunteers(const std::string& source, const SelectionCriteria& criteria, const std::string& target,
                             TableFormat format, const std::function<bool(std::uint64_t, std::uint64_t)>& goOn,
                             const std::function<void()>& finishing) {
  // Nothing replaces the target before commit(): a source that cannot be
  // read, or a stop, leaves it as it was.
  auto table = createTableFile(target, format, volunteerLayout());
  VolunteerRecord record;
  ExportCount count;
  count.rows = forEachFound(source, criteria, record, [&](std::uint64_t done, std::uint64_t total) {
    for (std::size_t i = 0; i < kExportedFields; ++i) table->text(trimRight(fieldText(record, volunteerFields()[i])));
    table->endRow();
    count.stopped = goOn && !goOn(done, total);
    return !count.stopped;
  });
  if (count.stopped) return count;
  if (finishing) finishing();
  table->commit();
  return count;
}

}  // namespace krt
