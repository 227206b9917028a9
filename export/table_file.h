// Tables written for other programs: a CSV file (UTF-8 with a byte-order
// mark, ";" between fields, CR LF after every row) or a sheet of an Excel
// workbook (.xlsx, through libxlsxwriter). Rows are streamed, one cell after
// another; the file replaces its target only when commit() returns, so an
// abandoned or failed table leaves the target as it was.
//
// Cells come in the program's code page (cp1252) and are written in UTF-8.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace krt {

enum class TableFormat { Csv, Xlsx };

// The format a file name asks for by its ending, ".csv" or ".xlsx" in any
// case; nullopt for any other.
std::optional<TableFormat> tableFormatOf(std::string_view path);

// Who reads a CSV: a file is opened by spreadsheets, which would run a value
// beginning with "=", "+", "-" or "@" as a formula, so such a value gets a
// leading apostrophe; a script reads the values as they are.
enum class CsvUse { File, Script };

// Appends one CSV field: the UTF-8 value, with the apostrophe for files,
// enclosed in double quotes (inner ones doubled) when it holds ";", a double
// quote, CR or LF.
void appendCsvField(std::string& out, std::string_view utf8, CsvUse use);

// The first row and the shape of a table file.
struct TableLayout {
  std::string sheet;                 // the sheet's name (xlsx)
  std::vector<std::string> headings; // cp1252
  std::vector<double> widths;        // column widths in characters (xlsx); empty: from the headings
};

class TableWriter {
 public:
  virtual ~TableWriter() = default;
  // The next cell of the row: text (cp1252; every xlsx cell so written is a
  // text cell, never a number or a formula), or a count (an xlsx number).
  virtual void text(std::string_view cp1252Text) = 0;
  virtual void number(std::uint64_t value) = 0;
  virtual void endRow() = 0;
  // Completes the file and puts it in the target's place (throws FileError).
  virtual void commit() = 0;
};

// A table file at `path` with the layout's heading row already written.
// Throws FileError when the file cannot be created.
std::unique_ptr<TableWriter> createTableFile(const std::string& path, TableFormat format, const TableLayout& layout);

// A whole table of text cells at once (widths from the longest cell of each
// column, plus one, at most 40).
void writeTableFile(const std::string& path, TableFormat format, const std::string& sheet,
                    const std::vector<std::string>& headings, const std::vector<std::vector<std::string>>& rows);

}  // namespace krt
