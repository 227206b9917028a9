// Fixed-width text: the value of one record field.
//
// A field always holds exactly its width in bytes. Storing a text into it
// pads the text with blanks on the right, or cuts it to the width.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace krt {

// Stores text into a field of `width` bytes at `dest`: padded or cut.
inline void assignFixed(char* dest, std::size_t width, std::string_view text) {
  const std::size_t n = std::min(width, text.size());
  std::copy_n(text.data(), n, dest);
  std::fill(dest + n, dest + width, ' ');
}

// True when the text is empty or holds blanks only. The text is compared
// with a run of blanks, a block at a time: the library's comparison of
// memory is much quicker than a test of each character.
inline bool isBlank(std::string_view text) {
  static constexpr char kBlanks[] = "                                                                ";
  constexpr std::size_t kBlock = sizeof kBlanks - 1;
  for (std::size_t at = 0; at < text.size(); at += kBlock) {
    if (std::memcmp(text.data() + at, kBlanks, std::min(kBlock, text.size() - at)) != 0) return false;
  }
  return true;
}

// The text without blanks at either end.
inline std::string_view trimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

// The text without the blanks on its right.
inline std::string_view trimRight(std::string_view text) {
  std::size_t n = text.size();
  while (n > 0 && text[n - 1] == ' ') --n;
  return text.substr(0, n);
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
  bool blank() const { return isBlank(view()); }

  friend bool operator==(const FixedText& a, std::string_view b) { return a.view() == b; }

 private:
  char data_[N];
};

}  // namespace krt
