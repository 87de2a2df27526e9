// Small text helpers shared by the reader and by everything that reads or writes texts the way
// the data files do: UTF-8 sequences, hexadecimal digits and identifier characters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zokCSON {

// Appends the UTF-8 bytes of a code point (at most U+10FFFF; surrogates are the caller's care).
inline void AppendUtf8(std::uint32_t codePoint, std::string& out) {
  if (codePoint < 0x80) {
    out += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    out += static_cast<char>(0xC0 | (codePoint >> 6));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    out += static_cast<char>(0xE0 | (codePoint >> 12));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (codePoint >> 18));
    out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
}

// Decodes the multi-byte UTF-8 sequence that starts at text[at]: its code point and its length
// in bytes. False for an ASCII byte, a stray continuation byte, or a sequence that is cut short
// or broken. Only the shape is checked: overlong forms and surrogates are the reader's concern
// (it refuses them before any text reaches a caller).
inline bool DecodeUtf8(std::string_view text, std::size_t at, std::uint32_t& codePoint,
                       std::size_t& length) {
  const auto lead = static_cast<unsigned char>(text[at]);
  length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  if (length == 0 || at + length > text.size()) {
    return false;
  }
  codePoint = lead & (0x7Fu >> length);
  for (std::size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[at + k]);
    if ((next & 0xC0) != 0x80) {
      return false;
    }
    codePoint = (codePoint << 6) | (next & 0x3Fu);
  }
  return true;
}

// The value of one hexadecimal digit (either case), or -1.
constexpr int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

// An unquoted key or word starts with an ASCII letter or "_" and goes on with letters, digits,
// "_" and "-".
constexpr bool IsIdentifierStart(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
constexpr bool IsIdentifierPart(char c) {
  return IsIdentifierStart(c) || (c >= '0' && c <= '9') || c == '-';
}

}  // namespace zokCSON
