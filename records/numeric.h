// The numeric test of the verification: does a text read as a number under
// the user's locale conventions?
#pragma once

#include <string_view>

namespace krt {

struct NumberFormat {
  char decimal = '.';
  char thousands = '\0';  // '\0': no grouping

  // The separators of the user's locale, as LC_ALL, LC_NUMERIC and LANG
  // select it (the first one set wins). An unset, "C" or "POSIX" locale, or
  // one that is not installed, gives '.' and no grouping. Separators that are
  // not a single byte (as in some UTF-8 locales) count as absent.
  static NumberFormat fromEnvironment();
};

// With blanks at either end ignored: an optional sign, digits (the
// thousands separator allowed between them), an optional decimal separator
// with more digits, an optional exponent (E or e, optional sign, digits).
// At least one digit is needed; an empty or all-blank text does not pass.
bool isNumeric(std::string_view text, const NumberFormat& format);

}  // namespace krt
