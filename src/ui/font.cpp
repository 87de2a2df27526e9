#include "ui/font.h"

#include <SDL3/SDL.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/colorcode.h"
#include "core/globals.h"

namespace {

constexpr int LINE_ADVANCE = 16;  // one glyph plus an 8-pixel gap
constexpr int TAB_ADVANCE = 40;   // five cells, a fixed step rather than a tab stop
constexpr int PALETTE_SIZE = 16;
constexpr int SHEET_SIZE = 16 * GLYPH_SIZE;  // 16 x 16 glyphs

// The sheet's size as its PNG header gives it (the IHDR chunk opens every PNG), checked before
// the picture is decoded: a sheet of another size draws garbage, and a 4096x4096 one took 11 s
// and 1.46 GB to turn into sixteen coloured copies. False, with SDL's error text saying why,
// when the path is no regular file, the file no PNG or the picture not 128x128.
bool CheckSheetFile(const std::string& path) {
  std::error_code failure;
  const std::filesystem::file_type type = std::filesystem::status(path, failure).type();
  if (type == std::filesystem::file_type::not_found) {
    return SDL_SetError("%s is missing", path.c_str());
  }
  if (type != std::filesystem::file_type::regular) {
    return SDL_SetError("%s is not a regular file", path.c_str());
  }
  unsigned char header[24] = {};
  std::ifstream in(path, std::ios::binary);
  in.read(reinterpret_cast<char*>(header), sizeof header);
  static const unsigned char SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (in.gcount() != static_cast<std::streamsize>(sizeof header) ||
      std::memcmp(header, SIGNATURE, sizeof SIGNATURE) != 0 ||
      std::memcmp(header + 12, "IHDR", 4) != 0) {
    return SDL_SetError("%s is not a PNG picture", path.c_str());
  }
  auto bigEndian = [&header](int at) {
    unsigned long value = 0;
    for (int i = at; i < at + 4; ++i) value = value << 8 | header[i];
    return value;
  };
  const unsigned long width = bigEndian(16);
  const unsigned long height = bigEndian(20);
  if (width != SHEET_SIZE || height != SHEET_SIZE) {
    return SDL_SetError("%s is %lux%lu pixels, the font needs %dx%d", path.c_str(), width, height,
                        SHEET_SIZE, SHEET_SIZE);
  }
  return true;
}

// InkSheet on a packed 16- or 32-bit format: one word per pixel.
template <typename Pixel>
void InkPackedSheet(SDL_Surface* sheet, Uint32 alphaMask, Uint32 ink) {
  for (int y = 0; y < sheet->h; ++y) {
    Pixel* row = reinterpret_cast<Pixel*>(static_cast<Uint8*>(sheet->pixels) +
                                          static_cast<std::ptrdiff_t>(y) * sheet->pitch);
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

// Which glyphs of a sheet of four 8-bit channels have only pixels of full ink or none.
void FindSolidGlyphs(const SDL_Surface* sheet, Uint32 alphaMask, bool (&solid)[256]) {
  for (int code = 0; code < 256; ++code) {
    const int left = GLYPH_SIZE * (code % 16);
    const int top = GLYPH_SIZE * (code / 16);
    solid[code] = true;
    for (int y = top; y < top + GLYPH_SIZE; ++y) {
      const auto* row = reinterpret_cast<const Uint32*>(
          static_cast<const Uint8*>(sheet->pixels) + static_cast<std::ptrdiff_t>(y) * sheet->pitch);
      for (int x = left; x < left + GLYPH_SIZE; ++x) {
        const Uint32 alpha = row[x] & alphaMask;
        if (alpha != 0 && alpha != alphaMask) solid[code] = false;
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
  if (!CheckSheetFile(path)) {
    return false;
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
    if (i == 0) {
      if (SDL_PIXELLAYOUT(sheet->format) == SDL_PACKEDLAYOUT_8888) {
        FindSolidGlyphs(sheet, details->Amask, solidGlyphs);
      } else {
        std::fill(std::begin(solidGlyphs), std::end(solidGlyphs), false);
      }
    }
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
  if (CopySolidGlyph(target, code, x, y, color)) {
    return;
  }
  drawRect = {x, y, GLYPH_SIZE, GLYPH_SIZE};
  SDL_BlitSurface(glyphSurfaces[color], &glyphRects[code], target, &drawRect);
}

// Blending a pixel of full ink gives the ink, and one of no ink leaves the target as it was:
// such a glyph is copied, its inked pixels alone, where the target's format is the sheet's.
// SDL blends every pixel of a blit, which in WebAssembly (no vector blend there) took a fifth
// of the page's frame. False, drawing nothing, where the glyph or the target does not allow it.
bool RKFont::CopySolidGlyph(SDL_Surface* target, unsigned char code, int x, int y, RKColors color) {
  const SDL_Surface* sheet = glyphSurfaces[color];
  if (!solidGlyphs[code] || sheet == nullptr || target == nullptr ||
      target->format != sheet->format || SDL_MUSTLOCK(target) || target->pixels == nullptr) {
    return false;
  }
  SDL_Rect clip{0, 0, 0, 0};
  SDL_GetSurfaceClipRect(target, &clip);
  const SDL_Rect glyph{x, y, GLYPH_SIZE, GLYPH_SIZE};
  SDL_Rect shown{0, 0, 0, 0};
  if (!SDL_GetRectIntersection(&glyph, &clip, &shown)) {
    return true;  // wholly clipped away
  }
  const SDL_Rect& from = glyphRects[code];
  for (int row = shown.y; row < shown.y + shown.h; ++row) {
    const auto* ink = reinterpret_cast<const Uint32*>(
                          static_cast<const Uint8*>(sheet->pixels) +
                          static_cast<std::ptrdiff_t>(from.y + row - y) * sheet->pitch) +
                      from.x + (shown.x - x);
    auto* out = reinterpret_cast<Uint32*>(static_cast<Uint8*>(target->pixels) +
                                          static_cast<std::ptrdiff_t>(row) * target->pitch) +
                shown.x;
    for (int i = 0; i < shown.w; ++i) {
      if (ink[i] != 0) out[i] = ink[i];  // the sheet keeps no colour where it has no ink
    }
  }
  return true;
}

void RKFont::DrawString(SDL_Surface* target, const std::string& text, int x, int y,
                        RKColors color) {
  // A glyph wholly outside the clip rectangle would be clipped away by the blit: it is not even
  // handed to it, so a text far longer than its line costs little more than what shows.
  SDL_Rect clip{0, 0, 0, 0};
  SDL_GetSurfaceClipRect(target, &clip);
  auto draw = [&](unsigned char glyph, int gx, int gy, RKColors glyphColor) {
    if (gx < clip.x + clip.w && gx + GLYPH_SIZE > clip.x && gy < clip.y + clip.h &&
        gy + GLYPH_SIZE > clip.y) {
      DrawChar(target, glyph, gx, gy, glyphColor);
    }
  };
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
        draw(glyph, x + dx, y + dy, current);
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
    draw(c, x + dx, y + dy, current);
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
    DrawChar(target, static_cast<unsigned char>(digits[i]), x + GLYPH_SIZE * static_cast<int>(pen),
             y, color);
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
