// The general menu and message box: the drawn box, where it is shown, and what each key does.

#include <SDL3/SDL.h>
#include <gtest/gtest.h>

#include <iterator>
#include <list>
#include <string>
#include <vector>

#include "app/globals.h"
#include "core/globals.h"
#include "localization/localization.h"
#include "menu_support.h"
#include "persistence/globals.h"
#include "support/harness.h"
#include "ui/font.h"
#include "ui/globals.h"
#include "ui/menu.h"
#include "ui/screen.h"

namespace {

using Picture = std::vector<std::string>;

class MenuBox : public HeadlessGame {
 protected:
  // Whether this video driver lets the window switch relative mouse mode at all (SDL's
  // offscreen driver does not), so that the F2 toggle can be seen.
  static bool RelativeMouseWorks() {
    const bool now = SDL_GetWindowRelativeMouseMode(window);
    const bool works = SDL_SetWindowRelativeMouseMode(window, !now) &&
                       SDL_GetWindowRelativeMouseMode(window) != now;
    SDL_SetWindowRelativeMouseMode(window, now);
    return works;
  }

  // Shows the menu, presses one key and returns what the menu returned.
  bool Press(SDL_Scancode key, const std::string& header, std::list<std::string> options,
             int& selected, bool captureKey = false) {
    InputScript script;
    script.Key(key);
    return WithInput(script,
                     [&] { return MenuConfirmed(header, options, 560, selected, captureKey); });
  }
  bool Press(SDL_Scancode key, const std::string& header, std::list<std::string> options) {
    int selected = -1;
    return Press(key, header, std::move(options), selected);
  }
};

TEST_F(MenuBox, DrawsTitleBarLinesAndFrame) {
  int selected = 1;
  EXPECT_FALSE(Press(SDL_SCANCODE_ESCAPE, "Menu", {"abcdef", "xy"}, selected));

  // Six cells of content; the title in black on the white bar; a blank row under the bar.
  // clang-format off
  const Picture expected = {
      "+=#****#=+",
      "|        |",
      "| abcdef |",
      "|   xy   |",
      "|        |",
      "+========+",
  };
  // clang-format on
  ASSERT_EQ(inventoryPanel->w, 80);
  ASSERT_EQ(inventoryPanel->h, 48);
  EXPECT_EQ(PanelPicture(), expected);
  EXPECT_EQ(CellColor(inventoryPanel, 32, 24), Cyan) << "the selected line is highlighted";
  EXPECT_EQ(CellColor(inventoryPanel, 16, 16), White);
}

TEST_F(MenuBox, BoxWithoutHeaderStartsItsSidesAtRowZero) {
  EXPECT_FALSE(Press(SDL_SCANCODE_ESCAPE, "", {"abcdef", "xy"}));

  // clang-format off
  const Picture expected = {
      "|=######=|",
      "| abcdef |",
      "|   xy   |",
      "|        |",
      "+========+",
  };
  // clang-format on
  ASSERT_EQ(inventoryPanel->h, 40);
  EXPECT_EQ(PanelPicture(), expected);
}

TEST_F(MenuBox, IsCentredOverTheMapOnlyWhilePlaying) {
  struct Row {
    const char* name;
    int state;
    int top;  // (400 - 48) / 2, or (400 - 80 - 48) / 2 above the heads-up panel
  };
  const Row rows[] = {
      {"in the menus", InMenus, 176},
      {"playing", Playing, 136},
      {"player dead", PlayerDead, 176},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    gameState = row.state;
    ClearSurface(screen);
    Press(SDL_SCANCODE_ESCAPE, "Menu", {"abcdef", "xy"});
    EXPECT_EQ(CellGlyph(screen, 280, row.top), 201);
    EXPECT_EQ(CellGlyph(screen, 352, row.top + 40), 188);
    EXPECT_EQ(CellGlyph(screen, 280, row.top - 8), 32) << "nothing above the box";
  }
}

TEST_F(MenuBox, WrapsALongOptionAtTheScreenWidthLessTheFrame) {
  std::string words;
  for (int i = 0; i < 20; ++i) {
    words += i == 0 ? "word" : " word";
  }
  Press(SDL_SCANCODE_ESCAPE, "Long", {words});

  // 608 pixels hold 76 characters: 15 words on the first line, the other 5 below.
  ASSERT_EQ(inventoryMessages.size(), 2u);
  EXPECT_EQ(inventoryMessages.front().size(), 74u);
  EXPECT_EQ(inventoryPanel->w, 74 * 8 + 32);
  EXPECT_EQ(inventoryPanel->h, 16 + 2 * 8 + 16);
}

TEST_F(MenuBox, ColourCodesTakeNoRoom) {
  Press(SDL_SCANCODE_ESCAPE, "", {"^C14^Abc", "wxyz"});
  // Four cells of content; the leading code's terminator still counts when centring.
  ASSERT_EQ(inventoryPanel->w, 64);
  EXPECT_EQ(CellText(inventoryPanel, 16, 8, 3), "Abc");
  EXPECT_EQ(CellColor(inventoryPanel, 16, 8), Yellow);
  EXPECT_EQ(CellColor(inventoryPanel, 24, 8), White);
}

// What makes no colour code is drawn as written, and the box is as wide as what is drawn.
TEST_F(MenuBox, AColourCodeWithoutItsEndIsDrawnAsWritten) {
  Press(SDL_SCANCODE_ESCAPE, "", {"^C12abc"});
  const Picture expected = {
      "|=#######=|",
      "| ^C12abc |",
      "|         |",
      "+=========+",
  };
  EXPECT_EQ(PanelPicture(), expected);
  EXPECT_EQ(CellColor(inventoryPanel, 16, 8), White);
}

TEST_F(MenuBox, ArrowsMoveTheSelectionWithWrapAround) {
  struct Row {
    const char* name;
    int selected;
    SDL_Scancode key;
    int expected;
    bool confirmed;
  };
  // clang-format off
  const Row rows[] = {
      // name                        from  key                      to  returns
      {"down",                        0,   SDL_SCANCODE_DOWN,        1,  false},
      {"down from the last line",     2,   SDL_SCANCODE_DOWN,        0,  false},
      {"up",                          2,   SDL_SCANCODE_UP,          1,  false},
      {"up from the first line",      0,   SDL_SCANCODE_UP,          2,  false},
      {"return confirms",             1,   SDL_SCANCODE_RETURN,      1,  true},
      {"other keys do nothing",       1,   SDL_SCANCODE_ESCAPE,      1,  false},
      {"no selection: down",         -1,   SDL_SCANCODE_DOWN,       -1,  false},
      {"no selection: up",           -1,   SDL_SCANCODE_UP,         -1,  false},
      {"no selection: return",       -1,   SDL_SCANCODE_RETURN,     -1,  false},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    int selected = row.selected;
    EXPECT_EQ(Press(row.key, "Pick", {"one", "two", "three"}, selected), row.confirmed);
    EXPECT_EQ(selected, row.expected);
  }
}

TEST_F(MenuBox, ArrowsCountOptionsNotWrappedLines) {
  std::string words;
  for (int i = 0; i < 20; ++i) {
    words += i == 0 ? "word" : " word";
  }
  int selected = 1;
  Press(SDL_SCANCODE_DOWN, "Pick", {"one", words}, selected);
  EXPECT_EQ(selected, 0);
}

TEST_F(MenuBox, KeyCaptureStoresAnyKeyButF2) {
  selectedKey = SDL_SCANCODE_Q;
  const bool mouseBefore = SDL_GetWindowRelativeMouseMode(window);
  int none = -1;
  EXPECT_FALSE(Press(SDL_SCANCODE_F2, "Key", {"press a key"}, none, true));
  EXPECT_EQ(selectedKey, SDL_SCANCODE_Q) << "F2 changes no key";
  if (RelativeMouseWorks()) {
    EXPECT_NE(SDL_GetWindowRelativeMouseMode(window), mouseBefore) << "F2 toggles the mouse mode";
  }

  for (SDL_Scancode key : {SDL_SCANCODE_ESCAPE, SDL_SCANCODE_A, SDL_SCANCODE_RETURN}) {
    SCOPED_TRACE(SDL_GetScancodeName(key));
    EXPECT_TRUE(Press(key, "Key", {"press a key"}, none, true));
    EXPECT_EQ(selectedKey, key);
  }
}

TEST_F(MenuBox, F2TogglesTheMouseModeWithoutConfirming) {
  const bool mouseBefore = SDL_GetWindowRelativeMouseMode(window);
  int selected = 0;
  EXPECT_FALSE(Press(SDL_SCANCODE_F2, "Pick", {"one", "two"}, selected));
  EXPECT_EQ(selected, 0);
  if (RelativeMouseWorks()) {
    EXPECT_NE(SDL_GetWindowRelativeMouseMode(window), mouseBefore);
  }
}

TEST_F(MenuBox, AQuitRequestReturnsFalseAndStaysInTheLastInput) {
  InputScript script;
  script.Quit();
  int selected = 0;
  std::list<std::string> options = {"one", "two"};
  EXPECT_FALSE(
      WithInput(script, [&] { return MenuConfirmed("Pick", options, 560, selected, true); }));
  EXPECT_EQ(lastInput.action, RKAction::Close);
  EXPECT_EQ(selected, 0);
}

TEST_F(MenuBox, TheLevelUpBoxIsShownOverTheSnapshot) {
  // A mark in the snapshot's corner, far from where the box goes.
  ClearSurface(tempSurface);
  font->DrawChar(tempSurface, '@', 0, 0, LightGreen);
  for (const std::string& header :
       {std::string("Other"), gLocalization->T("menu.levelUp.header")}) {
    SCOPED_TRACE(header);
    ClearSurface(screen);
    Press(SDL_SCANCODE_ESCAPE, header, {"one", "two"});
    const bool levelUp = header != "Other";
    EXPECT_EQ(CellGlyph(screen, 0, 0), levelUp ? '@' : ' ');
  }
}

// A word longer than the screen, a title too, and more lines than the screen holds: the box is
// cut to fit instead of asking for a surface no screen can show.
TEST_F(MenuBox, TextOfAnyLengthIsBrokenOrCutToFitTheScreen) {
  const std::string word(100000, 'w');
  std::list<std::string> many(200, "line");
  struct Row {
    const char* name;
    std::string header;
    std::list<std::string> options;
    std::size_t lines;
  };
  const Row rows[] = {
      {"one long word", "Pick", {word}, 46},
      {"a long title", std::string(1000, 'T'), {"one"}, 1},
      {"many lines", "Pick", many, 46},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    gameState = InMenus;
    Press(SDL_SCANCODE_ESCAPE, row.header, row.options);
    EXPECT_LE(inventoryPanel->w, screen->w);
    EXPECT_LE(inventoryPanel->h, screen->h);
    EXPECT_EQ(inventoryMessages.size(), row.lines);
    EXPECT_EQ(CellGlyph(inventoryPanel, inventoryPanel->w - 8, inventoryPanel->h - 8), 188)
        << "the frame's corner is drawn";
  }
  EXPECT_EQ(inventoryMessages.front(), "line");
}

// A text of a mebibyte (a language's name pasted over and over, say) in a box: it is cut short,
// and every line after it still has its row. A chosen line keeps one row and its marks.
TEST_F(MenuBox, ALineLongerThanTheBoxNeverHidesTheLinesAfterIt) {
  std::string words;
  for (int i = 0; i < (1 << 20) / 5; ++i) words += "word ";
  const std::string word(1 << 20, 'w');
  struct Row {
    const char* name;
    std::list<std::string> options;
  };
  const Row rows[] = {
      {"many words", {"first", words, "after", "last"}},
      {"one word", {"first", word, "after", "last"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    gameState = InMenus;
    Press(SDL_SCANCODE_ESCAPE, "Pick", row.options);
    ASSERT_EQ(inventoryMessages.size(), 46u) << "the box is as tall as the screen allows";
    EXPECT_EQ(inventoryMessages.front(), "first");
    EXPECT_EQ(*std::prev(inventoryMessages.end(), 2), "after");
    EXPECT_EQ(inventoryMessages.back(), "last");
    EXPECT_EQ(CellGlyph(inventoryPanel, inventoryPanel->w - 8, inventoryPanel->h - 8), 188)
        << "the frame's corner is drawn";
  }

  gameState = InMenus;
  SetMenuLines({"Language: " + word, "Save", "Discard"}, 0);
  int selected = 0;
  Press(SDL_SCANCODE_ESCAPE, "Options", option, selected);
  ASSERT_EQ(inventoryMessages.size(), 3u);
  EXPECT_EQ(inventoryMessages.front(), "> Language: " + std::string(62, 'w') + " <");
  EXPECT_EQ(inventoryMessages.back(), "Discard");
}

}  // namespace
