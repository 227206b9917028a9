"""Prints a workbook as text for the tests, read by openpyxl (not by the
writer that made it): the sheet's name, frozen cell, filter range and
whether the heading row is bold; the column widths; then every row, each
cell as its type and value ("s:text", "n:3", "-" for an empty cell)."""
import sys

import openpyxl

book = openpyxl.load_workbook(sys.argv[1])
sheet = book.active
print(len(book.sheetnames), sheet.title, sheet.freeze_panes, sheet.auto_filter.ref,
      all(c.font.b for c in sheet[1]))
print(" ".join(str(int(sheet.column_dimensions[openpyxl.utils.get_column_letter(i)].width))
               for i in range(1, sheet.max_column + 1)))
for row in sheet.iter_rows():
    print("|".join("-" if c.value is None else
                   "%s:%s" % (c.data_type, str(c.value).replace("\n", "\\n")) for c in row))
