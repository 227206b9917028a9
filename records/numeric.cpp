#include "records/numeric.h"

#include <langinfo.h>
#include <locale.h>

#include <cstring>

#include "records/fixed_text.h"

namespace krt {

NumberFormat NumberFormat::fromEnvironment() {
  NumberFormat format;
  // newlocale with "" resolves LC_ALL, then LC_NUMERIC, then LANG.
  locale_t loc = ::newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
  if (loc == static_cast<locale_t>(nullptr)) return format;
  const char* dec = ::nl_langinfo_l(RADIXCHAR, loc);
  const char* sep = ::nl_langinfo_l(THOUSEP, loc);
  if (dec && std::strlen(dec) == 1) format.decimal = dec[0];
  if (sep && std::strlen(sep) == 1 && sep[0] != format.decimal) format.thousands = sep[0];
  ::freelocale(loc);
  return format;
}

bool isNumeric(std::string_view text, const NumberFormat& format) {
  const std::string_view t = trimBlanks(text);
  std::size_t i = 0;
  const auto digit = [&](std::size_t k) { return k < t.size() && t[k] >= '0' && t[k] <= '9'; };
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < t.size()) {
    if (digit(i)) {
      ++digits;
      ++i;
    } else if (format.thousands != '\0' && t[i] == format.thousands && digits > 0) {
      ++i;
    } else {
      break;
    }
  }
  if (i < t.size() && t[i] == format.decimal) {
    ++i;
    while (digit(i)) {
      ++digits;
      ++i;
    }
  }
  if (digits == 0) return false;
  if (i < t.size() && (t[i] == 'E' || t[i] == 'e')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    if (!digit(i)) return false;
    while (digit(i)) ++i;
  }
  return i == t.size();
}

}  // namespace krt
