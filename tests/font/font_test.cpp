// The bitmap font drawn onto small surfaces and read back pixel by pixel. No window is needed:
// surfaces and the PNG loader work without SDL's video subsystem.

#include <SDL3/SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "core/globals.h"
#include "support/harness.h"
#include "ui/font.h"
#include "ui/globals.h"

namespace {

const char* const SHEET = TVK_DATA_DIR "/gfx/font.png";

// "0"-"F" for the palette colour of each 8x8 cell of a row, "." for a blank cell.
std::string RowColors(SDL_Surface* surface, int py, int cells) {
  std::string text;
  for (int i = 0; i < cells; ++i) {
    const int color = CellColor(surface, 8 * i, py);
    text += color < 0 ? '.' : "0123456789ABCDEF"[color];
  }
  return text;
}

// The glyphs of the whole surface, one line per row of cells, "." for a blank cell.
std::string Picture(SDL_Surface* surface) {
  std::string picture;
  for (int py = 0; py < surface->h; py += 8) {
    std::string row = CellText(surface, 0, py, surface->w / 8);
    for (char& c : row) {
      if (c == ' ') c = '.';
    }
    picture += row + "\n";
  }
  return picture;
}

// Fills the surface with one palette colour.
void Fill(SDL_Surface* surface, RKColors color) {
  const RKColor& c = EGAColors[color];
  SDL_FillSurfaceRect(surface, nullptr, SDL_MapSurfaceRGB(surface, c.r, c.g, c.b));
}

// The game's own sheet loaded once for the suite, drawn onto a fresh black surface per test
// in the window's format (no alpha), as the screen surfaces are.
class FontTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    font = new RKFont;
    ASSERT_TRUE(font->Init(SHEET, SDL_PIXELFORMAT_XRGB8888)) << SDL_GetError();
  }
  static void TearDownTestSuite() {
    delete font;
    font = nullptr;
  }
  void SetUp() override {
    target = SDL_CreateSurface(320, 32, SDL_PIXELFORMAT_XRGB8888);
    ASSERT_NE(target, nullptr);
    Fill(target, Black);
  }
  void TearDown() override { SDL_DestroySurface(target); }

  static RKFont* font;
  SDL_Surface* target = nullptr;
};
RKFont* FontTest::font = nullptr;

