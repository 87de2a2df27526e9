// The message log as the heads-up panel draws it: the six newest lines and their colours.

#include <SDL3/SDL.h>
#include <gtest/gtest.h>

#include <string>

#include "app/globals.h"
#include "core/message.h"
#include "core/types.h"
#include "support/harness.h"
#include "ui/font.h"
#include "ui/globals.h"

namespace {

// A panel-sized surface and the real glyph sheet, to read back what the log draws.
class LogPanel : public ::testing::Test {
 protected:
  void SetUp() override {
    panel = SDL_CreateSurface(640, 80, SDL_PIXELFORMAT_XRGB8888);
    ASSERT_NE(panel, nullptr) << SDL_GetError();
    SDL_FillSurfaceRect(panel, nullptr, SDL_MapSurfaceRGB(panel, 0, 0, 0));
    ASSERT_TRUE(font.Init(std::string(TVK_DATA_DIR) + "/gfx/font.png", panel->format));
    ASSERT_TRUE(log.Init(panel));
  }
  void TearDown() override { SDL_DestroySurface(panel); }

  SDL_Surface* panel = nullptr;
  RKFont font;
  RKMessage log;
};

TEST_F(LogPanel, ShowsTheSixNewestLinesFadingFromWhiteToDarkGrey) {
  for (const char* text : {"a", "b", "c", "d", "e", "f", "g"}) {
    log.SetMessage(text, false);
  }
  log.GetMessages(176, 24, &font, Black, true);
  struct Row {
    int y;
    int glyph;
    int colour;
  };
  const Row rows[] = {{24, 'G', White},     {32, 'F', White},    {40, 'E', LightGray},
                      {48, 'D', LightGray}, {56, 'C', DarkGray}, {64, 'B', DarkGray}};
  for (const Row& row : rows) {
    SCOPED_TRACE("row at y " + std::to_string(row.y));
    EXPECT_EQ(CellGlyph(panel, 176, row.y), row.glyph);
    EXPECT_EQ(CellColor(panel, 176, row.y), row.colour);
  }
  EXPECT_EQ(CellColor(panel, 176, 72), -1) << "a seventh line was drawn";
}

TEST_F(LogPanel, WithoutFadeEveryLineTakesTheGivenColour) {
  log.SetMessage("one", false);
  log.SetMessage("two", false);
  log.SetMessage("three", false);
  log.GetMessages(8, 0, &font, Yellow, false);
  EXPECT_EQ(CellText(panel, 8, 0, 5), "THREE");
  for (int y : {0, 8, 16}) {
    EXPECT_EQ(CellColor(panel, 8, y), Yellow);
  }
}

TEST_F(LogPanel, EmptyLogDrawsNothing) {
  log.GetMessages(176, 24, &font, White, true);
  for (int y = 0; y < 80; y += 8) {
    for (int x = 0; x < 640; x += 8) {
      ASSERT_EQ(CellColor(panel, x, y), -1) << "at " << x << ", " << y;
    }
  }
}

}  // namespace
