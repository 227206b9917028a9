#include "records/numeric.h"

#include <langinfo.h>
#include <locale.h>

#include <cstring>


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
  // One pass over the characters, with no copies.
  const char* p = text.data();
  const char* end = p + text.size();
  while (p < end && *p == ' ') ++p;
  while (end > p && end[-1] == ' ') --end;
  const auto isDigit = [&] { return p < end && *p >= '0' && *p <= '9'; };
  if (p < end && (*p == '+' || *p == '-')) ++p;
  std::size_t digits = 0;
  while (p < end) {
    if (*p >= '0' && *p <= '9') {
      ++digits;
      ++p;
    } else if (format.thousands != '\0' && *p == format.thousands && digits > 0) {
      ++p;
    } else {
      break;
    }
  }
  if (p < end && *p == format.decimal) {
    ++p;
    while (isDigit()) {
      ++digits;
      ++p;
    }
  }
  if (digits == 0) return false;
  if (p < end && (*p == 'E' || *p == 'e')) {
    ++p;
    if (p < end && (*p == '+' || *p == '-')) ++p;
    if (!isDigit()) return false;
    while (isDigit()) ++p;
  }
  return p == end;
}

}  // namespace krt
