#include <SDL3/SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "core/globals.h"
#include "core/message.h"
#include "localization/localization.h"
#include "play/play_fixture.h"
#include "play/turnloop.h"
#include "ui/globals.h"
#include "world/entity.h"
#include "world/equipment.h"
#include "world/fighter.h"

namespace {

using Commands = PlayGame;

bool OnFloor(const RKEntity* entity) {
  return std::find(entities.begin(), entities.end(), entity) != entities.end();
}

TEST_F(Commands, TakingPicksUpTheItemUnderThePlayerOnly) {
  OpenArena();
  RKEntity* aside = MakeItem(RKKindId::FirstAidKit, PLAYER_X + 1, PLAYER_Y);
  InputScript script;
  script.Key(SDL_SCANCODE_G).Wait();
  Play(script);
  EXPECT_TRUE(OnFloor(aside));
  EXPECT_EQ(inventory.size(), 1u);
  EXPECT_EQ(message->messages.size(), 1u) << "taking nothing wrote to the log";

  RKEntity* under = MakeItem(RKKindId::FirstAidKit, PLAYER_X, PLAYER_Y);
  InputScript again;
  again.Key(SDL_SCANCODE_G).Wait();
  Resume();
  Play(again);
  EXPECT_FALSE(OnFloor(under));
  EXPECT_EQ(inventory.front(), under);
  EXPECT_TRUE(LogHas(gLocalization->TFormat("message.itemPickedUp", {under->GetDisplayName()})));
}

TEST_F(Commands, ThePackHoldsTwentySixItems) {
  struct Row {
    std::size_t carried;
    bool picked;
  };
  for (const Row& row : {Row{25, true}, Row{26, false}}) {
    SCOPED_TRACE(testing::Message() << row.carried << " carried");
    ASSERT_TRUE(NewGame());
    OpenArena();
    while (inventory.size() < row.carried) {
      Carry(MakeItem(RKKindId::FirstAidKit, 0, 0));
    }
    RKEntity* kit = MakeItem(RKKindId::FirstAidKit, PLAYER_X, PLAYER_Y);
    InputScript script;
    script.Key(SDL_SCANCODE_G).Wait();
    Play(script);
    EXPECT_EQ(OnFloor(kit), !row.picked);
    EXPECT_EQ(LogHas(gLocalization->TFormat("message.inventoryFull", {kit->GetDisplayName()})),
              !row.picked);
  }
}

TEST_F(Commands, DroppingTheWornBatonTakesItOffSilently) {
  OpenArena();
  RKEntity* baton = inventory.front();
  bool promptShown = false;
  InputScript script;
  script.Key(SDL_SCANCODE_D)
      .Wait()
      .Probe([&] { promptShown = showInventory; })
      .Key(LetterOf(baton))
      .Wait();
  Play(script);

  EXPECT_TRUE(promptShown);
  EXPECT_FALSE(showInventory);
  EXPECT_TRUE(inventory.empty());
  EXPECT_EQ(entities.front(), baton);
  EXPECT_EQ(std::make_pair(baton->x, baton->y), std::make_pair(PLAYER_X, PLAYER_Y));
  EXPECT_EQ(player->equipment->mainHand, nullptr);
  EXPECT_FALSE(LogHas(gLocalization->TFormat("message.dequipped", {baton->GetDisplayName()})));
  EXPECT_TRUE(LogHas(gLocalization->TFormat("message.itemDropped", {baton->GetDisplayName()})));
}

TEST_F(Commands, ClosingTheMenusWithoutAChoiceChangesNothing) {
  OpenArena();
  Carry(MakeItem(RKKindId::FirstAidKit, 0, 0));
  // Letters past the last item close the menu without a choice.
  InputScript script;
  script.Key(SDL_SCANCODE_D).Key(SDL_SCANCODE_X).Key(SDL_SCANCODE_I).Key(SDL_SCANCODE_Z).Wait();
  Play(script);
  EXPECT_EQ(inventory.size(), 2u);
  EXPECT_NE(player->equipment->mainHand, nullptr);
  EXPECT_FALSE(showInventory);
  EXPECT_EQ(message->messages.size(), 1u);
}

TEST_F(Commands, EquippingTheTaserTellsTheBatonCameOffFirst) {
  OpenArena();
  RKEntity* baton = inventory.front();
  RKEntity* taser = MakeItem(RKKindId::Taser, 0, 0);
  Carry(taser);
  InputScript script;
  script.Key(SDL_SCANCODE_I).Key(LetterOf(taser)).Wait();
  Play(script);

  EXPECT_EQ(player->equipment->mainHand, taser);
  EXPECT_EQ(player->fighter->GetPower(false), 5);
  EXPECT_EQ(inventory.size(), 2u);
  std::string log = LogText();
  std::string off =
      Capitalised(gLocalization->TFormat("message.dequipped", {baton->GetDisplayName()}));
  std::string on =
      Capitalised(gLocalization->TFormat("message.equipped", {taser->GetDisplayName()}));
  ASSERT_NE(log.find(off), std::string::npos);
  ASSERT_NE(log.find(on), std::string::npos);
  EXPECT_LT(log.find(off), log.find(on));
}

TEST_F(Commands, TheCharacterBoxReadsTopToBottom) {
  struct Row {
    int level;
    const char* toLevel;
  };
  for (const Row& row : {Row{1, "350"}, Row{2, "500"}}) {
    SCOPED_TRACE(testing::Message() << "level " << row.level);
    ASSERT_TRUE(NewGame());
    OpenArena();
    player->fighter->SetLevel(row.level, true);
    player->fighter->SetXP(123, true);
    const std::string expected[] = {
        gLocalization->TFormat("characterInfo.maxHp", {"100"}),
        gLocalization->TFormat("characterInfo.attack", {"4"}),
        gLocalization->TFormat("characterInfo.defense", {"1"}),
        gLocalization->TFormat("characterInfo.experienceToLevel", {row.toLevel}),
        gLocalization->TFormat("characterInfo.experience", {"123"}),
    };
    std::vector<std::string> shown;
    std::vector<int> rows;
    InputScript script;
    script.Key(SDL_SCANCODE_C)
        .Wait()
        .Probe([&] {
          shown.assign(option.begin(), option.end());
          for (const std::string& line : expected) {
            rows.push_back(ScreenRowOf(line));
          }
        })
        .Key(SDL_SCANCODE_X);
    Play(script);

    EXPECT_EQ(shown, std::vector<std::string>(std::begin(expected), std::end(expected)));
    ASSERT_EQ(rows.size(), std::size(expected));
    for (std::size_t i = 0; i < rows.size(); ++i) {
      EXPECT_NE(rows[i], -1) << expected[i] << " is not on screen";
      if (i > 0) {
        EXPECT_EQ(rows[i], rows[i - 1] + 8);
      }
    }
  }
}

}  // namespace

// Closing the window while a command's box was open used to be forgotten: the box closed and
// the game went on. Now the game ends after that frame, unsaved, like any close during play.
TEST_F(Commands, ClosingTheWindowInACommandsBoxSavesAndEndsTheGame) {
  struct Row {
    const char* name;
    SDL_Scancode key;
  };
  for (const Row& row : {Row{"character box", SDL_SCANCODE_C}, Row{"drop prompt", SDL_SCANCODE_D},
                         Row{"use prompt", SDL_SCANCODE_I}}) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(NewGame());
    OpenArena();
    InputScript script;
    // Had the close been lost, the game would still be running for the steps to the right.
    script.Key(row.key).Quit().Key(SDL_SCANCODE_RIGHT).Key(SDL_SCANCODE_RIGHT);
    Play(script);
    EXPECT_EQ(player->x, PLAYER_X) << "the game went on after the window was closed";
    EXPECT_EQ(gameState, InMenus);
    EXPECT_TRUE(std::filesystem::exists("game.sav"));
  }
}