TEST_F(FontTest, ColourCodesRecolourTheCharactersTheyCarry) {
  struct Case {
    const char* name;
    std::string text;
    std::string glyphs;  // what the first row shows
    std::string colors;  // palette colour per cell, base colour White (F)
  };
  const Case cases[] = {
      {"one-shot colours one character", "^C14^AB", "AB", "EF"},
      {"sticky colours the rest", "^C14|AB", "AB", "EE"},
      {"one-shot after sticky returns to the base colour", "^C12|A^C10^BC", "ABC", "CAF"},
      {"blank before the digits", "^C 7^AB", "AB", "7F"},
      {"letters after the digits are ignored", "^C7x^AB", "AB", "7F"},
      {"sign before the digits", "^C+5^AB", "AB", "5F"},
      {"two-digit colour", "^C10|A^C9|B", "AB", "A9"},
      {"carried line feed is a glyph, not a break", "^C10^\nA", ".A", ".F"},
      {"carried caret is a glyph, not a code", "^C10^^CA", "^CA", "AFF"},
      {"lone caret at the end", "A^", "A^", "FF"},
      {"caret before another letter", "^xB", "^xB", "FFF"},
      {"lower-case c starts no code", "^c5^A", "^c5^A", "FFFFF"},
      // A typo in a translation must neither end the game nor pick a sheet that does not
      // exist: the malformed code is drawn as it is written.
      {"no number", "^C|X", "^C|X", "FFFF"},
      {"no number, one-shot", "^C^X", "^C^X", "FFFF"},
      {"colour 16", "^C16^X", "^C16^X", "FFFFFF"},
      {"colour 99", "^C99|X", "^C99|X", "FFFFFF"},
      {"colour -1", "^C-1^X", "^C-1^X", "FFFFFF"},
      {"number that overflows", "^C99999999999999999999^X", "^C99999999999999999999^X",
       std::string(24, 'F')},
      {"unterminated code", "A^C12", "A^C12", "FFFFF"},
      {"malformed code keeps the sticky colour", "^C12|A^C99^B", "A^C99^B", "CCCCCCC"},
      {"a valid code after a malformed one still works", "^Cx^C10^YZ", "^CxYZ", "FFFAF"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fill(target, Black);
    font->DrawString(target, c.text, 0, 0, White);
    const int cells = static_cast<int>(c.glyphs.size()) + 2;  // and nothing after them
    std::string glyphs = CellText(target, 0, 0, cells);
    for (char& ch : glyphs) {
      if (ch == ' ') ch = '.';
    }
    EXPECT_EQ(glyphs, c.glyphs + "..");
    EXPECT_EQ(RowColors(target, 0, cells), c.colors + "..");
    EXPECT_EQ(RowColors(target, 8, 40), std::string(40, '.')) << "drew on the next row";
  }
}

TEST_F(FontTest, LineFeedsAndTabsMoveThePen) {
  struct Case {
    const char* name;
    std::string text;
    std::string picture;  // drawn from (8, 0) on a 7x4-cell surface
  };
  const Case cases[] = {
      {"empty text", "", ".......\n.......\n.......\n.......\n"},
      {"line feed returns to the start 16 pixels down", "A\nB",
       ".A.....\n.......\n.B.....\n.......\n"},
      {"trailing line feed draws nothing", "AB\n", ".AB....\n.......\n.......\n.......\n"},
      {"tab advances five cells", "\tX", "......X\n.......\n.......\n.......\n"},
      {"tab after a line feed", "A\n\tX", ".A.....\n.......\n......X\n.......\n"},
      {"tab is a step, not a stop", "A\tX", ".A.....\n.......\n.......\n.......\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SDL_Surface* small = SDL_CreateSurface(56, 32, SDL_PIXELFORMAT_XRGB8888);
    ASSERT_NE(small, nullptr);
    Fill(small, Black);
    font->DrawString(small, c.text, 8, 0, White);
    EXPECT_EQ(Picture(small), c.picture);
    SDL_DestroySurface(small);
  }
  // "A\tX" puts X 48 pixels from the start, off this small surface: on the wide one it is
  // at cell 6.
  font->DrawString(target, "A\tX", 0, 0, White);
  EXPECT_EQ(CellText(target, 0, 0, 7), "A     X");
}

TEST_F(FontTest, DrawCharPlacesTheGlyphAtAnyPixel) {
  // Off the cell grid, the glyph must be shifted as a whole, not snapped to a cell.
  font->DrawChar(target, 'H', 3, 5, LightGreen);
  SDL_Surface* aligned = SDL_CreateSurface(8, 8, SDL_PIXELFORMAT_XRGB8888);
  ASSERT_NE(aligned, nullptr);
  Fill(aligned, Black);
  font->DrawChar(aligned, 'H', 0, 0, LightGreen);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      EXPECT_EQ(RKFont::GetPixel(target, x + 3, y + 5), RKFont::GetPixel(aligned, x, y))
          << "at " << x << "," << y;
    }
  }
  SDL_DestroySurface(aligned);
  // A glyph partly outside the target is clipped, not an error.
  font->DrawChar(target, 'H', -4, -4, White);
  font->DrawChar(target, 'H', 316, 28, White);
}

TEST_F(FontTest, DrawNumberPadsWithZerosAndKeepsTheLastDigits) {
  struct Case {
    std::string digits;
    int width;
    std::string shown;  // cells 0-7 when drawn from x = 8
  };
  // clang-format off
  const Case cases[] = {
      {"42", 5, " 00042  "},
      {"123456", 3, " 456    "},
      {"7", 0, "        "},
      {"7", -2, "        "},
      {"99", 2, " 99     "},
      {"", 3, " 000    "},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.digits + " in " + std::to_string(c.width));
    Fill(target, Black);
    font->DrawNumber(target, c.digits, 8, 0, c.width, Yellow);
    EXPECT_EQ(CellText(target, 0, 0, 8), c.shown);
  }
  // Colour codes mean nothing to DrawNumber.
  Fill(target, Black);
  font->DrawNumber(target, "^C1^5", 0, 0, 5, Yellow);
  EXPECT_EQ(CellText(target, 0, 0, 5), "^C1^5");
  EXPECT_EQ(RowColors(target, 0, 5), "EEEEE");
}

