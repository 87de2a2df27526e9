#include <SDL3/SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include "app/globals.h"
#include "core/globals.h"
#include "core/message.h"
#include "cson/cson.h"
#include "dungeon/map.h"
#include "localization/localization.h"
#include "persistence/globals.h"
#include "play/effects.h"
#include "play/play_fixture.h"
#include "play/progression.h"
#include "play/turnloop.h"
#include "support/runfolder.h"
#include "support/still.h"
#include "ui/globals.h"
#include "ui/screen.h"
#include "world/entity.h"
#include "world/equipment.h"
#include "world/fighter.h"
#include "world/item.h"
#include "world/tile.h"

namespace {

using NewGameTest = PlayGame;
using TurnLoop = PlayGame;

std::pair<int, int> PlayerCell() { return {player->x, player->y}; }

bool SaveWritten() { return std::filesystem::exists("game.sav"); }

TEST_F(NewGameTest, StartsFreshEvenAfterAnotherGame) {
  // Leave a used-up game behind first.
  player->fighter->SetXP(500, true);
  player->fighter->SetHP(3, true);
  inventory.push_back(MakeItem(RKKindId::Taser, 0, 0));
  entities.remove(inventory.back());
  message->SetMessage("an old line", false);
  theMap->currentFloor = 7;

  ASSERT_TRUE(NewGame());

  EXPECT_EQ(gameState, Playing);
  EXPECT_FALSE(gameOver);
  ASSERT_EQ(message->messages.size(), 1u);
  EXPECT_TRUE(LogHas(gLocalization->T("message.objective")));
  EXPECT_EQ(theMap->currentFloor, 1);

  ASSERT_NE(player, nullptr);
  EXPECT_EQ(player->name, "Player");
  EXPECT_EQ(player->appearance, '@');
  EXPECT_EQ(player->color, LightGreen);
  RKFighter* fighter = player->fighter;
  EXPECT_EQ(fighter->hp, 100);
  EXPECT_EQ(fighter->GetMaxHP(true), 100);
  EXPECT_EQ(fighter->GetDefense(true), 1);
  EXPECT_EQ(fighter->GetPower(true), 2);
  EXPECT_EQ(fighter->level, 1);
  EXPECT_EQ(fighter->xp, 0);
  EXPECT_EQ(fighter->deathFunction, &PlayerDeath);

  ASSERT_EQ(inventory.size(), 1u);
  RKEntity* baton = inventory.front();
  EXPECT_EQ(baton->name, "Baton");
  EXPECT_EQ(player->equipment->mainHand, baton);
  EXPECT_EQ(fighter->GetPower(false), 4);

  EXPECT_EQ(std::count(entities.begin(), entities.end(), player), 1);
  EXPECT_EQ(funcVec, (std::vector<DeathFunction>{EnemyDeath}));
  EXPECT_EQ(useFuncVec, (std::vector<UseFunction>{UseFirstAidKit, UseTranquilizerGun,
                                                  UseStunGrenade, UsePepperSpray}));
}

TEST_F(TurnLoop, ArrowKeysMoveThePlayerAndTheFrameShowsIt) {
  OpenArena();
  struct Step {
    SDL_Scancode key;
    int x, y;
  };
  // key                  expected cell afterwards
  const Step steps[] = {
      {SDL_SCANCODE_UP, 40, 19},
      {SDL_SCANCODE_RIGHT, 41, 19},
      {SDL_SCANCODE_DOWN, 41, 20},
      {SDL_SCANCODE_LEFT, 40, 20},
  };
  std::vector<std::pair<int, int>> cells;
  std::vector<int> glyphs, colors;
  InputScript script;
  for (const Step& step : steps) {
    script.Key(step.key).Wait().Probe([&] {
      cells.push_back(PlayerCell());
      glyphs.push_back(CellGlyph(screen, player->x * 8, player->y * 8));
      colors.push_back(CellColor(screen, player->x * 8, player->y * 8));
    });
  }
  Play(script);

  ASSERT_EQ(cells.size(), std::size(steps));
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    SCOPED_TRACE(testing::Message() << "step " << i);
    EXPECT_EQ(cells[i], std::make_pair(steps[i].x, steps[i].y));
    EXPECT_EQ(glyphs[i], '@');
    EXPECT_EQ(colors[i], LightGreen);
  }
  EXPECT_EQ(gameState, InMenus);
}

