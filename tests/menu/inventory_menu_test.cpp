// The lettered inventory menu and the choice of an item from the player's pack.

#include <SDL3/SDL.h>
#include <gtest/gtest.h>

#include <cctype>
#include <iterator>
#include <list>
#include <string>
#include <vector>

#include "app/frames.h"
#include "app/globals.h"
#include "core/globals.h"
#include "localization/localization.h"
#include "menu_support.h"
#include "play/turnloop.h"
#include "support/harness.h"
#include "ui/globals.h"
#include "ui/menu.h"
#include "world/entity.h"
#include "world/equipment.h"
#include "world/item.h"
#include "world/kinds.h"

namespace {

std::string Upper(std::string text) {
  for (char& c : text) {
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return text;
}

// A running game whose pack the test fills itself, with the prompt open as the drop and use
// commands open it.
class InventoryMenuTest : public HeadlessGame {
 protected:
  void SetUp() override {
    HeadlessGame::SetUp();
    NewGame();
    EmptyPack();
    showInventory = true;
    inventoryMessages = {"Pick one!"};
  }

  void EmptyPack() {
    player->equipment->mainHand = nullptr;
    player->equipment->offHand = nullptr;
    while (!inventory.empty()) {
      delete inventory.back();
      inventory.pop_back();
    }
  }

  // An item without a use, named as given.
  RKEntity* Carry(const std::string& name) {
    RKKind kind = KindOf(RKKindId::FirstAidKit);
    kind.name = name.c_str();
    kind.color = Yellow;
    RKEntity* entity = NewEntity(kind, 0, 0, theMap);
    inventory.push_back(entity);
    return entity;
  }

  int Press(SDL_Scancode key) {
    InputScript script;
    script.Key(key);
    return WithInput(script, [] { return InventoryChoice(inventoryMessages); });
  }

  RKItem* Choose(SDL_Scancode key) {
    InputScript script;
    script.Key(key);
    return WithInput(script, [] { return InventoryMenu(inventoryMessages); });
  }

  void FillOptions(int count) {
    option.clear();
    for (int i = 0; i < count; ++i) {
      option.push_back("thing " + std::to_string(i));
    }
  }
};

TEST_F(InventoryMenuTest, LettersPickTheirOptionAndAnyOtherKeyCancels) {
  Carry("Baton");
  struct Row {
    const char* name;
    int options;
    SDL_Scancode key;
    int expected;
  };
  const Row rows[] = {
      {"a is the first option", 3, SDL_SCANCODE_A, 0},
      {"c is the third", 3, SDL_SCANCODE_C, 2},
      {"d has no option", 3, SDL_SCANCODE_D, -1},
      {"escape", 3, SDL_SCANCODE_ESCAPE, -1},
      {"a digit", 3, SDL_SCANCODE_1, -1},
      {"z with 26 options", 26, SDL_SCANCODE_Z, 25},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FillOptions(row.options);
    inventoryMessages = {"Pick one!"};
    EXPECT_EQ(Press(row.key), row.expected);
  }
}

TEST_F(InventoryMenuTest, ShowsThePromptAndLabelledOptionsInCapitals) {
  gLocalization->translations["inventory.header"] = "Pack";
  Carry("Baton");
  FillOptions(3);
  Press(SDL_SCANCODE_ESCAPE);

  const std::vector<std::string> expected = {"PICK ONE!", "(A) THING 0", "(B) THING 1",
                                             "(C) THING 2"};
  EXPECT_EQ(std::vector<std::string>(inventoryMessages.begin(), inventoryMessages.end()), expected);
  // Title row, a blank row, four lines, the bottom; eleven cells of content.
  ASSERT_EQ(inventoryPanel->h, 4 * 8 + 32);
  ASSERT_EQ(inventoryPanel->w, 11 * 8 + 32);
  EXPECT_EQ(CellText(inventoryPanel, 16, 24, 11), "(A) THING 0");
  EXPECT_EQ(CellText(inventoryPanel, 24, 16, 9), "PICK ONE!");
  EXPECT_EQ(CellGlyph(inventoryPanel, 0, 48), 186);
  EXPECT_EQ(CellGlyph(inventoryPanel, 0, 56), 200);
}

TEST_F(InventoryMenuTest, CentresALineByAllItsBytesEvenWithALeadingColourCode) {
  gLocalization->translations["inventory.header"] = "Pack";
  Carry("Baton");
  option = {"x"};
  inventoryMessages = {"^C14^AB"};
  Press(SDL_SCANCODE_ESCAPE);

  // Five cells of content ("(A) X"); the prompt's seven bytes put it at (72 - 56) / 2, where
  // the code draws nothing and the coloured A comes first.
  ASSERT_EQ(inventoryPanel->w, 72);
  EXPECT_EQ(CellText(inventoryPanel, 8, 16, 2), "AB");
  EXPECT_EQ(CellColor(inventoryPanel, 8, 16), Yellow);
}

TEST_F(InventoryMenuTest, RefusesMoreThan26OptionsWithoutDrawing) {
  Carry("Baton");
  FillOptions(27);
  SDL_Surface* before = inventoryPanel;
  const int width = before->w, height = before->h;
  testing::internal::CaptureStdout();
  EXPECT_EQ(InventoryChoice(inventoryMessages), -1);  // returns at once: no key needed
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Can't have a menu with more than 26 options!\n");
  EXPECT_EQ(inventoryPanel, before);
  EXPECT_EQ(inventoryPanel->w, width);
  EXPECT_EQ(inventoryPanel->h, height);
  EXPECT_EQ(inventoryMessages.size(), 1u);
}

TEST_F(InventoryMenuTest, AQuitRequestCancels) {
  Carry("Baton");
  FillOptions(3);
  InputScript script;
  script.Quit();
  EXPECT_EQ(WithInput(script, [] { return InventoryChoice(inventoryMessages); }), -1);
  EXPECT_EQ(lastInput.action, RKAction::Close);
}

TEST_F(InventoryMenuTest, ListsThePackNewestLastAndMapsLettersBack) {
  RKEntity* baton = Carry("Baton");
  RKEntity* taser = Carry("Taser");
  RKEntity* kit = Carry("First Aid Kit");
  baton->SetEquippable(new RKEquippable());
  player->equipment->mainHand = baton;

  struct Row {
    const char* name;
    SDL_Scancode key;
    RKEntity* expected;
  };
  const Row rows[] = {
      {"a names the last entity", SDL_SCANCODE_A, kit},
      {"b the one before", SDL_SCANCODE_B, taser},
      {"c the first", SDL_SCANCODE_C, baton},
      {"d nothing", SDL_SCANCODE_D, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    inventoryMessages = {"Pick one!"};
    RKItem* chosen = Choose(row.key);
    EXPECT_EQ(nextTime, Now() + FRAME_MS) << "a full frame follows the menu";
    if (row.expected == nullptr) {
      EXPECT_EQ(chosen, nullptr);
      continue;
    }
    EXPECT_EQ(chosen, row.expected->item);
    EXPECT_EQ(*inventoryIterator, row.expected);
  }

  const std::vector<std::string> labels = {
      kit->GetDisplayName(),
      taser->GetDisplayName(),
      gLocalization->TFormat("inventory.itemEquipped", {baton->GetDisplayName()}),
  };
  EXPECT_EQ(std::vector<std::string>(option.begin(), option.end()), labels);
}

TEST_F(InventoryMenuTest, AnEmptyPackShowsItsTextWithoutALetter) {
  for (SDL_Scancode key : {SDL_SCANCODE_A, SDL_SCANCODE_ESCAPE}) {
    SCOPED_TRACE(SDL_GetScancodeName(key));
    inventoryMessages = {"Pick one!"};
    EXPECT_EQ(Choose(key), nullptr);
    ASSERT_EQ(inventoryMessages.size(), 2u);
    EXPECT_EQ(inventoryMessages.back(), Upper(gLocalization->T("inventory.empty")));
  }
}

// A pack item with a 1 MB name (no blank in it) crashed the game when the pack opened: the box
// asked for a surface eight million pixels wide. Each option now keeps to one line of a box that
// fits the screen, so that every letter stays in view, with 26 long names as with one.
TEST_F(InventoryMenuTest, NamesOfAnyLengthKeepTheBoxOnScreen) {
  std::string codes;  // "^C99^" is no colour code: the font draws all five characters
  for (int i = 0; i < 51; ++i) codes += "^C99^";
  struct Row {
    const char* name;
    int items;
    std::string itemName;
  };
  const Row rows[] = {
      {"one name of a megabyte", 1, std::string(1 << 20, 'x')},
      {"a full pack of long names", 26, std::string(256, 'x')},
      {"names of what only looks like colour codes", 26, codes},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EmptyPack();
    for (int i = 0; i < row.items; ++i) Carry(row.itemName);
    ListInventory();
    inventoryMessages = {"Pick one!"};
    ASSERT_TRUE(DrawInventoryBox(inventoryMessages));

    EXPECT_LE(inventoryPanel->w, screen->w);
    EXPECT_LE(inventoryPanel->h, screen->h - 80) << "shown above the heads-up panel";
    ASSERT_EQ(inventoryMessages.size(), static_cast<std::size_t>(row.items) + 1);
    const std::string last = std::string("(") + static_cast<char>('A' + row.items - 1) + ") ";
    EXPECT_EQ(inventoryMessages.back().substr(0, last.size()), last);
    EXPECT_EQ(GetVisibleTextLength(inventoryMessages.back()),
              static_cast<unsigned>(screen->w - 32) / 8);
    // Nothing is drawn over the box's right wall.
    for (int y = 16; y < inventoryPanel->h - 16; y += 8) {
      EXPECT_EQ(CellGlyph(inventoryPanel, inventoryPanel->w - 8, y), 186) << "row at y " << y;
    }
  }
}

}  // namespace