TEST_F(FontTest, TextLeavesTheBackgroundBetweenItsStrokes) {
  Fill(target, Blue);
  const std::uint32_t blue = RKFont::GetPixel(target, 0, 0);
  // The title banner draws rows of blanks over earlier letters: a blank must change nothing.
  font->DrawString(target, "   ", 0, 0, White);
  font->DrawChar(target, ' ', 0, 8, Red);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 24; ++x) {
      ASSERT_EQ(RKFont::GetPixel(target, x, y), blue) << "at " << x << "," << y;
    }
  }
  // Around the strokes of a letter the picture beneath stays visible.
  font->DrawChar(target, 'O', 0, 0, White);
  int ink = 0, background = 0;
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      const std::uint32_t pixel = RKFont::GetPixel(target, x, y);
      ink += pixel == SDL_MapSurfaceRGB(target, 0xFF, 0xFF, 0xFF);
      background += pixel == blue;
    }
  }
  EXPECT_GT(ink, 0);
  EXPECT_GT(background, 0);
  EXPECT_EQ(ink + background, 64) << "a pixel that is neither ink nor background";
}

// Every glyph drawn by DrawChar looks as SDL's own blend of its sheet draws it, on a patterned
// background, at every overhang of the target's edges and its clip rectangle: in the sheets'
// own formats, where the game's solid glyphs are copied, and in one without alpha, where they
// are blended.
TEST(FontDrawing, EveryGlyphLooksAsTheBlendedSheetDrawsIt) {
  const SDL_PixelFormat formats[] = {SDL_PIXELFORMAT_ABGR8888, SDL_PIXELFORMAT_ARGB8888,
                                     SDL_PIXELFORMAT_XRGB8888};
  for (SDL_PixelFormat format : formats) {
    SCOPED_TRACE(SDL_GetPixelFormatName(format));
    RKFont font;
    ASSERT_TRUE(font.Init(SHEET, format)) << SDL_GetError();
    EXPECT_TRUE(font.solidGlyphs['A'] && font.solidGlyphs[219] && font.solidGlyphs[' ']);
    SDL_Surface* drawn = SDL_CreateSurface(40, 24, format);
    ASSERT_NE(drawn, nullptr);
    for (int y = 0; y < drawn->h; ++y) {
      for (int x = 0; x < drawn->w; ++x) {
        SDL_WriteSurfacePixel(drawn, x, y, static_cast<Uint8>(x * 7), static_cast<Uint8>(y * 11),
                              static_cast<Uint8>(x * y), static_cast<Uint8>(x + y));
      }
    }
    SDL_Surface* blended = SDL_DuplicateSurface(drawn);
    ASSERT_NE(blended, nullptr);
    const SDL_Rect clip{2, 3, 33, 17};
    const int places[] = {-7, -3, 0, 1, 5, 16, 30, 35, 39};
    for (int code = 0; code < 256; ++code) {
      const auto color = static_cast<RKColors>(code % 16);
      for (int py : places) {
        for (int px : places) {
          for (const SDL_Rect* clipped : {static_cast<const SDL_Rect*>(nullptr), &clip}) {
            SDL_SetSurfaceClipRect(drawn, clipped);
            SDL_SetSurfaceClipRect(blended, clipped);
            font.DrawChar(drawn, static_cast<unsigned char>(code), px, py, color);
            SDL_Rect at{px, py, 8, 8};
            SDL_BlitSurface(font.glyphSurfaces[color], &font.glyphRects[code], blended, &at);
          }
        }
      }
    }
    for (int y = 0; y < drawn->h; ++y) {
      ASSERT_EQ(std::memcmp(static_cast<Uint8*>(drawn->pixels) +
                                static_cast<std::ptrdiff_t>(y) * drawn->pitch,
                            static_cast<Uint8*>(blended->pixels) +
                                static_cast<std::ptrdiff_t>(y) * blended->pitch,
                            4 * static_cast<std::size_t>(drawn->w)),
                0)
          << "row " << y;
    }
    SDL_DestroySurface(blended);
    SDL_DestroySurface(drawn);
  }
}

TEST(FontInit, MissingPictureFails) {
  RKFont font;
  EXPECT_FALSE(font.Init("no/such/font.png", SDL_PIXELFORMAT_XRGB8888));
}

TEST(FontInit, SheetsKeepAFormatWithAlphaAndOtherwiseUseRgba32) {
  struct Case {
    SDL_PixelFormat requested, used;
  };
  const Case cases[] = {
      {SDL_PIXELFORMAT_ARGB8888, SDL_PIXELFORMAT_ARGB8888},
      {SDL_PIXELFORMAT_XRGB8888, SDL_PIXELFORMAT_RGBA32},
      {SDL_PIXELFORMAT_UNKNOWN, SDL_PIXELFORMAT_RGBA32},
      {SDL_PIXELFORMAT_YUY2, SDL_PIXELFORMAT_RGBA32},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(SDL_GetPixelFormatName(c.requested));
    RKFont font;
    ASSERT_TRUE(font.Init(SHEET, c.requested)) << SDL_GetError();
    for (SDL_Surface* sheet : font.glyphSurfaces) {
      ASSERT_NE(sheet, nullptr);
      EXPECT_EQ(sheet->format, c.used);
    }
  }
}

