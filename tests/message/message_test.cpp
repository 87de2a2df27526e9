// The message log: wrapping and its fit rule, the order lines land in, capitals, and the six
// fading lines the panel shows.

#include <SDL3/SDL.h>
#include <gtest/gtest.h>

#include <list>
#include <string>
#include <vector>

#include "game/types.h"
#include "support/harness.h"
#include "ui/font.h"
#include "ui/message.h"

namespace {

using Lines = std::list<std::string>;

TEST(WordWarp, BreaksAtBlanksWhereTheNextWordNoLongerFits) {
  const std::string a56(56, 'a'), a57(57, 'a'), x70(70, 'x');
  struct Row {
    const char* name;
    std::string text;
    unsigned width;
    Lines expected;
  };
  const Row rows[] = {
      {"56 + blank + 1 fills the 58 columns of 464 pixels", a56 + " b", 464, {a56 + " b"}},
      {"57 + blank + 1 does not fit", a57 + " b", 464, {a57, "b"}},
      {"a word longer than a line stays whole", x70, 464, {x70}},
      {"a long word after a short one goes to its own line", "hi " + x70 + " yo", 464,
       {"hi", x70, "yo"}},
      {"blank-only text adds nothing", " \t \n  \r ", 464, {}},
      {"empty text adds nothing", "", 464, {}},
      {"runs of blanks become one", "  a \t\t b\n\nc  ", 464, {"a b c"}},
      {"backslash n becomes a line feed", "one\\ntwo three", 464, {"one\ntwo three"}},
      {"colour codes count as bytes", "^C14^x " + std::string(52, 'y'), 464,
       {"^C14^x", std::string(52, 'y')}},
      {"70 columns at 560 pixels", std::string(68, 'd') + " e f", 560,
       {std::string(68, 'd') + " e", "f"}},
  };
  const RKMessage log;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Lines lines;
    log.WordWarp(row.text, lines, row.width, true);
    EXPECT_EQ(lines, row.expected);
  }
}

TEST(WordWarp, OrderFlagAppendsInReadingOrderOrPushesEachLineToTheFront) {
  const RKMessage log;
  const std::string text = "alpha beta gamma";  // three lines at 48 pixels
  Lines appended = {"old"};
  log.WordWarp(text, appended, 48, true);
  EXPECT_EQ(appended, (Lines{"old", "alpha", "beta", "gamma"}));
  Lines pushed = {"old"};
  log.WordWarp(text, pushed, 48, false);
  EXPECT_EQ(pushed, (Lines{"gamma", "beta", "alpha", "old"}));
}

TEST(ReplaceAll, ReplacesEveryOccurrenceWithoutRescanningTheReplacement) {
  struct Row {
    const char* name;
    std::string text, search, replacement, expected;
  };
  const Row rows[] = {
      {"replacement containing the search text", "aaa", "a", "aa", "aaaaaa"},
      {"empty search leaves the text alone", "abc", "", "x", "abc"},
      {"no occurrence", "abc", "z", "x", "abc"},
      {"removal does not join into a new match", "aabb", "ab", "", "ab"},
      {"line-break escape", "a\\nb\\n", "\\n", "\n", "a\nb\n"},
  };
  const RKMessage log;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::string text = row.text;
    log.ReplaceAll(text, row.search, row.replacement);
    EXPECT_EQ(text, row.expected);
  }
}

TEST(SetMessage, CapitalisesOnlyTheLettersAToZ) {
  RKMessage log;
  std::string high;
  for (int c = 0x80; c <= 0xFF; ++c) {
    if (c != 0x85 && c != 0xA0) high += static_cast<char>(c);
  }
  log.SetMessage("hit 3, ^c12^q {0} \\n " + high.substr(0, 20), false);
  log.SetMessage(high.substr(20, 50), false);
  log.SetMessage(high.substr(70), false);
  EXPECT_EQ(log.messages, (Lines{high.substr(70), high.substr(20, 50),
                                 "HIT 3, ^C12^Q {0} \\N " + high.substr(0, 20)}));
}

TEST(SetMessage, NewestLineComesFirstAndAWrappedMessageReadsBottomUp) {
  RKMessage log;
  log.SetMessage("first", false);
  const std::string longWord(52, 'W');
  log.SetMessage("second " + std::string(52, 'w') + " end", false);
  EXPECT_EQ(log.messages, (Lines{longWord + " END", "SECOND", "FIRST"}));
}

TEST(SetMessage, WrapsAtTheFiftySevenCellsOfThePanelsRightBox) {
  RKMessage log;
  const std::string a55(55, 'A'), a56(56, 'A');
  log.SetMessage(a55 + " b", false);
  EXPECT_EQ(log.messages, (Lines{a55 + " B"})) << "57 characters fit";
  log.messages.clear();
  log.SetMessage(a56 + " b", false);
  EXPECT_EQ(log.messages, (Lines{"B", a56})) << "a 58th character would cover the border";
}

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
  const Row rows[] = {{24, 'G', White},    {32, 'F', White},    {40, 'E', LightGray},
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

TEST(MessageInit, NeedsASurface) {
  RKMessage log;
  EXPECT_FALSE(log.Init(nullptr));
}

}  // namespace
