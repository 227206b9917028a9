// Single-byte Western European text (Windows code page 1252).
//
// Inside the program every text is a std::string of cp1252 bytes, so that
// widths and columns count bytes exactly as the archive files do. These
// helpers upper-case such text and convert it to and from UTF-8 at the edges
// (the Qt windows, the command line).
#pragma once

#include <string>
#include <string_view>

namespace krt::cp1252 {

// Upper case of one cp1252 byte: a-z and the accented small letters map to
// their capitals; every other byte is returned unchanged. Never changes a
// length, so it is safe on fixed-width fields.
char toUpper(char c);

// The whole text upper-cased byte by byte.
std::string upper(std::string_view text);
void upperInPlace(std::string& text);

// UTF-8 -> cp1252. Characters that cp1252 cannot hold are replaced by '?'
// and counted in *lost (when given). Bytes that are not valid UTF-8 are
// taken as cp1252 bytes as they are.
std::string fromUtf8(std::string_view utf8, std::size_t* lost = nullptr);

// True when every character of the UTF-8 text has a cp1252 byte.
bool canEncode(std::string_view utf8);

// cp1252 -> UTF-8. The five bytes that cp1252 leaves undefined map to the
// C1 control characters of the same value, so that every byte survives a
// round trip.
std::string toUtf8(std::string_view text);
// The same, appended to `out` (for writers that reuse one buffer).
void appendUtf8(std::string& out, std::string_view text);

// The Unicode code point of one cp1252 byte, and back (-1 when none).
char32_t toUnicode(unsigned char c);
int fromUnicode(char32_t u);

}  // namespace krt::cp1252