// Each sheet is the glyphs' alpha in its own ink, whatever the format: compared pixel by pixel
// with a copy inked through SDL's own pixel reader and writer. The sheet's alpha runs through
// every value, partial coverage included. The packed formats are inked word by word, with
// alpha of 8, 4, 1 and 2 bits; the 64-bit format goes through SDL.
TEST(FontInit, EverySheetHoldsItsInkWithTheGlyphsAlpha) {
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("tvk-graded-" + std::to_string(SDL_GetTicksNS()) + ".png"))
                               .string();
  SDL_Surface* loaded = SDL_CreateSurface(128, 128, SDL_PIXELFORMAT_RGBA32);
  ASSERT_NE(loaded, nullptr);
  for (int y = 0; y < 128; ++y) {
    for (int x = 0; x < 128; ++x) {
      SDL_WriteSurfacePixel(loaded, x, y, 200, 100, 50, static_cast<Uint8>((x + 128 * y) % 256));
    }
  }
  ASSERT_TRUE(SDL_SavePNG(loaded, path.c_str())) << SDL_GetError();
  const SDL_PixelFormat formats[] = {SDL_PIXELFORMAT_ARGB8888,    SDL_PIXELFORMAT_ABGR8888,
                                     SDL_PIXELFORMAT_RGBA4444,    SDL_PIXELFORMAT_ARGB1555,
                                     SDL_PIXELFORMAT_ARGB2101010, SDL_PIXELFORMAT_RGBA64};
  for (SDL_PixelFormat format : formats) {
    SCOPED_TRACE(SDL_GetPixelFormatName(format));
    RKFont font;
    ASSERT_TRUE(font.Init(path, format)) << SDL_GetError();
    SDL_Surface* glyphs = SDL_ConvertSurface(loaded, format);
    ASSERT_NE(glyphs, nullptr) << SDL_GetError();
    // Partial coverage is blended, never copied.
    EXPECT_EQ(std::count(std::begin(font.solidGlyphs), std::end(font.solidGlyphs), true), 0);
    for (int color = 0; color < 16; ++color) {
      SCOPED_TRACE("colour " + std::to_string(color));
      SDL_Surface* sheet = font.glyphSurfaces[color];
      ASSERT_EQ(sheet->format, format);
      const RKColor& ink = EGAColors[color];
      SDL_Surface* expected = SDL_DuplicateSurface(glyphs);
      ASSERT_NE(expected, nullptr);
      int wrong = 0;
      for (int y = 0; y < glyphs->h; ++y) {
        for (int x = 0; x < glyphs->w; ++x) {
          Uint8 a = 0;
          SDL_ReadSurfacePixel(glyphs, x, y, nullptr, nullptr, nullptr, &a);
          if (a != 0) {
            SDL_WriteSurfacePixel(expected, x, y, ink.r, ink.g, ink.b, a);
          } else {
            SDL_WriteSurfacePixel(expected, x, y, 0, 0, 0, 0);
          }
          Uint8 want[4], got[4];
          SDL_ReadSurfacePixel(expected, x, y, &want[0], &want[1], &want[2], &want[3]);
          SDL_ReadSurfacePixel(sheet, x, y, &got[0], &got[1], &got[2], &got[3]);
          if (std::memcmp(want, got, 4) != 0 && ++wrong == 1) {
            ADD_FAILURE() << "first wrong pixel at " << x << "," << y;
          }
        }
      }
      EXPECT_EQ(wrong, 0);
      SDL_DestroySurface(expected);
    }
    SDL_DestroySurface(glyphs);
  }
  SDL_DestroySurface(loaded);
  std::filesystem::remove(path);
}

