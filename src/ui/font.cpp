#include "ui/font.h"

#include <SDL3/SDL.h>

#include "game/globals.h"

namespace {

constexpr int LINE_ADVANCE = 16;  // one glyph plus an 8-pixel gap
constexpr int TAB_ADVANCE = 40;   // five cells, a fixed step rather than a tab stop
constexpr int PALETTE_SIZE = 16;

// The colour number of a code, read like a decimal integer: leading white space and a sign
// are allowed and reading stops at the first non-digit. -1 when no digit is found or the
// value is not a palette index, so that a typo in a translation can never pick a sheet that
// does not exist. Reads text[begin, end) in place: drawing allocates nothing.
int ParseColorNumber(const std::string& text, std::size_t begin, std::size_t end) {
  std::size_t i = begin;
  while (i < end && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) {
    ++i;
  }
  bool negative = false;
  if (i < end && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i == end || text[i] < '0' || text[i] > '9') {
    return -1;
  }
  int value = 0;
  for (; i < end && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value >= PALETTE_SIZE) {
      return -1;  // stopping here also keeps a run of digits from overflowing
    }
  }
  return negative && value != 0 ? -1 : value;
}

// Where a colour code starting at start ("^C") ends and which colour it gives: the index of
// its terminator ("^" or "|") and the colour, or colour -1 for a malformed code.
struct RKColorCode {
  std::size_t terminator;
  int color;
};

RKColorCode ReadColorCode(const std::string& text, std::size_t start) {
  const std::size_t terminator = text.find_first_of("^|", start + 2);
  if (terminator == std::string::npos) {
    return {terminator, -1};
  }
  return {terminator, ParseColorNumber(text, start + 2, terminator)};
}

// InkSheet on a packed 16- or 32-bit format: one word per pixel.
template <typename Pixel>
void InkPackedSheet(SDL_Surface* sheet, Uint32 alphaMask, Uint32 ink) {
  for (int y = 0; y < sheet->h; ++y) {
    Pixel* row = reinterpret_cast<Pixel*>(static_cast<Uint8*>(sheet->pixels) + y * sheet->pitch);
    for (int x = 0; x < sheet->w; ++x) {
      const Uint32 alpha = row[x] & alphaMask;
      row[x] = static_cast<Pixel>(alpha != 0 ? (ink | alpha) : 0);
    }
  }
}

// Gives every pixel of the sheet the ink's colour with the pixel's own alpha, which keeps any
// partial coverage of the glyph, and makes the pixels without alpha transparent black. Packed
// 16- and 32-bit formats (the window's among them) are worked on word by word: reading and
// writing each pixel through SDL took about 10 ms of every start for the sixteen sheets.
void InkSheet(SDL_Surface* sheet, const SDL_PixelFormatDetails* details, SDL_Color ink) {
  if (details->Amask != 0 && (details->bytes_per_pixel == 2 || details->bytes_per_pixel == 4)) {
    // In a packed format the channels are separate bits, and no bits at all are black with
    // zero alpha.
    const Uint32 color = SDL_MapRGBA(details, nullptr, ink.r, ink.g, ink.b, 0);
    if (details->bytes_per_pixel == 2) {
      InkPackedSheet<Uint16>(sheet, details->Amask, color);
    } else {
      InkPackedSheet<Uint32>(sheet, details->Amask, color);
    }
    return;
  }
  for (int y = 0; y < sheet->h; ++y) {
    for (int x = 0; x < sheet->w; ++x) {
      Uint8 alpha = 0;
      if (SDL_ReadSurfacePixel(sheet, x, y, nullptr, nullptr, nullptr, &alpha) && alpha != 0) {
        SDL_WriteSurfacePixel(sheet, x, y, ink.r, ink.g, ink.b, alpha);
      } else {
        SDL_WriteSurfacePixel(sheet, x, y, 0, 0, 0, 0);
      }
    }
  }
}

}  // namespace

RKFont::~RKFont() {
  for (SDL_Surface*& sheet : glyphSurfaces) {
    SDL_DestroySurface(sheet);
    sheet = nullptr;
  }
}

