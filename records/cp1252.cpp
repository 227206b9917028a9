#include "records/cp1252.h"

#include <array>

namespace krt::cp1252 {
namespace {

// Code points of the bytes 0x80-0x9F; the undefined ones keep their value.
constexpr std::array<char32_t, 32> kHigh = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  //
                                            0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  //
                                            0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
                                            0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void appendUtf8(std::string& out, char32_t u) {
  if (u < 0x80) {
    out += static_cast<char>(u);
  } else if (u < 0x800) {
    out += static_cast<char>(0xC0 | (u >> 6));
    out += static_cast<char>(0x80 | (u & 0x3F));
  } else if (u < 0x10000) {
    out += static_cast<char>(0xE0 | (u >> 12));
    out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (u & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (u >> 18));
    out += static_cast<char>(0x80 | ((u >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (u & 0x3F));
  }
}

// Decodes one UTF-8 sequence at text[i]; returns its length, 0 if invalid.
std::size_t decodeUtf8(std::string_view text, std::size_t i, char32_t& u) {
  const auto b = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
  const unsigned char c = b(0);
  std::size_t len = 0;
  if (c < 0x80) {
    u = c;
    return 1;
  }
  if ((c & 0xE0) == 0xC0) {
    len = 2;
    u = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    len = 3;
    u = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    len = 4;
    u = c & 0x07;
  } else {
    return 0;
  }
  if (i + len > text.size()) return 0;
  for (std::size_t k = 1; k < len; ++k) {
    if ((b(k) & 0xC0) != 0x80) return 0;
    u = (u << 6) | (b(k) & 0x3F);
  }
  static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (u < kMin[len] || u > 0x10FFFF || (u >= 0xD800 && u <= 0xDFFF)) return 0;
  return len;
}

}  // namespace

char32_t toUnicode(unsigned char c) {
  if (c >= 0x80 && c < 0xA0) return kHigh[c - 0x80];
  return c;
}

int fromUnicode(char32_t u) {
  if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return static_cast<int>(u);
  for (std::size_t k = 0; k < kHigh.size(); ++k) {
    if (kHigh[k] == u) return static_cast<int>(0x80 + k);
  }
  return -1;
}

char toUpper(char ch) {
  const auto c = static_cast<unsigned char>(ch);
  if (c >= 'a' && c <= 'z') return static_cast<char>(c - 0x20);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char>(c - 0x20);
  switch (c) {
    case 0x9A:
      return static_cast<char>(0x8A);  // s caron
    case 0x9C:
      return static_cast<char>(0x8C);  // oe
    case 0x9E:
      return static_cast<char>(0x8E);  // z caron
    case 0xFF:
      return static_cast<char>(0x9F);  // y diaeresis
    default:
      return ch;
  }
}

std::string upper(std::string_view text) {
  std::string out(text);
  upperInPlace(out);
  return out;
}

void upperInPlace(std::string& text) {
  // toUpper without branches, so that the compiler runs it on many bytes at
  // once: the main list search upper-cases every entry of the list.
  for (char& ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    const unsigned small =
        static_cast<unsigned>((c >= 'a') & (c <= 'z')) | static_cast<unsigned>((c >= 0xE0) & (c != 0xF7) & (c != 0xFF));
    const unsigned caron = static_cast<unsigned>((c == 0x9A) | (c == 0x9C) | (c == 0x9E));
    const unsigned ydiaeresis = static_cast<unsigned>(c == 0xFF);
    ch = static_cast<char>(c - small * 0x20 - caron * 0x10 - ydiaeresis * 0x60);
  }
}

std::string fromUtf8(std::string_view utf8, std::size_t* lost) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t i = 0;
  while (i < utf8.size()) {
    char32_t u = 0;
    const std::size_t len = decodeUtf8(utf8, i, u);
    if (len == 0) {  // not UTF-8: keep the byte as it is
      out += utf8[i++];
      continue;
    }
    const int b = fromUnicode(u);
    if (b < 0) {
      out += '?';
      if (lost) ++*lost;
    } else {
      out += static_cast<char>(b);
    }
    i += len;
  }
  return out;
}

bool canEncode(std::string_view utf8) {
  std::size_t lost = 0;
  fromUtf8(utf8, &lost);
  return lost == 0;
}

void appendUtf8(std::string& out, std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 0x80) {
      out += c;
    } else {
      appendUtf8(out, toUnicode(static_cast<unsigned char>(c)));
    }
  }
}

std::string toUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  appendUtf8(out, text);
  return out;
}

}  // namespace krt::cp1252