// Writes a 128x128 PNG of colour type 2 (RGB, no alpha channel at all) with a pattern that
// has black pixels too, so that colour cannot decide what is ink. The image data is one
// stored deflate block: no compressor needed.
bool WriteOpaquePng(const std::string& path) {
  auto crc32 = [](const std::vector<std::uint8_t>& bytes, std::size_t from) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = from; i < bytes.size(); ++i) {
      crc ^= bytes[i];
      for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
  };
  auto put32 = [](std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) {
      out.push_back(static_cast<std::uint8_t>(v >> shift));
    }
  };
  std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  auto chunk = [&](const char* kind, const std::vector<std::uint8_t>& body) {
    put32(png, static_cast<std::uint32_t>(body.size()));
    const std::size_t start = png.size();
    png.insert(png.end(), kind, kind + 4);
    png.insert(png.end(), body.begin(), body.end());
    put32(png, crc32(png, start));
  };

  std::vector<std::uint8_t> header;
  put32(header, 128);
  put32(header, 128);
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB

  std::vector<std::uint8_t> raw;
  for (int y = 0; y < 128; ++y) {
    raw.push_back(0);  // no filter
    for (int x = 0; x < 128; ++x) {
      const std::uint8_t v = (x + y) % 3 == 0 ? 0 : 200;
      raw.insert(raw.end(), {v, static_cast<std::uint8_t>(v / 2), 0});
    }
  }
  std::uint32_t a = 1, b = 0;
  for (std::uint8_t byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  const auto length = static_cast<std::uint16_t>(raw.size());
  std::vector<std::uint8_t> data = {0x78,
                                    0x01,
                                    1,  // zlib header; final stored block
                                    static_cast<std::uint8_t>(length),
                                    static_cast<std::uint8_t>(length >> 8),
                                    static_cast<std::uint8_t>(~length),
                                    static_cast<std::uint8_t>(~length >> 8)};
  data.insert(data.end(), raw.begin(), raw.end());
  put32(data, (b << 16) | a);

  chunk("IHDR", header);
  chunk("IDAT", data);
  chunk("IEND", {});
  SDL_IOStream* file = SDL_IOFromFile(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = SDL_WriteIO(file, png.data(), png.size()) == png.size();
  return SDL_CloseIO(file) && written;
}

// A picture without an alpha channel has no background: every cell of the sheet becomes a
// solid block of ink.
class OpaqueSheet : public ::testing::Test {
 protected:
  void SetUp() override {
    path = (std::filesystem::temp_directory_path() /
            ("tvk-opaque-" + std::to_string(SDL_GetTicksNS()) + ".png"))
               .string();
    ASSERT_TRUE(WriteOpaquePng(path)) << SDL_GetError();
    ASSERT_TRUE(font.Init(path, SDL_PIXELFORMAT_XRGB8888)) << SDL_GetError();
    target = SDL_CreateSurface(64, 8, SDL_PIXELFORMAT_XRGB8888);
    ASSERT_NE(target, nullptr);
    Fill(target, Black);
  }
  void TearDown() override {
    SDL_DestroySurface(target);
    std::filesystem::remove(path);
  }
  // True when every pixel of the cell at (px, py) has the palette colour.
  bool SolidCell(int px, int py, RKColors color) {
    const RKColor& c = EGAColors[color];
    const std::uint32_t want = SDL_MapSurfaceRGB(target, c.r, c.g, c.b);
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) {
        if (RKFont::GetPixel(target, px + x, py + y) != want) return false;
      }
    }
    return true;
  }

  std::string path;
  RKFont font;
  SDL_Surface* target = nullptr;
};

TEST_F(OpaqueSheet, EveryGlyphIsASolidBlock) {
  font.DrawString(target, "A .", 0, 0, Green);
  EXPECT_TRUE(SolidCell(0, 0, Green));
  EXPECT_TRUE(SolidCell(8, 0, Green));
  EXPECT_TRUE(SolidCell(16, 0, Green));
}

TEST_F(OpaqueSheet, StickyCodeAtTheEndDrawsGlyphZeroInItsColour) {
  // The character a code carries at the very end of the text is the glyph of code 0, which
  // only an opaque sheet makes visible.
  font.DrawString(target, "A^C12|", 0, 0, White);
  EXPECT_TRUE(SolidCell(0, 0, White));
  EXPECT_TRUE(SolidCell(8, 0, LightRed));
  EXPECT_EQ(CellColor(target, 16, 0), -1);
}