TEST_F(TurnLoop, HoldingAKeyMovesOnce) {
  OpenArena();
  InputScript script;
  script.KeyDown(SDL_SCANCODE_UP)
      .KeyDown(SDL_SCANCODE_UP, true)
      .KeyDown(SDL_SCANCODE_UP, true)
      .KeyDown(SDL_SCANCODE_UP, true)
      .KeyUp(SDL_SCANCODE_UP);
  Play(script);
  EXPECT_EQ(PlayerCell(), std::make_pair(PLAYER_X, PLAYER_Y - 1));
}

TEST_F(TurnLoop, TwoKeysInOneFrameMoveTwiceAndGuardsActOnce) {
  OpenArena();
  // Only a guard in the player's row or column closes in. The first guard lines up with the
  // player only between the two moves, the second only after both.
  RKEntity* between = AddGuard(PLAYER_X, PLAYER_Y + 6);
  RKEntity* after = AddGuard(PLAYER_X + 1, PLAYER_Y + 6);
  InputScript script;
  script.Keys({SDL_SCANCODE_UP, SDL_SCANCODE_RIGHT}).Wait();
  Play(script);

  EXPECT_EQ(PlayerCell(), std::make_pair(PLAYER_X + 1, PLAYER_Y - 1));
  EXPECT_EQ(std::make_pair(between->x, between->y), std::make_pair(PLAYER_X, PLAYER_Y + 6));
  EXPECT_EQ(std::make_pair(after->x, after->y), std::make_pair(PLAYER_X + 1, PLAYER_Y + 5));
}

