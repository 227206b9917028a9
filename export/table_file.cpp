#include "export/table_file.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>

#include "records/cp1252.h"
#include "records/file_io.h"

namespace krt {
namespace {

bool endsWithNoCase(std::string_view text, std::string_view ending) {
  if (text.size() < ending.size()) return false;
  const std::string_view tail = text.substr(text.size() - ending.size());
  return std::equal(tail.begin(), tail.end(), ending.begin(),
                    [](char a, char b) { return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b; });
}

// ---- CSV ------------------------------------------------------------------------

class CsvTable : public TableWriter {
 public:
  CsvTable(const std::string& path, const TableLayout& layout) : file_(path, FileWriter::Mode::Replacing) {
    row_ = "\xEF\xBB\xBF";  // the byte-order mark tells spreadsheets the file is UTF-8
    for (const std::string& heading : layout.headings) text(heading);
    endRow();
  }
  void text(std::string_view cp1252Text) override {
    separate();
    // Plain ASCII that needs neither quotes nor the apostrophe, most of any
    // archive, goes in as it stands: one look at each byte, then one copy.
    bool special = !cp1252Text.empty() && std::string_view("=+-@").find(cp1252Text.front()) != std::string_view::npos;
    for (const char c : cp1252Text)
      special |= static_cast<unsigned char>(c) >= 0x80 || c == ';' || c == '"' || c == '\r' || c == '\n';
    if (!special) {
      row_ += cp1252Text;
      return;
    }
    value_.clear();
    cp1252::appendUtf8(value_, cp1252Text);
    appendCsvField(row_, value_, CsvUse::File);
  }
  void number(std::uint64_t value) override {
    separate();
    row_ += std::to_string(value);
  }
  void endRow() override {
    row_ += "\r\n";
    file_.write(row_);
    row_.clear();
    first_ = true;
  }
  void commit() override { file_.commit(); }

 private:
  void separate() {
    if (!first_) row_ += ';';
    first_ = false;
  }
  FileWriter file_;
  std::string row_;
  std::string value_;
  bool first_ = true;
};

// ---- XLSX -----------------------------------------------------------------------

// A workbook of one sheet in constant-memory mode: each row goes to disk as
// soon as the next one begins, so a large table needs little memory.
class XlsxTable : public TableWriter {
 public:
  XlsxTable(const std::string& path, const TableLayout& layout) : path_(path), file_(path) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    workbook_ = workbook_new_opt(file_.tempPath().c_str(), &options);
    if (!workbook_) throw FileError(FileError::Action::Create, path_, errno ? errno : EIO);
    sheet_ = workbook_add_worksheet(workbook_, cp1252::toUtf8(layout.sheet).c_str());
    lxw_format* bold = workbook_add_format(workbook_);
    if (!sheet_ || !bold) fail();
    format_set_bold(bold);
    columns_ = static_cast<lxw_col_t>(layout.headings.size());
    for (lxw_col_t c = 0; c < columns_; ++c) {
      const double width = c < layout.widths.size() ? layout.widths[c] : layout.headings[c].size() + 1.0;
      check(worksheet_set_column(sheet_, c, c, width, nullptr));
    }
    for (const std::string& heading : layout.headings) {
      check(worksheet_write_string(sheet_, 0, column_++, cp1252::toUtf8(heading).c_str(), bold));
    }
    worksheet_freeze_panes(sheet_, 1, 0);
    endRow();
  }
  ~XlsxTable() override {
    // Abandoned: the library still owns what it wrote; closing frees it, and
    // the replacement then removes its temporary.
    if (workbook_) workbook_close(workbook_);
  }
  void text(std::string_view cp1252Text) override {
    // An empty value is an empty cell.
    if (!cp1252Text.empty()) {
      value_.clear();
      cp1252::appendUtf8(value_, cp1252Text);
      check(worksheet_write_string(sheet_, row_, column_, value_.c_str(), nullptr));
    }
    ++column_;
  }
  void number(std::uint64_t value) override {
    check(worksheet_write_number(sheet_, row_, column_++, static_cast<double>(value), nullptr));
  }
  void endRow() override {
    ++row_;
    column_ = 0;
  }
  void commit() override {
    if (columns_ > 0) check(worksheet_autofilter(sheet_, 0, 0, row_ - 1, columns_ - 1));
    lxw_workbook* workbook = workbook_;
    workbook_ = nullptr;
    errno = 0;
    if (workbook_close(workbook) != LXW_NO_ERROR) fail();
    file_.commit();
  }

 private:
  void check(lxw_error error) {
    if (error != LXW_NO_ERROR) fail();
  }
  [[noreturn]] void fail() {
    const int err = errno;
    throw FileError(FileError::Action::Write, path_, err ? err : EIO);
  }

  std::string path_;
  ReplacementFile file_;
  lxw_workbook* workbook_ = nullptr;
  lxw_worksheet* sheet_ = nullptr;
  lxw_row_t row_ = 0;
  lxw_col_t column_ = 0;
  lxw_col_t columns_ = 0;
  std::string value_;
};

}  // namespace

std::optional<TableFormat> tableFormatOf(std::string_view path) {
  if (endsWithNoCase(path, ".csv")) return TableFormat::Csv;
  if (endsWithNoCase(path, ".xlsx")) return TableFormat::Xlsx;
  return std::nullopt;
}

void appendCsvField(std::string& out, std::string_view utf8Value, CsvUse use) {
  const bool formula = use == CsvUse::File && !utf8Value.empty() &&
                       std::string_view("=+-@").find(utf8Value.front()) != std::string_view::npos;
  // A plain loop: find_first_of would search the set once per byte.
  bool quoted = false;
  for (const char c : utf8Value) quoted = quoted || c == ';' || c == '"' || c == '\r' || c == '\n';
  if (quoted) out += '"';
  if (formula) out += '\'';
  if (!quoted) {
    out += utf8Value;
    return;
  }
  for (const char c : utf8Value) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

std::unique_ptr<TableWriter> createTableFile(const std::string& path, TableFormat format, const TableLayout& layout) {
  if (format == TableFormat::Csv) return std::make_unique<CsvTable>(path, layout);
  return std::make_unique<XlsxTable>(path, layout);
}

void writeTableFile(const std::string& path, TableFormat format, const std::string& sheet,
                    const std::vector<std::string>& headings, const std::vector<std::vector<std::string>>& rows) {
  TableLayout layout{sheet, headings, {}};
  for (std::size_t c = 0; c < headings.size(); ++c) {
    std::size_t longest = headings[c].size();
    for (const auto& row : rows) {
      if (c < row.size()) longest = std::max(longest, row[c].size());
    }
    layout.widths.push_back(static_cast<double>(std::min<std::size_t>(longest + 1, 40)));
  }
  auto table = createTableFile(path, format, layout);
  for (const auto& row : rows) {
    for (std::size_t c = 0; c < headings.size(); ++c) table->text(c < row.size() ? row[c] : std::string());
    table->endRow();
  }
  table->commit();
}

}  // namespace krt
