#pragma once
// The game's 8x8 bitmap font: every text and map symbol on screen is drawn with it.

#include <SDL3/SDL_pixels.h>
#include <SDL3/SDL_rect.h>

#include <cstdint>
#include <string>

#include "core/layout.h"
#include "core/types.h"

struct SDL_Surface;

// Draws glyphs from a 128x128 sheet of 16x16 glyphs (code c at column c mod 16, row c div 16),
// whose alpha channel is the glyph shape. Init makes one ready-coloured copy of the sheet per
// palette colour, so drawing a character is a single blit and nothing is recoloured while
// drawing. A glyph whose pixels are all full ink or none is copied rather than blended where the
// target has the sheets' own 32-bit format, as the screen has in a web page. Not reentrant:
// drawRect is shared scratch space.
//
// Texts may carry colour codes: "^C" + number + "^" draws the next character alone in palette
// colour number, "^C" + number + "|" switches to it for the rest of the text (until the next
// code). A code whose number is missing or outside 0-15, or that has no terminator, is not a
// code: its characters are drawn as plain text.
class RKFont {
 public:
  SDL_Rect glyphRects[256];             // source rectangle of each code on the sheet
  SDL_Rect drawRect{0, 0, 8, 8};        // destination of the current blit
  SDL_Surface* glyphSurfaces[16] = {};  // owned; one recoloured sheet per RKColors value
  SDL_Color colors[16] = {};            // the palette the sheets were coloured with
  bool solidGlyphs[256] = {};           // every pixel of the glyph is full ink or none

  RKFont() = default;
  ~RKFont();
  RKFont(const RKFont&) = delete;
  RKFont& operator=(const RKFont&) = delete;

  // Loads the sheet at path and builds the sixteen coloured copies in format (RGBA32 when
  // format is unknown, FOURCC or without alpha). False, printing nothing but with SDL's error
  // text saying why, when the path is no regular file, the picture is not a 128x128 PNG (checked
  // from its header before anything is decoded), or it cannot be loaded, converted or its
  // pixels accessed.
  bool Init(const std::string& path, SDL_PixelFormat format);

  // Blits the glyph of code with its top-left corner at (x, y); clipped by the target's
  // clip rectangle. A colour outside the palette draws nothing.
  void DrawChar(SDL_Surface* target, unsigned char code, int x, int y, RKColors color);

  // Draws text from (x, y) in color: a line feed returns to x 16 pixels lower, a tab
  // advances 40 pixels, colour codes recolour as described above. No wrapping.
  void DrawString(SDL_Surface* target, const std::string& text, int x, int y, RKColors color);

  // Draws digits right-aligned in a field of width cells, padded on the left with "0";
  // a text longer than the field keeps only its last width characters.
  void DrawNumber(SDL_Surface* target, const std::string& digits, int x, int y, int width,
                  RKColors color);

  // Writes pixel, a value in surface's own format, at (x, y). Does nothing when the format
  // is unknown or (x, y) lies outside the surface.
  static void SetPixel(SDL_Surface* surface, int x, int y, std::uint32_t pixel);
  // The pixel at (x, y) as a value in surface's format; 0 when it cannot be read.
  static std::uint32_t GetPixel(SDL_Surface* surface, int x, int y);

 private:
  bool CopySolidGlyph(SDL_Surface* target, unsigned char code, int x, int y, RKColors color);
};
