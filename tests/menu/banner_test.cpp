// The title banner behind the main menu and the help box.

#include <SDL3/SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/globals.h"
#include "core/globals.h"
#include "localization/localization.h"
#include "menu_support.h"
#include "persistence/globals.h"
#include "support/harness.h"
#include "ui/banner.h"
#include "ui/font.h"
#include "ui/globals.h"

namespace {

constexpr int BANNER_LEFT = 60;  // (640 - 520) / 2
constexpr int BANNER_TOP = 8;
constexpr int ROWS = 16;
constexpr int COLUMNS = 69;  // up to the end of the last dot

struct Band {
  const char* name;
  int first, last;  // cell columns of the letter
  RKColors colour;
};
const Band BANDS[] = {
    {"T", 0, 14, Red},
    {"V", 20, 44, Green},
    {"K", 50, 64, Blue},
};

int InkAt(int column, int row) {
  return CellColor(screen, BANNER_LEFT + 8 * column, BANNER_TOP + 8 * row);
}

class Banner : public HeadlessGame {};

TEST_F(Banner, LettersFillTheirBandsInTheirColours) {
  font->DrawChar(screen, '@', 600, 380, White);
  Header();
  EXPECT_EQ(CellColor(screen, 600, 380), -1) << "the screen is cleared first";

  for (const Band& band : BANDS) {
    SCOPED_TRACE(band.name);
    bool leftEdge = false, rightEdge = false, topRow = false, bottomRow = false;
    for (int row = 0; row < ROWS; ++row) {
      for (int column = band.first; column <= band.last; ++column) {
        int colour = InkAt(column, row);
        if (colour == -1) {
          continue;
        }
        EXPECT_EQ(colour, band.colour) << "column " << column << " row " << row;
        EXPECT_EQ(CellGlyph(screen, BANNER_LEFT + 8 * column, BANNER_TOP + 8 * row), '#');
        leftEdge |= column == band.first;
        rightEdge |= column == band.last;
        topRow |= row == 0;
        bottomRow |= row == ROWS - 1;
      }
    }
    EXPECT_TRUE(leftEdge && rightEdge) << "the letter spans its band";
    EXPECT_TRUE(topRow && bottomRow) << "the letter is 16 rows high";
  }
}

TEST_F(Banner, EachLetterEndsInADiamondDot) {
  Header();
  for (const Band& band : BANDS) {
    SCOPED_TRACE(band.name);
    const int dot = band.last + 2;
    // The gap column between letter and dot stays empty, the dot sits in the bottom rows.
    for (int row = 0; row < ROWS; ++row) {
      EXPECT_EQ(InkAt(band.last + 1, row), -1) << "row " << row;
      std::string cells;
      for (int column = dot; column < dot + 3; ++column) {
        int colour = InkAt(column, row);
        EXPECT_TRUE(colour == -1 || colour == band.colour);
        cells += colour == -1 ? ' ' : '#';
      }
      const char* expected = row == 13 || row == 15 ? " # " : row == 14 ? "# #" : "   ";
      EXPECT_EQ(cells, expected) << "row " << row;
    }
  }
}

TEST_F(Banner, StartsAtSixtyAndEndsAt612) {
  Header();
  bool inkInFirstColumn = false, inkInLastColumn = false;
  for (int row = -1; row <= ROWS; ++row) {
    int y = BANNER_TOP + 8 * row;
    EXPECT_EQ(CellColor(screen, BANNER_LEFT - 8, y), -1) << "left of the banner, row " << row;
    EXPECT_EQ(CellColor(screen, BANNER_LEFT + 8 * COLUMNS, y), -1) << "right of x 612, row " << row;
    if (row >= 0 && row < ROWS) {
      inkInFirstColumn |= InkAt(0, row) != -1;
      inkInLastColumn |= InkAt(COLUMNS - 1, row) != -1;
    }
  }
  EXPECT_TRUE(inkInFirstColumn);
  EXPECT_TRUE(inkInLastColumn);
  for (int column = 0; column < COLUMNS; ++column) {
    EXPECT_EQ(InkAt(column, -1), -1) << "nothing above the banner";
    EXPECT_EQ(InkAt(column, ROWS), -1) << "nothing between banner and notice";
  }
}

TEST_F(Banner, NoticeIsOneCentredYellowLine) {
  Header();
  int left = -1, right = -1;
  for (int x = 0; x < 640; x += 8) {
    int colour = CellColor(screen, x, 144);
    if (colour != -1) {
      EXPECT_EQ(colour, Yellow) << "x " << x;
      left = left == -1 ? x : left;
      right = x;
    }
  }
  ASSERT_NE(left, -1) << "no notice at y 144";
  EXPECT_EQ(left + right + 8, 640) << "centred";
  for (int x = 0; x < 640; x += 8) {
    EXPECT_EQ(CellColor(screen, x, 152), -1) << "one line only";
  }
}

class Help : public HeadlessGame {};

TEST_F(Help, ListsItsKeysWithoutALanguageAndClosesOnlyOnAKeyOtherThanF2) {
  gLocalization->translations.clear();
  InputScript script;
  script.Key(SDL_SCANCODE_F2).Key(SDL_SCANCODE_ESCAPE);
  WithInput(script, [] {
    HelpScreen();
    return 0;
  });
  EXPECT_TRUE(script.Finished()) << "F2 closed the box";
  EXPECT_EQ(selectedKey, SDL_SCANCODE_ESCAPE);

  ASSERT_EQ(option.size(), 39u);
  // Title row, a blank row, 39 lines, a blank row and the bottom.
  ASSERT_EQ(inventoryPanel->h, 344);
  const int width = inventoryPanel->w;
  ASSERT_EQ(width, 8 * 33 + 32) << "as wide as its longest line, the Character info binding";
  struct Line {
    int index;
    std::string text;
  };
  const Line lines[] = {
      {0, "help.mapHeader"},
      {1, ""},
      {2, "help.wall"},
      {7, "help.charactersHeader"},
      {19, "help.unconscious"},
      {23, "help.mouse"},
      {25, "help.keysHeader"},
      {27, "options.keybinding.moveUpUp"},
      {31, "options.keybinding.takeG"},
      {35, "options.keybinding.inventoryI"},
      {37, ""},
      {38, "menu.help.returnMainMenu"},
  };
  for (const Line& line : lines) {
    SCOPED_TRACE(line.index);
    const int y = 16 + 8 * line.index;
    const int cells = static_cast<int>(line.text.size());
    const int x = (width - 8 * cells) / 2;
    EXPECT_EQ(CellText(inventoryPanel, x, y, cells), line.text);
    EXPECT_EQ(CellText(inventoryPanel, 8, y, x / 8 - 1), std::string(x / 8 - 1, ' '));
  }
}

// The bindings under the other lines are the player's own, in the player's language.
TEST_F(Help, ShowsTheCurrentKeyBindings) {
  keyboard[ActionTake] = SDL_SCANCODE_T;
  InputScript script;
  script.Key(SDL_SCANCODE_RETURN);
  WithInput(script, [] {
    HelpScreen();
    return 0;
  });
  const std::vector<std::string> lines(option.begin(), option.end());
  ASSERT_EQ(lines.size(), 39u);
  EXPECT_EQ(lines[25], gLocalization->T("help.keysHeader"));
  EXPECT_EQ(lines[27], gLocalization->T("options.keybinding.moveUp") + "Up");
  EXPECT_EQ(lines[31], gLocalization->T("options.keybinding.take") + "T");
}

// A help line the language check accepts at 99 cells is wrapped onto two full-width lines of
// the box, every word kept.
TEST_F(Help, WrapsALongLineOntoTwoLinesAsTheCheckExpects) {
  std::string help99 = "word";
  for (int i = 1; i < 20; ++i) help99 += " word";
  gLocalization->translations["help.mouse"] = help99;
  InputScript script;
  script.Key(SDL_SCANCODE_RETURN);
  WithInput(script, [] {
    HelpScreen();
    return 0;
  });
  const std::vector<std::string> shown(inventoryMessages.begin(), inventoryMessages.end());
  ASSERT_EQ(shown.size(), 40u) << "one more line than the 39 lines of the box";
  EXPECT_EQ(shown[23] + " " + shown[24], help99);
  EXPECT_LE(shown[23].size(), 76u);
  EXPECT_LE(inventoryPanel->w, 640) << "the box stays on the screen";
}

}  // namespace