// The sheet itself: every glyph the game draws has ink, the blank has none, and the frame
// pieces cross exactly the cell edges that the frames join at, each as a double line.
TEST(FontSheet, GlyphsTheGameDrawsAreThere) {
  SDL_Surface* loaded = SDL_LoadPNG(SHEET);
  ASSERT_NE(loaded, nullptr) << SDL_GetError();
  SDL_Surface* sheet = SDL_ConvertSurface(loaded, SDL_PIXELFORMAT_RGBA32);
  SDL_DestroySurface(loaded);
  ASSERT_NE(sheet, nullptr);
  ASSERT_EQ(sheet->w, 128);
  ASSERT_EQ(sheet->h, 128);
  auto ink = [&](int code, int x, int y) {
    Uint8 a = 0;
    SDL_ReadSurfacePixel(sheet, (code % 16) * 8 + x, (code / 16) * 8 + y, nullptr, nullptr, nullptr,
                         &a);
    return a != 0;
  };
  auto inkCount = [&](int code) {
    int count = 0;
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) count += ink(code, x, y);
    return count;
  };

  EXPECT_EQ(inkCount(' '), 0) << "the blank must be fully transparent";
  for (int code = 33; code <= 126; ++code) {
    EXPECT_GT(inkCount(code), 0) << "code " << code;
  }
  EXPECT_EQ(inkCount(219), 64) << "the full block";

  struct Piece {
    int code;
    bool up, down, left, right;  // edges of the cell that the lines reach
  };
  const Piece pieces[] = {
      // code   up     down   left   right
      {185, true, true, true, false},   // double tee pointing left
      {186, true, true, false, false},  // double vertical
      {187, false, true, true, false},  // top-right corner
      {188, true, false, true, false},  // bottom-right corner
      {200, true, false, false, true},  // bottom-left corner
      {201, false, true, false, true},  // top-left corner
      {202, true, false, true, true},   // double tee pointing up
      {203, false, true, true, true},   // double tee pointing down
      {204, true, true, false, true},   // double tee pointing right
      {205, false, false, true, true},  // double horizontal
  };
  // Separate runs of ink along one edge of a cell: the strokes that cross it.
  auto strokes = [&](int code, auto at) {
    int runs = 0;
    for (int i = 0; i < 8; ++i) {
      auto [x, y] = at(i);
      if (ink(code, x, y) && (i == 0 || !ink(code, at(i - 1).first, at(i - 1).second))) ++runs;
    }
    return runs;
  };
  // A double line crosses every edge it reaches as two parallel strokes; a single-line piece
  // (what a console font's table puts there) would cross it once.
  for (const Piece& p : pieces) {
    SCOPED_TRACE("code " + std::to_string(p.code));
    EXPECT_EQ(strokes(p.code, [](int i) { return std::pair{i, 0}; }), p.up ? 2 : 0) << "top";
    EXPECT_EQ(strokes(p.code, [](int i) { return std::pair{i, 7}; }), p.down ? 2 : 0) << "bottom";
    EXPECT_EQ(strokes(p.code, [](int i) { return std::pair{0, i}; }), p.left ? 2 : 0) << "left";
    EXPECT_EQ(strokes(p.code, [](int i) { return std::pair{7, i}; }), p.right ? 2 : 0) << "right";
  }
  SDL_DestroySurface(sheet);
}

TEST(FontPixels, SetAndGetPixelRoundTripInTheSurfaceFormat) {
  const SDL_PixelFormat formats[] = {SDL_PIXELFORMAT_XRGB8888, SDL_PIXELFORMAT_RGBA32,
                                     SDL_PIXELFORMAT_RGB565};
  for (SDL_PixelFormat format : formats) {
    SCOPED_TRACE(SDL_GetPixelFormatName(format));
    SDL_Surface* surface = SDL_CreateSurface(4, 4, format);
    ASSERT_NE(surface, nullptr);
    const std::uint32_t cyan = SDL_MapSurfaceRGBA(surface, 0x55, 0xFF, 0xFF, 0xFF);
    RKFont::SetPixel(surface, 2, 1, cyan);
    EXPECT_EQ(RKFont::GetPixel(surface, 2, 1), cyan);
    Uint8 r = 0, g = 0, b = 0;
    SDL_ReadSurfacePixel(surface, 2, 1, &r, &g, &b, nullptr);
    EXPECT_EQ(SDL_MapSurfaceRGB(surface, r, g, b), SDL_MapSurfaceRGB(surface, 0x55, 0xFF, 0xFF));
    // Outside the surface: nothing is written and 0 is read.
    RKFont::SetPixel(surface, 4, 0, cyan);
    RKFont::SetPixel(surface, -1, 0, cyan);
    EXPECT_EQ(RKFont::GetPixel(surface, 0, 4), 0u);
    SDL_DestroySurface(surface);
  }
}

}  // namespace