bool RKFont::Init(const std::string& path, SDL_PixelFormat format) {
  for (int i = 0; i < PALETTE_SIZE; ++i) {
    colors[i] = {EGAColors[i].r, EGAColors[i].g, EGAColors[i].b, EGAColors[i].a};
  }
  for (int row = 0; row < 16; ++row) {
    for (int column = 0; column < 16; ++column) {
      glyphRects[16 * row + column] = {GLYPH_SIZE * column, GLYPH_SIZE * row, GLYPH_SIZE,
                                       GLYPH_SIZE};
    }
  }
  // The shape lives in the alpha channel, so the sheets need a format that keeps it.
  const bool usable = format != SDL_PIXELFORMAT_UNKNOWN && !SDL_ISPIXELFORMAT_FOURCC(format) &&
                      SDL_ISPIXELFORMAT_ALPHA(format);
  const SDL_PixelFormat workingFormat = usable ? format : SDL_PIXELFORMAT_RGBA32;

  for (SDL_Surface*& sheet : glyphSurfaces) {
    SDL_DestroySurface(sheet);  // a second Init replaces the sheets instead of leaking them
    sheet = nullptr;
  }
  // The file is read once; each colour gets its own converted copy.
  SDL_Surface* loaded = SDL_LoadPNG(path.c_str());
  if (loaded == nullptr) {
    return false;
  }
  for (int i = 0; i < PALETTE_SIZE; ++i) {
    SDL_Surface* sheet = SDL_ConvertSurface(loaded, workingFormat);
    if (sheet == nullptr) {
      SDL_DestroySurface(loaded);
      return false;
    }
    glyphSurfaces[i] = sheet;
    SDL_SetSurfaceBlendMode(sheet, SDL_BLENDMODE_BLEND);

    const bool locked = SDL_MUSTLOCK(sheet);
    if (locked && !SDL_LockSurface(sheet)) {
      SDL_DestroySurface(loaded);
      return false;
    }
    const SDL_PixelFormatDetails* details = SDL_GetPixelFormatDetails(sheet->format);
    if (details == nullptr) {
      if (locked) {
        SDL_UnlockSurface(sheet);
      }
      SDL_DestroySurface(loaded);
      return false;
    }
    InkSheet(sheet, details, colors[i]);
    if (locked) {
      SDL_UnlockSurface(sheet);
    }
  }
  SDL_DestroySurface(loaded);
  return true;
}

void RKFont::DrawChar(SDL_Surface* target, unsigned char code, int x, int y, RKColors color) {
  if (color >= PALETTE_SIZE) {
    return;
  }
  drawRect = {x, y, GLYPH_SIZE, GLYPH_SIZE};
  SDL_BlitSurface(glyphSurfaces[color], &glyphRects[code], target, &drawRect);
}

void RKFont::DrawString(SDL_Surface* target, const std::string& text, int x, int y,
                        RKColors color) {
  int dx = 0;
  int dy = 0;
  RKColors current = color;
  const std::size_t length = text.size();
  std::size_t i = 0;
  while (i < length) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\n') {
      dx = 0;
      dy += LINE_ADVANCE;
      ++i;
      continue;
    }
    if (c == '\t') {
      dx += TAB_ADVANCE;
      ++i;
      continue;
    }
    if (c == '^' && i + 1 < length && text[i + 1] == 'C') {
      const RKColorCode code = ReadColorCode(text, i);
      if (code.color >= 0) {
        current = static_cast<RKColors>(code.color);
        // The coloured character is drawn as it is, whatever it is; at the very end of the
        // text that is the glyph of code 0.
        const std::size_t carried = code.terminator + 1;
        const unsigned char glyph =
            carried < length ? static_cast<unsigned char>(text[carried]) : 0;
        DrawChar(target, glyph, x + dx, y + dy, current);
        dx += GLYPH_SIZE;
        if (text[code.terminator] == '^') {
          current = color;
        }
        i = carried + 1;
        continue;
      }
      // A malformed code falls through: its "^" is an ordinary glyph, and the rest of it
      // is read as ordinary text after it.
    }
    DrawChar(target, c, x + dx, y + dy, current);
    dx += GLYPH_SIZE;
    ++i;
  }
}

void RKFont::DrawNumber(SDL_Surface* target, const std::string& digits, int x, int y, int width,
                        RKColors color) {
  if (width <= 0) {
    return;
  }
  const std::size_t field = static_cast<std::size_t>(width);
  const std::size_t length = digits.size();
  std::size_t pen = 0;
  for (; pen + length < field; ++pen) {
    DrawChar(target, '0', x + GLYPH_SIZE * static_cast<int>(pen), y, color);
  }
  for (std::size_t i = length > field ? length - field : 0; i < length; ++i, ++pen) {
    DrawChar(target, static_cast<unsigned char>(digits[i]),
             x + GLYPH_SIZE * static_cast<int>(pen), y, color);
  }
}

void RKFont::SetPixel(SDL_Surface* surface, int x, int y, std::uint32_t pixel) {
  if (surface == nullptr) {
    return;
  }
  const SDL_PixelFormatDetails* details = SDL_GetPixelFormatDetails(surface->format);
  if (details == nullptr) {
    return;
  }
  Uint8 r = 0, g = 0, b = 0, a = 0;
  SDL_GetRGBA(pixel, details, SDL_GetSurfacePalette(surface), &r, &g, &b, &a);
  SDL_WriteSurfacePixel(surface, x, y, r, g, b, a);
}

std::uint32_t RKFont::GetPixel(SDL_Surface* surface, int x, int y) {
  if (surface == nullptr) {
    return 0;
  }
  const SDL_PixelFormatDetails* details = SDL_GetPixelFormatDetails(surface->format);
  if (details == nullptr) {
    return 0;
  }
  Uint8 r = 0, g = 0, b = 0, a = 0;
  if (!SDL_ReadSurfacePixel(surface, x, y, &r, &g, &b, &a)) {
    return 0;
  }
  return SDL_MapRGBA(details, SDL_GetSurfacePalette(surface), r, g, b, a);
}
