// The main menu end to end: the real start-up, keys fed one frame at a time, and probes of
// what the menu shows between frames.

#include <SDL3/SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <iterator>
#include <list>
#include <string>
#include <vector>

#include "app/globals.h"
#include "core/globals.h"
#include "cson/cson.h"
#include "localization/localization.h"
#include "menu_support.h"
#include "music/globals.h"
#include "play/mainmenu.h"
#include "support/harness.h"
#include "support/still.h"
#include "ui/globals.h"
#include "ui/screen.h"

namespace {

const char* const ITEM_KEYS[] = {
    "menu.main.newGame", "menu.main.loadGame", "menu.main.options",
    "menu.main.help",    "menu.main.quit",
};

class MainMenuTest : public HeadlessGame {
 protected:
  // Runs the main menu until it returns; the script must end with the quit item confirmed.
  void RunMainMenu(InputScript& script) {
    WithInput(script, [] {
      MainMenu();
      return 0;
    });
    EXPECT_TRUE(script.Finished()) << "the menu returned before its input ran out";
  }

  // A probe: the menu shows its five lines with the markers around line `marked` only, and
  // that line alone in the highlight colour.
  static std::function<void()> ShowsMarkerOn(int marked) {
    return [marked] {
      SCOPED_TRACE("marker on line " + std::to_string(marked));
      ASSERT_EQ(option.size(), 5u);
      int index = 0;
      for (const std::string& line : option) {
        std::string text = gLocalization->T(ITEM_KEYS[index]);
        EXPECT_EQ(line, index == marked ? "> " + text + " <" : text);
        bool highlighted = false;
        for (int x = 0; x < inventoryPanel->w; x += 8) {
          highlighted |= CellColor(inventoryPanel, x, 16 + 8 * index) == Cyan;
        }
        EXPECT_EQ(highlighted, index == marked) << "line " << index;
        ++index;
      }
    };
  }
};

TEST_F(MainMenuTest, ArrowsMoveTheMarkersWithWrapAroundAndQuitEndsIt) {
  InputScript script;
  script.Probe(ShowsMarkerOn(0))
      .Key(SDL_SCANCODE_DOWN)
      .Probe(ShowsMarkerOn(1))
      .Key(SDL_SCANCODE_UP)
      .Key(SDL_SCANCODE_UP)
      .Probe(ShowsMarkerOn(4))
      .Key(SDL_SCANCODE_DOWN)
      .Probe(ShowsMarkerOn(0))
      .Key(SDL_SCANCODE_UP)
      .Key(SDL_SCANCODE_RETURN);
  RunMainMenu(script);
}

TEST_F(MainMenuTest, HelpOpensAndAnyKeyButF2ClosesIt) {
  const auto showsHelp = [] {
    ASSERT_EQ(option.size(), 39u);
    EXPECT_EQ(option.back(), gLocalization->T("menu.help.returnMainMenu"));
  };
  InputScript script;
  script.Key(SDL_SCANCODE_DOWN)
      .Key(SDL_SCANCODE_DOWN)
      .Key(SDL_SCANCODE_DOWN)
      .Key(SDL_SCANCODE_RETURN)
      .Probe(showsHelp)
      .Key(SDL_SCANCODE_F2)
      .Probe(showsHelp)
      .Key(SDL_SCANCODE_ESCAPE)
      .Probe(ShowsMarkerOn(3))
      .Key(SDL_SCANCODE_DOWN)
      .Key(SDL_SCANCODE_RETURN);
  RunMainMenu(script);
}

TEST_F(MainMenuTest, ContinueExplainsWhyASaveCannotBeUsed) {
  struct Row {
    const char* name;
    const char* signature;  // null: no save file at all
    const char* version;
    std::string firstLine;
  };
  const std::vector<Row> rows = {
      {"no save", nullptr, nullptr, gLocalization->T("menu.loadingFailed.noSave")},
      {"not our file", "XXXXX", "0.4", gLocalization->T("menu.loadingFailed.badSignature")},
      {"another version", "TVKSG", "0.1",
       gLocalization->TFormat("menu.loadingFailed.badVersion", {"0.1", "0.4"})},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::remove("game.sav");
    if (row.signature != nullptr) {
      zokCSON::Value save = zokCSON::Value::MakeObject();
      save["Signature"] = row.signature;
      save["Version"] = row.version;
      ASSERT_TRUE(zokCSON::WriteFile("game.sav", save, zokCSON::WriteOptions{}, nullptr));
    }
    const std::vector<std::string> box = {row.firstLine, "\\n",
                                          gLocalization->T("menu.loadingFailed.returnMainMenu")};
    InputScript script;
    script.Key(SDL_SCANCODE_DOWN)
        .Key(SDL_SCANCODE_RETURN)
        .Probe([&box] { EXPECT_EQ(std::vector<std::string>(option.begin(), option.end()), box); })
        .Key(SDL_SCANCODE_ESCAPE)
        .Probe(ShowsMarkerOn(1))
        .Key(SDL_SCANCODE_UP)
        .Key(SDL_SCANCODE_UP)
        .Key(SDL_SCANCODE_RETURN);
    RunMainMenu(script);
  }
}

TEST_F(MainMenuTest, AfterANewGameTheSelectionIsBackOnTopAfterAContinuedGameItStays) {
  const auto playing = [] { EXPECT_EQ(gameState, Playing); };
  InputScript script;
  script.Key(SDL_SCANCODE_RETURN)
      .Probe(playing)
      .Key(SDL_SCANCODE_ESCAPE)  // leaves the game, saving it
      .Probe(ShowsMarkerOn(0))
      .Key(SDL_SCANCODE_DOWN)
      .Key(SDL_SCANCODE_RETURN)
      .Probe(playing)
      .Key(SDL_SCANCODE_ESCAPE)
      .Probe(ShowsMarkerOn(1))
      .Key(SDL_SCANCODE_UP)
      .Key(SDL_SCANCODE_UP)
      .Key(SDL_SCANCODE_RETURN);
  RunMainMenu(script);
}

// Once the music has faded in, nothing in the menu moves before the next key: it sleeps until
// then and shows no frame again.
TEST_F(MainMenuTest, MusicFadesInWhileTheMenuWaitsForAKeyThenTheMenuSleeps) {
  StillCosts still;
  InputScript script;
  // Well past the 500 ms fade, counted from the moment playback began.
  script.Idle(1000).Probe([&] {
    EXPECT_TRUE(menuFadeDone);
    EXPECT_FALSE(menuFadeActive) << "the fade did not run while the menu waited";
  });
  IdleCounting(script, 10000, still).Key(SDL_SCANCODE_UP).Key(SDL_SCANCODE_RETURN);
  RunMainMenu(script);
  EXPECT_LE(still.wakeUps, 1u) << "a wait of 16 ms at a time is 625 in 10 s";
  EXPECT_EQ(still.shown, 0u);
}

}  // namespace
