// A close request (the window's close button, Alt+F4, SIGTERM) wherever the program waits: the
// whole program runs from the main menu, and the request must end it, saving a game in play
// as Escape would, and leaving it unsaved everywhere else.

#include <SDL3/SDL.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "core/globals.h"
#include "dungeon/map.h"
#include "menu/menu_support.h"
#include "persistence/globals.h"
#include "persistence/savegame.h"
#include "play/mainmenu.h"
#include "play/play_fixture.h"
#include "play/progression.h"
#include "world/entity.h"
#include "world/fighter.h"

namespace {

namespace fs = std::filesystem;

// What the saved game holds, read back through the game's own loader.
struct RKSaved {
  bool exists = false;
  int gameState = -1, level = 0, xp = 0;
  std::size_t pack = 0;
};

class CloseRequest;

// The steps that lead from the main menu to where the window is closed.
struct CloseCase {
  const char* name;
  std::function<void(InputScript&, CloseRequest&)> steps;
  bool saved;
  std::function<void(const RKSaved&)> check;  // what the save holds, when saved
};

class CloseRequest : public PlayGame, public testing::WithParamInterface<CloseCase> {
 public:
  using PlayGame::Carry;
  using PlayGame::MakeItem;

  // Keys into the options menu, its selection then on `line`.
  static void OpenOptions(InputScript& script, int line) {
    script.Key(SDL_SCANCODE_DOWN).Key(SDL_SCANCODE_DOWN).Key(SDL_SCANCODE_RETURN).Wait();
    for (int i = 0; i < line; ++i) script.Key(SDL_SCANCODE_DOWN);
  }

  // A new game on an open floor, with whatever else the row needs done to it.
  void StartPlaying(InputScript& script, std::function<void()> arrange = {}) {
    script.Key(SDL_SCANCODE_RETURN).Wait().Probe([this, arrange] {
      OpenArena();
      if (arrange) arrange();
    });
  }

  RKSaved ReadSave() {
    RKSaved saved;
    saved.exists = fs::exists("game.sav");
    std::string version;
    if (saved.exists && LoadGame(version) == LoadOk) {
      saved.gameState = gameState;
      saved.level = player->fighter->level;
      saved.xp = player->fighter->xp;
      saved.pack = inventory.size();
    }
    return saved;
  }
};

TEST_P(CloseRequest, EndsTheProgramSavingOnlyAGameInPlay) {
  const CloseCase& row = GetParam();
  InputScript script;
  row.steps(script, *this);
  script.Quit();
  // Nothing in the script chooses quit: only the close request can end the main menu.
  WithInput(script, [] {
    MainMenu();
    return 0;
  });
  EXPECT_TRUE(quitRequested);
  EXPECT_TRUE(script.Finished()) << "the program ended before the close request";
  RKSaved saved = ReadSave();
  ASSERT_EQ(saved.exists, row.saved);
  if (row.saved && row.check) row.check(saved);
}

void InPlay(InputScript& script, CloseRequest& test) { test.StartPlaying(script); }

const CloseCase CASES[] = {
    {"main_menu", [](InputScript&, CloseRequest&) {}, false, {}},
    {"help_box",
     [](InputScript& s, CloseRequest&) {
       s.Key(SDL_SCANCODE_UP).Key(SDL_SCANCODE_UP).Key(SDL_SCANCODE_RETURN).Wait();
     },
     false,
     {}},
    {"no_save_box",
     [](InputScript& s, CloseRequest&) {
       s.Key(SDL_SCANCODE_DOWN).Key(SDL_SCANCODE_RETURN).Wait();
     },
     false,
     {}},
    {"options_menu",
     [](InputScript& s, CloseRequest&) { CloseRequest::OpenOptions(s, 0); },
     false,
     {}},
    {"key_capture",
     [](InputScript& s, CloseRequest&) {
       CloseRequest::OpenOptions(s, 0);
       s.Key(SDL_SCANCODE_RETURN).Wait();
     },
     false,
     {}},
    {"volume_dialog",
     [](InputScript& s, CloseRequest&) {
       CloseRequest::OpenOptions(s, 11);
       s.Key(SDL_SCANCODE_RETURN).Wait();
     },
     false,
     {}},
    {"in_play", InPlay, true, [](const RKSaved& saved) { EXPECT_EQ(saved.gameState, Playing); }},
    {"defeated",
     [](InputScript& s, CloseRequest& t) {
       t.StartPlaying(s, [] {
         player->fighter->hp = 0;
         PlayerDeath(player);
       });
       s.Wait();
     },
     true, [](const RKSaved& saved) { EXPECT_EQ(saved.gameState, PlayerDead); }},
    {"aiming",
     [](InputScript& s, CloseRequest& t) {
       t.StartPlaying(s, [&t] { t.Carry(t.MakeItem(RKKindId::StunGrenade, 0, 0)); });
       // The grenade is the newest item of the pack: letter a.
       s.Key(SDL_SCANCODE_I).Key(SDL_SCANCODE_A).Wait();
     },
     true, [](const RKSaved& saved) { EXPECT_EQ(saved.pack, 2u) << "the grenade was used"; }},
    {"level_up_choice",
     [](InputScript& s, CloseRequest& t) {
       t.StartPlaying(s, [] { player->fighter->SetXP(350, true); });
       s.Wait();
     },
     true,
     [](const RKSaved& saved) {
       // Still owed: Continue offers the level again.
       EXPECT_EQ(saved.level, 1);
       EXPECT_EQ(saved.xp, 350);
     }},
    {"pack_box",
     [](InputScript& s, CloseRequest& t) {
       t.StartPlaying(s);
       s.Key(SDL_SCANCODE_I).Wait();
     },
     true,
     {}},
    {"character_box",
     [](InputScript& s, CloseRequest& t) {
       t.StartPlaying(s);
       s.Key(SDL_SCANCODE_C).Wait();
     },
     true,
     {}},
    {"ending_box",
     [](InputScript& s, CloseRequest& t) {
       t.StartPlaying(s, [] {
         entities.push_front(NewEntity(KindOf(RKKindId::Exit), player->x, player->y, theMap));
       });
       s.Key(SDL_SCANCODE_SPACE).Wait();
     },
     false,
     {}},
};

INSTANTIATE_TEST_SUITE_P(, CloseRequest, testing::ValuesIn(CASES),
                         [](const auto& info) { return std::string(info.param.name); });

// Changes made in the options menu stay in effect when the window closes there: shut-down
// writes them with the settings.
TEST_F(CloseRequest, KeepsTheOptionsAsChanged) {
  InputScript script;
  OpenOptions(script, 10);  // music
  script.Key(SDL_SCANCODE_RETURN).Wait().Quit();
  WithInput(script, [] {
    MainMenu();
    return 0;
  });
  EXPECT_TRUE(quitRequested);
  EXPECT_FALSE(musicEnabled);
}

// When the save cannot be written the game goes on, and a second close ends it unsaved.
TEST_F(CloseRequest, WhoseSaveFailsLeavesTheGameRunningUntilASecondOne) {
  bool stillPlaying = false;
  InputScript script;
  StartPlaying(script, [] { fs::create_directory("game.sav.tmp"); });
  script.Quit().Wait(2).Probe([&] { stillPlaying = gameState == Playing && !gameOver; }).Quit();
  WithInput(script, [] {
    MainMenu();
    return 0;
  });
  EXPECT_TRUE(stillPlaying);
  EXPECT_TRUE(quitRequested);
  EXPECT_FALSE(fs::exists("game.sav"));
}

}  // namespace