TEST_F(TurnLoop, OnlyTurnsLetGuardsAct) {
  struct Row {
    const char* name;
    SDL_Scancode key;
    int guardX;
  };
  // A pillar west of the player; the guard waits two cells east.
  const Row rows[] = {
      {"a move refused by a wall", SDL_SCANCODE_LEFT, PLAYER_X + 1},
      {"taking with nothing to take", SDL_SCANCODE_G, PLAYER_X + 2},
      {"using without stairs", SDL_SCANCODE_SPACE, PLAYER_X + 2},
      {"an unbound key", SDL_SCANCODE_X, PLAYER_X + 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(NewGame());
    OpenArena();
    theMap->tiles[CellIndex(PLAYER_X - 1, PLAYER_Y)]->Init(true, false);
    RefreshView();
    RKEntity* guard = AddGuard(PLAYER_X + 2, PLAYER_Y);
    std::size_t logLines = message->messages.size();
    InputScript script;
    script.Key(row.key).Wait();
    Play(script);

    EXPECT_EQ(PlayerCell(), std::make_pair(PLAYER_X, PLAYER_Y));
    EXPECT_EQ(guard->x, row.guardX);
    EXPECT_EQ(message->messages.size(), logLines);
  }
}

TEST_F(TurnLoop, FightingAGuardUntilItIsKnockedOut) {
  OpenArena();
  // The baton gives 4 power against the guard's 0 defence: two hits.
  RKEntity* guard = AddGuard(PLAYER_X + 1, PLAYER_Y, 8);
  std::string oldName = guard->GetDisplayName();
  int hpAfterFirstHit = -1, playerHpAfterFirstHit = -1;
  bool cellFreeAtOnce = false;
  InputScript script;
  script.Key(SDL_SCANCODE_RIGHT)
      .Wait()
      .Probe([&] {
        hpAfterFirstHit = guard->fighter->hp;
        playerHpAfterFirstHit = player->fighter->hp;
      })
      .Key(SDL_SCANCODE_RIGHT)
      .Wait()
      .Probe([&] { cellFreeAtOnce = !theMap->tiles[CellIndex(PLAYER_X + 1, PLAYER_Y)]->blocked; })
      .Key(SDL_SCANCODE_RIGHT)
      .Wait();
  Play(script);

  EXPECT_EQ(hpAfterFirstHit, 4);
  EXPECT_EQ(playerHpAfterFirstHit, 97);  // the guard hits back for 4 - 1
  EXPECT_TRUE(cellFreeAtOnce);
  EXPECT_EQ(guard->name, "Unconscious Guard");
  EXPECT_EQ(guard->appearance, '%');
  EXPECT_FALSE(guard->blocks);
  EXPECT_EQ(guard->fighter, nullptr);
  EXPECT_EQ(guard->ai, nullptr);
  EXPECT_EQ(entities.front(), guard);  // drawn beneath everything
  EXPECT_EQ(player->fighter->xp, 35);
  EXPECT_EQ(PlayerCell(), std::make_pair(PLAYER_X + 1, PLAYER_Y));

  std::string knockedOut = gLocalization->TFormat("message.enemyUnconsciousXp", {oldName, "35"});
  ASSERT_NE(knockedOut.find(oldName), std::string::npos) << "no catalogue loaded";
  EXPECT_TRUE(LogHas(knockedOut));
  EXPECT_TRUE(LogHas(gLocalization->TFormat("message.enemyUnconscious", {oldName})));
}

TEST_F(TurnLoop, ADefeatedPlayerCanOnlySaveToggleTheMouseOrLeave) {
  OpenArena();
  player->fighter->SetHP(3, true);
  AddGuard(PLAYER_X + 1, PLAYER_Y);
  // Acts after the guard that defeats the player, in the same frame.
  RKEntity* follower = AddGuard(PLAYER_X, PLAYER_Y + 6);
  bool relativeBefore = false, relativeAfter = false;
  std::pair<int, int> cellWhenDead;
  InputScript script;
  script.Key(SDL_SCANCODE_UP)
      .Wait()
      .Probe([&] {
        cellWhenDead = PlayerCell();
        relativeBefore = SDL_GetWindowRelativeMouseMode(window);
      })
      .Key(SDL_SCANCODE_DOWN)
      .Key(SDL_SCANCODE_C)
      .Key(SDL_SCANCODE_F2)
      .Wait()
      .Probe([&] { relativeAfter = SDL_GetWindowRelativeMouseMode(window); })
      .Key(SDL_SCANCODE_ESCAPE);
  Play(script);

  EXPECT_EQ(player->fighter->hp, 0);
  EXPECT_EQ(player->appearance, '%');
  EXPECT_TRUE(LogHas(gLocalization->T("message.defeated")));
  EXPECT_EQ(cellWhenDead, std::make_pair(PLAYER_X, PLAYER_Y - 1));
  EXPECT_EQ(PlayerCell(), cellWhenDead);
  EXPECT_EQ(follower->y, PLAYER_Y + 5);  // one step on the defeating turn, none after
  EXPECT_TRUE(option.empty()) << "the character box opened";
  if (RelativeMouseModeWorks()) {
    EXPECT_NE(relativeBefore, relativeAfter);
  }
  EXPECT_TRUE(SaveWritten());
  EXPECT_EQ(gameState, InMenus);
}

TEST_F(TurnLoop, TheFirstActionBoundToAKeyTakesIt) {
  OpenArena();
  keyboard[ActionTake] = SDL_SCANCODE_UP;
  keyboard[ActionCharacterInfo] = SDL_SCANCODE_F2;
  RKEntity* kit = MakeItem(RKKindId::FirstAidKit, PLAYER_X, PLAYER_Y - 1);
  bool relativeBefore = SDL_GetWindowRelativeMouseMode(window);
  InputScript script;
  script.Key(SDL_SCANCODE_UP).Key(SDL_SCANCODE_F2).Wait();
  Play(script);

  EXPECT_EQ(PlayerCell(), std::make_pair(PLAYER_X, PLAYER_Y - 1));
  EXPECT_EQ(std::count(entities.begin(), entities.end(), kit), 1) << "picked up as well";
  EXPECT_TRUE(option.empty()) << "F2 opened the character box";
  if (RelativeMouseModeWorks()) {
    EXPECT_NE(SDL_GetWindowRelativeMouseMode(window), relativeBefore);
  }
  EXPECT_EQ(gameState, InMenus);
}

// A still floor costs next to nothing: the loop sleeps until the player does something rather
// than drawing a frame every 60 ms, a picture already shown is not shown again, and one the
// window lost (exposed, say) is shown once more. The music has its own test of how long it
// lets the loop sleep; here it is off, so nothing but input has a time.
TEST_F(TurnLoop, AStillFloorSleepsUntilInputAndShowsEachPictureOnce) {
  OpenArena();
  musicEnabled = false;
  StillCosts still;
  std::uint64_t shown = 0, shownAfterExpose = 0;
  InputScript script;
  IdleCounting(script.Key(SDL_SCANCODE_RIGHT), 10000, still)
      .Probe([&] {
        SDL_Event exposed{};
        exposed.type = SDL_EVENT_WINDOW_EXPOSED;
        exposed.window.windowID = SDL_GetWindowID(window);
        shown = FramesShown();
        SDL_PushEvent(&exposed);
      })
      .Wait()
      .Probe([&] { shownAfterExpose = FramesShown() - shown; });
  Play(script);

  EXPECT_EQ(PlayerCell(), std::make_pair(PLAYER_X + 1, PLAYER_Y));
  EXPECT_LE(still.wakeUps, 2u) << "10 s at one frame every 60 ms are 166 frames";
  EXPECT_EQ(still.shown, 0u);
  EXPECT_EQ(shownAfterExpose, 1u);
}

// A binding of no key (scancode 0) moved the player on every key SDL cannot name: media keys and
// Hyper all arrive with scancode 0.
TEST_F(TurnLoop, ABindingOfNoKeyNeverFires) {
  OpenArena();
  keyboard[ActionMoveUp] = SDL_SCANCODE_UNKNOWN;
  InputScript script;
  script.Key(SDL_SCANCODE_UNKNOWN).Wait().Key(SDL_SCANCODE_UP).Wait();
  Play(script);
  EXPECT_EQ(PlayerCell(), std::make_pair(PLAYER_X, PLAYER_Y));
}

// A save that could not be written left to the main menu all the same: the game was gone. Now the
// game stays in play behind a box that says why, the previous save is untouched, and Escape
// saves once the file can be written. Tests run as root, whom permissions do not stop: a folder
// where the temporary file would go makes the write fail.
TEST_F(TurnLoop, EscapeWithASaveThatCannotBeWrittenKeepsTheGame) {
  OpenArena();
  std::ofstream("game.sav") << "the previous save";
  std::filesystem::create_directory("game.sav.tmp");
  const std::string box = gLocalization->TFormat(
      "menu.saveFailed.game", {gLocalization->T("menu.saveFailed.cannotCreate")});
  int boxRow = -1;
  bool playingBehindTheBox = false;
  std::string saveAfterFailure;
  InputScript script;
  script.Key(SDL_SCANCODE_ESCAPE)
      .Wait()
      .Probe([&] {
        boxRow = ScreenRowOf(box);
        playingBehindTheBox = !gameOver && gameState == Playing;
        saveAfterFailure = ReadText("game.sav");
      })
      .Key(SDL_SCANCODE_SPACE)  // any key closes the box
      .Key(SDL_SCANCODE_RIGHT)
      .Wait()
      .Probe([] { std::filesystem::remove("game.sav.tmp"); })
      .Key(SDL_SCANCODE_ESCAPE)
      .Wait();
  testing::internal::CaptureStderr();
  Play(script);
  const std::string err = testing::internal::GetCapturedStderr();

  EXPECT_GE(boxRow, 0) << "no box saying: " << box;
  EXPECT_TRUE(playingBehindTheBox);
  EXPECT_EQ(saveAfterFailure, "the previous save");
  EXPECT_NE(err.find("game.sav could not be written: Failed to open file for writing\n"),
            std::string::npos)
      << err;
  EXPECT_EQ(PlayerCell(), std::make_pair(PLAYER_X + 1, PLAYER_Y)) << "the game went on";
  // The second Escape saved the game as it then was, and left.
  zokCSON::Value saved;
  ASSERT_EQ(zokCSON::ParseFile("game.sav", saved, nullptr), zokCSON::ErrorCode::Ok);
  EXPECT_EQ(saved.Find("Entities")->AsArray().front().Find("X")->AsNumber(), PLAYER_X + 1);
  EXPECT_EQ(gameState, InMenus);
}

}  // namespace
