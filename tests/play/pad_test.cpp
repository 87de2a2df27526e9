// The game played with a pad alone: SDL's virtual pads plugged into the headless game, their
// buttons and stick pressed between the stepped frames.

#include <SDL3/SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <list>
#include <optional>
#include <string>
#include <vector>

#include "core/message.h"
#include "dungeon/map.h"
#include "input/input.h"
#include "localization/localization.h"
#include "persistence/keybindings.h"
#include "persistence/settings.h"
#include "play/mainmenu.h"
#include "play/play_fixture.h"
#include "play/progression.h"
#include "play/turnloop.h"
#include "ui/menu.h"
#include "ui/optionsmenu.h"
#include "world/confusedenemy.h"
#include "world/entity.h"
#include "world/fighter.h"
#include "world/kinds.h"

namespace {

using Pad = PlayGame;

constexpr Sint16 FULL = 32767;
// In a row of buttons: the stick instead.
constexpr SDL_GamepadButton STICK = SDL_GAMEPAD_BUTTON_INVALID;
// Line numbers of the options menu.
constexpr int OPTIONS_LANGUAGE_LINE = 12;
constexpr int OPTIONS_SAVE_LINE = 14;

bool Carried(const RKEntity* item) {
  return std::find(inventory.begin(), inventory.end(), item) != inventory.end();
}

RKEntity* AddStairs(int x, int y) {
  RKEntity* stairs = NewEntity(KindOf(RKKindId::StairsUp), x, y, theMap);
  entities.push_front(stairs);
  return stairs;
}

// Presses the button `times` times, one step each.
InputScript& PadPresses(InputScript& script, VirtualPad& pad, SDL_GamepadButton button, int times) {
  for (int i = 0; i < times; ++i) PadPress(script, pad, button);
  return script;
}

TEST_F(Pad, TheDPadAndTheStickMoveOneCellAPress) {
  struct Row {
    const char* name;
    SDL_GamepadButton button;  // SDL_GAMEPAD_BUTTON_INVALID: the stick instead
    Sint16 x, y;               // the stick's lean
    int dx, dy;
  };
  // name                   button                          stick x  stick y   dx  dy
  const Row rows[] = {
      {"d-pad up", SDL_GAMEPAD_BUTTON_DPAD_UP, 0, 0, 0, -1},
      {"d-pad down", SDL_GAMEPAD_BUTTON_DPAD_DOWN, 0, 0, 0, 1},
      {"d-pad left", SDL_GAMEPAD_BUTTON_DPAD_LEFT, 0, 0, -1, 0},
      {"d-pad right", SDL_GAMEPAD_BUTTON_DPAD_RIGHT, 0, 0, 1, 0},
      {"stick up", STICK, 0, -FULL, 0, -1},
      {"stick right, a little down", STICK, FULL, 9000, 1, 0},
      {"stick down", STICK, 0, 20000, 0, 1},
      {"stick left", STICK, -FULL, 0, -1, 0},
      {"stick leaning too little", STICK, 12000, 12000, 0, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(NewGame());
    OpenArena();
    VirtualPad pad;
    InputScript script;
    if (row.button == STICK) {
      StickFlick(script, pad, row.x, row.y);
    } else {
      PadPress(script, pad, row.button);
    }
    script.Wait();
    Play(script);
    EXPECT_EQ(player->x, PLAYER_X + row.dx);
    EXPECT_EQ(player->y, PLAYER_Y + row.dy);
  }
}

// A held direction steps once at once, again after 400 ms and then every 150 ms: no faster than
// a keyboard repeats, and never more than one step in two frames.
TEST_F(Pad, AHeldDirectionRepeatsAtAKeyboardsPace) {
  OpenArena();
  VirtualPad pad;
  InputScript script;
  PadHold(script, pad, SDL_GAMEPAD_BUTTON_DPAD_RIGHT, true).Idle(1000);
  PadHold(script, pad, SDL_GAMEPAD_BUTTON_DPAD_RIGHT, false).Idle(1000).Wait();
  Play(script);
  // At 0, 400, 550, 700 and 850 ms, and perhaps at 1000 as it is let go.
  const int steps = player->x - PLAYER_X;
  EXPECT_GE(steps, 5);
  EXPECT_LE(steps, 6);
}

TEST_F(Pad, TheFaceButtonTakesWhatLiesHereOrElseUsesTheStairs) {
  OpenArena();
  RKEntity* kit = MakeItem(RKKindId::FirstAidKit, PLAYER_X, PLAYER_Y);
  AddStairs(PLAYER_X, PLAYER_Y);
  VirtualPad pad;
  int floorAfterTaking = 0;
  InputScript script;
  PadPress(script, pad, SDL_GAMEPAD_BUTTON_SOUTH).Wait().Probe([&] {
    floorAfterTaking = theMap->currentFloor;
  });
  PadPress(script, pad, SDL_GAMEPAD_BUTTON_SOUTH).Wait();
  Play(script);
  EXPECT_TRUE(Carried(kit));
  EXPECT_EQ(floorAfterTaking, 1) << "the item first, not the stairs as well";
  EXPECT_EQ(theMap->currentFloor, 2);
}

// What each face button opens, and how the box opened is closed again by the pad.
TEST_F(Pad, TheOtherButtonsOpenThePackTheDropAndTheCharacter) {
  struct Row {
    const char* name;
    SDL_GamepadButton button;
    const char* promptKey;  // the inventory's prompt; null for the character box
  };
  const Row rows[] = {
      {"use or equip", SDL_GAMEPAD_BUTTON_WEST, "pad.usePrompt"},
      {"drop", SDL_GAMEPAD_BUTTON_NORTH, "pad.dropPrompt"},
      {"character", SDL_GAMEPAD_BUTTON_EAST, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(NewGame());
    OpenArena();
    VirtualPad pad;
    bool inventoryShown = false;
    std::vector<std::string> lines;
    InputScript script;
    PadPress(script, pad, row.button).Wait().Probe([&] {
      inventoryShown = showInventory;
      lines.assign(inventoryMessages.begin(), inventoryMessages.end());
    });
    PadPress(script, pad, SDL_GAMEPAD_BUTTON_EAST).Wait();
    Play(script);
    EXPECT_EQ(inventoryShown, row.promptKey != nullptr);
    if (row.promptKey != nullptr) {
      const std::string prompt = gLocalization->TFormat(row.promptKey, {"A", "B"});
      ASSERT_FALSE(lines.empty());
      EXPECT_EQ(lines.front(), Capitalised(prompt).substr(0, lines.front().size()));
    } else {
      EXPECT_EQ(option.front(),
                gLocalization->TFormat("characterInfo.maxHp",
                                       {std::to_string(player->fighter->GetMaxHP(false))}));
    }
    EXPECT_FALSE(showInventory);
    EXPECT_EQ(inventory.size(), 1u) << "the baton stays";
  }
}

TEST_F(Pad, StartSavesAndLeavesAsEscapeDoes) {
  OpenArena();
  std::filesystem::remove("game.sav");
  VirtualPad pad;
  InputScript script;
  PadPress(script, pad, SDL_GAMEPAD_BUTTON_DPAD_LEFT);
  PadPress(script, pad, SDL_GAMEPAD_BUTTON_START).Wait();
  script.Start();
  RunGame();
  script.Stop();
  EXPECT_FALSE(quitRequested);
  EXPECT_TRUE(gameOver);
  EXPECT_TRUE(std::filesystem::exists("game.sav"));
  EXPECT_EQ(player->x, PLAYER_X - 1);
}

// The grenade and the spray chosen with the pack's marker and aimed with the pad's cursor,
// which starts on the player.
TEST_F(Pad, AimingMovesACursorCellByCellConfirmThrowsCancelAbandons) {
  OpenArena();
  RKEntity* near = AddGuard(PLAYER_X + 2, PLAYER_Y + 1, 30);
  RKEntity* far = AddGuard(PLAYER_X + 6, PLAYER_Y, 30);
  RKEntity* spray = MakeItem(RKKindId::PepperSpray, 0, 0);
  Carry(spray);
  RKEntity* grenade = MakeItem(RKKindId::StunGrenade, 0, 0);
  Carry(grenade);  // the marker's first line
  VirtualPad pad;
  std::string promptShown;
  InputScript script;
  PadPress(script, pad, SDL_GAMEPAD_BUTTON_WEST);
  PadPress(script, pad, SDL_GAMEPAD_BUTTON_SOUTH).Wait().Probe([&] {
    promptShown = message->messages.front();
  });
  // Beyond the reach of 3 nothing is thrown; back one cell it is.
  PadPresses(script, pad, SDL_GAMEPAD_BUTTON_DPAD_RIGHT, 4);
  PadPress(script, pad, SDL_GAMEPAD_BUTTON_SOUTH);
  PadPress(script, pad, SDL_GAMEPAD_BUTTON_DPAD_LEFT);
  PadPress(script, pad, SDL_GAMEPAD_BUTTON_SOUTH).Wait();
  // The spray, now the first line, aimed and abandoned.
  PadPress(script, pad, SDL_GAMEPAD_BUTTON_WEST);
  PadPress(script, pad, SDL_GAMEPAD_BUTTON_SOUTH);
  PadPresses(script, pad, SDL_GAMEPAD_BUTTON_DPAD_RIGHT, 6);
  PadPress(script, pad, SDL_GAMEPAD_BUTTON_EAST).Wait();
  Play(script);

  EXPECT_EQ(promptShown, Capitalised(gLocalization->TFormat("pad.stunPrompt", {"A", "B"})));
  EXPECT_FALSE(Carried(grenade));
  ASSERT_NE(near->fighter, nullptr);
  EXPECT_EQ(near->fighter->hp, 5) << "the blast at 3 cells east reaches it";
  EXPECT_TRUE(Carried(spray));
  EXPECT_EQ(dynamic_cast<RKConfusedEnemy*>(far->ai), nullptr);
  EXPECT_FALSE(LogHas(gLocalization->TFormat("pad.pepperPrompt", {"A", "B"})))
      << "the abandoned aim takes its prompt back";
}

// A pad plugged in while a menu or an aim waits works at once; pulled out, it leaves nothing
// held and the keyboard goes on.
TEST_F(Pad, PluggedInAndPulledOutInTheMiddleOfAMenuAndOfAnAim) {
  std::optional<VirtualPad> pad;
  int selected = 0;
  std::list<std::string> options = {"one", "two", "three"};
  InputScript menu;
  menu.Do([&] { pad.emplace(); }).Do([&] {
    pad->Set(SDL_GAMEPAD_BUTTON_DPAD_DOWN, true);
    pad->Set(SDL_GAMEPAD_BUTTON_DPAD_DOWN, false);
  });
  menu.Do([&] { pad.reset(); }).Key(SDL_SCANCODE_DOWN).Key(SDL_SCANCODE_RETURN);
  bool confirmed = false;
  menu.Start();
  while (!confirmed && !quitRequested) {
    confirmed = MenuConfirmed("Pick", options, 560, selected, false);
  }
  menu.Stop();
  EXPECT_TRUE(confirmed);
  EXPECT_EQ(selected, 2);

  OpenArena();
  RKEntity* grenade = MakeItem(RKKindId::StunGrenade, 0, 0);
  Carry(grenade);
  InputScript aim;
  aim.Key(SDL_SCANCODE_I).Key(LetterOf(grenade));
  aim.Do([&] { pad.emplace(); }).Do([&] { pad->Set(SDL_GAMEPAD_BUTTON_DPAD_RIGHT, true); });
  // Pulled out while its direction is held: the cursor stops where it was.
  aim.Idle(500).Do([&] { pad.reset(); }).Idle(1000);
  aim.Key(SDL_SCANCODE_ESCAPE).Key(SDL_SCANCODE_RIGHT).Wait();
  Play(aim);
  EXPECT_TRUE(Carried(grenade)) << "Escape on the keyboard abandoned the aim";
  EXPECT_EQ(player->x, PLAYER_X + 1) << "one step, with no direction left held";
}

// The prompts and the options menu name the buttons of the pad last pressed, by its labels, and
// the keys again once a key is pressed; a pad's cancel leaves the options menu, discarding.
TEST_F(Pad, PromptsFollowTheDeviceLastUsedAndItsLabels) {
  struct Row {
    const char* name;
    Uint16 vendor, product;
    const char* confirm;
    const char* cancel;
  };
  const Row rows[] = {
      {"an Xbox pad", VirtualPad::XBOX_VENDOR, VirtualPad::XBOX_PRODUCT, "pad.a", "pad.b"},
      {"a PlayStation pad", VirtualPad::PS4_VENDOR, VirtualPad::PS4_PRODUCT, "pad.cross",
       "pad.circle"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string confirm = gLocalization->T(row.confirm);
    const std::string cancel = gLocalization->T(row.cancel);
    VirtualPad pad(row.vendor, row.product);
    std::string takeByPad, takeByKey, promptByPad, promptByKey;
    InputScript script;
    PadPress(script, pad, SDL_GAMEPAD_BUTTON_DPAD_DOWN).Probe([&] {
      std::vector<std::string> lines;
      AppendKeyBindingLines(lines);
      takeByPad = lines[ActionTake];
      promptByPad = PromptText("message.stunPrompt");
    });
    script.Key(SDL_SCANCODE_UP).Probe([&] {
      std::vector<std::string> lines;
      AppendKeyBindingLines(lines);
      takeByKey = lines[ActionTake];
      promptByKey = PromptText("message.stunPrompt");
    });
    script.Key(SDL_SCANCODE_DOWN);
    PadPress(script, pad, SDL_GAMEPAD_BUTTON_EAST);
    script.Start();
    OptionsMenu();
    script.Stop();

    EXPECT_EQ(takeByPad, gLocalization->T("options.keybinding.take") + confirm);
    EXPECT_EQ(promptByPad, gLocalization->TFormat("pad.stunPrompt", {confirm, cancel}));
    EXPECT_EQ(takeByKey, gLocalization->T("options.keybinding.take") + "G");
    EXPECT_EQ(promptByKey, gLocalization->T("message.stunPrompt"));
    EXPECT_TRUE(script.Finished()) << "the cancel button left the menu";
  }
}

// A button captured in the options menu is bound, swapped with the action that had it, saved
// and read back; the cancel button and Start bind nothing.
TEST_F(Pad, ButtonsAreReboundInTheOptionsMenuAndKept) {
  VirtualPad pad;
  InputScript script;
  const int dropLine = ActionDrop;
  PadPresses(script, pad, SDL_GAMEPAD_BUTTON_DPAD_DOWN, dropLine);
  PadPress(script, pad, SDL_GAMEPAD_BUTTON_SOUTH);
  PadPress(script, pad, SDL_GAMEPAD_BUTTON_EAST);  // cancels the capture
  PadPress(script, pad, SDL_GAMEPAD_BUTTON_SOUTH);
  PadPress(script, pad, SDL_GAMEPAD_BUTTON_START);  // leaves games: not bound
  PadPress(script, pad, SDL_GAMEPAD_BUTTON_SOUTH);
  PadPress(script, pad, SDL_GAMEPAD_BUTTON_WEST);  // the inventory's: the two swap
  PadPresses(script, pad, SDL_GAMEPAD_BUTTON_DPAD_DOWN, OPTIONS_SAVE_LINE - dropLine);
  PadPress(script, pad, SDL_GAMEPAD_BUTTON_SOUTH);
  script.Start();
  OptionsMenu();
  script.Stop();

  EXPECT_EQ(padButtons[ActionDrop], SDL_GAMEPAD_BUTTON_WEST);
  EXPECT_EQ(padButtons[ActionInventory], SDL_GAMEPAD_BUTTON_NORTH);
  padButtons.clear();
  ASSERT_TRUE(LoadGameSettings());
  EXPECT_EQ(padButtons[ActionDrop], SDL_GAMEPAD_BUTTON_WEST);
  EXPECT_EQ(padButtons[ActionInventory], SDL_GAMEPAD_BUTTON_NORTH);
  EXPECT_EQ(padButtons[ActionTake], SDL_GAMEPAD_BUTTON_SOUTH);
}

// The actions the page's touch controls hand in (and the tests): a direction steps in play and
// moves a menu's marker, whichever of the two forms it comes in.
TEST_F(Pad, ActionsHandedInWorkAsTheirPresses) {
  OpenArena();
  RKEntity* kit = MakeItem(RKKindId::FirstAidKit, PLAYER_X + 1, PLAYER_Y + 1);
  InputScript play;
  play.Act(RKAction::MoveRight).Act(RKAction::Down).Act(RKAction::ActOnCell).Wait();
  Play(play);
  EXPECT_EQ(player->x, PLAYER_X + 1);
  EXPECT_EQ(player->y, PLAYER_Y + 1);
  EXPECT_TRUE(Carried(kit));

  int selected = 0;
  std::list<std::string> options = {"one", "two", "three"};
  InputScript menu;
  menu.Act(RKAction::MoveDown).Act(RKAction::Down).Act(RKAction::Confirm);
  bool confirmed = false;
  menu.Start();
  while (!confirmed && !quitRequested) {
    confirmed = MenuConfirmed("Pick", options, 560, selected, false);
  }
  menu.Stop();
  EXPECT_TRUE(confirmed);
  EXPECT_EQ(selected, 2);
}

// A floor played with the pad alone: a walk to an item, taken; a guard fought until it lies
// down; the level that earns, chosen; the stairs.
TEST_F(Pad, AFloorPlayedByPad) {
  OpenArena();
  RKEntity* kit = MakeItem(RKKindId::FirstAidKit, PLAYER_X + 2, PLAYER_Y);
  RKEntity* guard = AddGuard(PLAYER_X + 2, PLAYER_Y + 2, 1);
  delete guard->ai;  // it waits where it stands
  guard->ai = nullptr;
  AddStairs(PLAYER_X + 3, PLAYER_Y + 1);
  player->fighter->SetXP(ExperienceToLevel(1) - 1, true);
  const int defense = player->fighter->GetDefense(true);
  VirtualPad pad;
  InputScript script;
  PadPresses(script, pad, SDL_GAMEPAD_BUTTON_DPAD_RIGHT, 2);
  PadPress(script, pad, SDL_GAMEPAD_BUTTON_SOUTH);                  // the kit
  PadPress(script, pad, SDL_GAMEPAD_BUTTON_DPAD_DOWN);              // to (2, 1)
  PadPress(script, pad, SDL_GAMEPAD_BUTTON_DPAD_DOWN);              // into the guard at (2, 2)
  PadPresses(script, pad, SDL_GAMEPAD_BUTTON_DPAD_DOWN, 2).Wait();  // the level-up box: defense
  std::string guardAfter;
  PadPress(script, pad, SDL_GAMEPAD_BUTTON_SOUTH).Wait().Probe([&] { guardAfter = guard->name; });
  PadPress(script, pad, SDL_GAMEPAD_BUTTON_DPAD_RIGHT);  // onto the stairs at (3, 1)
  PadPress(script, pad, SDL_GAMEPAD_BUTTON_SOUTH).Wait();
  Play(script);

  EXPECT_TRUE(Carried(kit));
  EXPECT_EQ(guardAfter, "Unconscious Guard");
  EXPECT_EQ(player->fighter->level, 2);
  EXPECT_EQ(player->fighter->GetDefense(true), defense + 1);
  EXPECT_EQ(theMap->currentFloor, 2);
}

// From the main menu through a new game, the options (a language changed and kept) and the
// help, to quitting, with no key pressed.
TEST_F(Pad, TheMainMenuItsOptionsAndHelpByPad) {
  VirtualPad pad;
  const std::string firstLanguage = gLocalization->GetCurrentLanguageCode();
  bool played = false;
  bool helpShown = false;
  InputScript script;
  PadPress(script, pad, SDL_GAMEPAD_BUTTON_SOUTH).Wait().Probe([&] {
    played = gameState == Playing;
  });
  PadPress(script, pad, SDL_GAMEPAD_BUTTON_DPAD_RIGHT);
  PadPress(script, pad, SDL_GAMEPAD_BUTTON_START).Wait();
  PadPresses(script, pad, SDL_GAMEPAD_BUTTON_DPAD_DOWN, 2);  // options
  PadPress(script, pad, SDL_GAMEPAD_BUTTON_SOUTH);
  PadPresses(script, pad, SDL_GAMEPAD_BUTTON_DPAD_UP, 16 - OPTIONS_LANGUAGE_LINE);
  PadPress(script, pad, SDL_GAMEPAD_BUTTON_SOUTH);
  PadPresses(script, pad, SDL_GAMEPAD_BUTTON_DPAD_DOWN, OPTIONS_SAVE_LINE - OPTIONS_LANGUAGE_LINE);
  PadPress(script, pad, SDL_GAMEPAD_BUTTON_SOUTH);
  PadPress(script, pad, SDL_GAMEPAD_BUTTON_DPAD_DOWN);  // help
  PadPress(script, pad, SDL_GAMEPAD_BUTTON_SOUTH).Wait().Probe([&] {
    helpShown = option.back() == gLocalization->T("pad.helpReturn");
  });
  PadPress(script, pad, SDL_GAMEPAD_BUTTON_EAST);
  PadPress(script, pad, SDL_GAMEPAD_BUTTON_DPAD_DOWN);  // quit
  PadPress(script, pad, SDL_GAMEPAD_BUTTON_SOUTH);
  script.Start();
  MainMenu();
  script.Stop();

  EXPECT_TRUE(played);
  EXPECT_TRUE(std::filesystem::exists("game.sav"));
  EXPECT_NE(gLocalization->GetCurrentLanguageCode(), firstLanguage);
  EXPECT_NE(ReadText("game.cfg").find("Language: \"" + gLocalization->GetCurrentLanguageCode()),
            std::string::npos);
  EXPECT_TRUE(helpShown);
  EXPECT_FALSE(quitRequested);
  EXPECT_TRUE(script.Finished());
}

}  // namespace
