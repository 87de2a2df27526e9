#pragma once
// What the glyph sheet holds at each code: printable ASCII, the Latin-1 character of the code
// from 160 up, and, in eleven of those places (code page 437's), the frame pieces and the block
// that boxes, the panel and the bars are drawn with. Every other code is blank.

constexpr unsigned char GLYPH_TEE_LEFT = 185;  // the rule meets the right wall
constexpr unsigned char GLYPH_VERTICAL = 186;
constexpr unsigned char GLYPH_TOP_RIGHT = 187;
constexpr unsigned char GLYPH_BOTTOM_RIGHT = 188;
constexpr unsigned char GLYPH_BOTTOM_LEFT = 200;
constexpr unsigned char GLYPH_TOP_LEFT = 201;
constexpr unsigned char GLYPH_TEE_UP = 202;     // the divider ends on the bottom rule
constexpr unsigned char GLYPH_TEE_DOWN = 203;   // the divider starts under a rule
constexpr unsigned char GLYPH_TEE_RIGHT = 204;  // the rule meets the left wall
constexpr unsigned char GLYPH_HORIZONTAL = 205;
constexpr unsigned char GLYPH_BLOCK = 219;

// True for the codes that hold a frame piece or the block instead of their Latin-1 letter.
constexpr bool IsFrameGlyph(unsigned char code) {
  return (code >= GLYPH_TEE_LEFT && code <= GLYPH_BOTTOM_RIGHT) ||
         (code >= GLYPH_BOTTOM_LEFT && code <= GLYPH_HORIZONTAL) || code == GLYPH_BLOCK;
}

// True when the code's glyph is the Latin-1 character of that code point.
constexpr bool ShowsLatin1(unsigned char code) {
  return (code >= 32 && code <= 126) || (code >= 160 && !IsFrameGlyph(code));
}
