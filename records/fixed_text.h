// Fixed-width text: the value of one record field.
//
// A field always holds exactly its width in bytes. Storing a text into it
// pads the text with blanks on the right, or cuts it to the width.
#pragma once

#include <algorithm>
#include <cstddef>
#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <string>
#include <string_view>

namespace krt {

// Stores text into a field of `width` bytes at `dest`: padded or cut.
inline void assignFixed(char* dest, std::size_t width, std::string_view text) {
  const std::size_t n = std::min(width, text.size());
  std::copy_n(text.data(), n, dest);
  std::fill(dest + n, dest + width, ' ');
}

// True when the text is empty or holds blanks only.
inline bool isBlank(std::string_view text) { return text.find_first_not_of(' ') == std::string_view::npos; }

// The text without blanks at either end.
inline std::string_view trimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

// The text padded with blanks or cut to `width`, as a new string.
inline std::string fixedWidth(std::string_view text, std::size_t width) {
  std::string out(width, ' ');
  assignFixed(out.data(), width, text);
  return out;
}

// The characters of `text` from the 1-based column `from`, at most `count`
// of them; fewer (down to none) when the text ends before.
inline std::string_view columns(std::string_view text, std::size_t from, std::size_t count) {
  if (from > text.size()) return {};
  return text.substr(from - 1, count);
}

// A short text (up to eight bytes) as one number, the way packed() reads a
// field: compares a field with a code in one instruction.
constexpr std::uint64_t packed(std::string_view text) {
  std::uint64_t word = 0;
  for (std::size_t i = 0; i < text.size() && i < 8; ++i)
    word |= std::uint64_t{static_cast<unsigned char>(text[i])} << (8 * i);
  return word;
}

namespace detail {
// The N bytes at `p` as packed() gives them, read in as few loads as the
// width allows (on the usual little-endian processor).
template <std::size_t N>
std::uint64_t packedBytes(const char* p) {
  static_assert(N <= 8);
  if constexpr (N == 0) {
    return 0;
  } else if constexpr (std::endian::native != std::endian::little) {
    return packed(std::string_view(p, N));
  } else if constexpr (N == 1 || N == 2 || N == 4 || N == 8) {
    using Word = std::conditional_t<N == 1, std::uint8_t,
                                    std::conditional_t<N == 2, std::uint16_t,
                                                       std::conditional_t<N == 4, std::uint32_t, std::uint64_t>>>;
    Word word;
    std::memcpy(&word, p, N);
    return word;
  } else {
    constexpr std::size_t head = N > 4 ? 4 : 2;
    return packedBytes<head>(p) | packedBytes<N - head>(p + head) << (8 * head);
  }
}
}  // namespace detail

template <std::size_t N>
class FixedText {
 public:
  static constexpr std::size_t width = N;

  FixedText() { clear(); }
  FixedText(std::string_view text) { assign(text); }  // NOLINT: implicit by design
  FixedText& operator=(std::string_view text) {
    assign(text);
    return *this;
  }

  void assign(std::string_view text) { assignFixed(data_, N, text); }
  void clear() { std::fill(data_, data_ + N, ' '); }

  std::string_view view() const { return {data_, N}; }
  const char* data() const { return data_; }
  std::string str() const { return std::string(view()); }
  operator std::string_view() const { return view(); }  // NOLINT
  bool blank() const {
    if constexpr (N <= 8) {
      return packed(*this) == packed(std::string_view("        ", N));
    } else {
      return isBlank(view());
    }
  }

  // A short field as one number: its first byte lowest, zeros above its
  // width. The bytes are gathered in registers: going through a word in
  // memory, part of it just written, stalls the processor on every call.
  friend std::uint64_t packed(const FixedText& field) {
    static_assert(N <= 8, "only a field of up to eight bytes fits one number");
    return detail::packedBytes<N>(field.data_);
  }

  friend bool operator==(const FixedText& a, std::string_view b) { return a.view() == b; }

 private:
  char data_[N];
};

}  // namespace krt
