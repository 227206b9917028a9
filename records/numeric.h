// The numeric test of the verification: does a text read as a number under
// the user's locale conventions?
#pragma once

#include <bit>
#include <cstdint>
#include <string_view>

#include "records/fixed_text.h"

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

namespace detail {
constexpr std::uint64_t kEveryByte = 0x0101010101010101;
constexpr std::uint64_t kHighBits = 0x8080808080808080;
constexpr std::uint64_t kLowBits = 0x7F7F7F7F7F7F7F7F;

// 0x80 in each byte of `v` that is zero, 0 in every other byte. Exact:
// the additions never carry from one byte into the next.
constexpr std::uint64_t zeroBytes(std::uint64_t v) { return ~(((v & kLowBits) + kLowBits) | v) & kHighBits; }

// 0x80 in each byte of `v` that is a digit '0'..'9', 0 in every other byte.
constexpr std::uint64_t digitBytes(std::uint64_t v) {
  const std::uint64_t low = v & kLowBits;  // bytes from 0x80 up are excluded by ~v below
  return (low + kEveryByte * (0x80 - '0')) & ~(low + kEveryByte * (0x80 - '9' - 1)) & ~v & kHighBits;
}
}  // namespace detail

// A field of up to eight bytes (every numeric field of a record): the usual
// field, blanks then digits then blanks, is recognised without a branch on
// its bytes (the values of an archive vary too much for branches to be
// predicted); a field with no digit is refused at once; anything else takes
// the full reading.
template <std::size_t N>
  requires(N <= 8)
inline bool isNumeric(const FixedText<N>& field, const NumberFormat& format) {
  bool usual = false;
  bool anyDigit = false;
  if constexpr (N <= 2) {
    const auto digit = [&](std::size_t i) { return static_cast<unsigned char>(field.data()[i] - '0') < 10; };
    const auto blank = [&](std::size_t i) { return field.data()[i] == ' '; };
    if constexpr (N == 1) {
      usual = anyDigit = digit(0);
    } else {
      anyDigit = digit(0) | digit(1);
      usual = anyDigit & (digit(0) | blank(0)) & (digit(1) | blank(1));
    }
  } else {
    // One word, a class per byte.
    std::uint64_t word = packed(field);
    if constexpr (N < 8) word |= (detail::kEveryByte * ' ') << (8 * N);  // bytes past the field count as blanks
    const std::uint64_t digits = detail::digitBytes(word);
    const std::uint64_t blanks = detail::zeroBytes(word ^ (detail::kEveryByte * ' '));
    anyDigit = digits != 0;
    // The digits must stand together: every byte between the first and the
    // last digit is a digit (a blank between two digits is not a number).
    const std::uint64_t first = digits & (~digits + 1);
    const std::uint64_t last = std::uint64_t{1} << (63 - std::countl_zero(digits | 1));
    usual = anyDigit & ((digits | blanks) == detail::kHighBits) & ((((last - first) | last) & detail::kHighBits) == digits);
  }
  if (usual | !anyDigit) return usual;  // a number has at least one digit
  return isNumeric(field.view(), format);
}

}  // namespace krt
