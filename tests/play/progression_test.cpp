#include <SDL3/SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "core/globals.h"
#include "core/message.h"
#include "dungeon/map.h"
#include "localization/localization.h"
#include "persistence/savegame.h"
#include "play/play_fixture.h"
#include "play/progression.h"
#include "play/turnloop.h"
#include "ui/globals.h"
#include "world/entity.h"
#include "world/fighter.h"

namespace {

using LevelUp = PlayGame;
using Floors = PlayGame;

TEST_F(LevelUp, ThresholdIsTwoHundredPlusOneHundredFiftyPerLevel) {
  EXPECT_EQ(ExperienceToLevel(1), 350);
  EXPECT_EQ(ExperienceToLevel(2), 500);
  EXPECT_EQ(ExperienceToLevel(3), 650);

  player->fighter->SetXP(349, true);
  EXPECT_FALSE(CheckLevelUp());
  EXPECT_EQ(player->fighter->level, 1);
  EXPECT_EQ(player->fighter->xp, 349);
}

struct Choice {
  const char* name;
  int downs;
  int maxHP, hp, power, defense;
};

class LevelUpChoice : public LevelUp, public testing::WithParamInterface<Choice> {};

TEST_P(LevelUpChoice, RaisesTheChosenStatistic) {
  const Choice& choice = GetParam();
  OpenArena();
  player->fighter->SetHP(50, true);
  player->fighter->SetXP(350, true);
  std::vector<std::string> shown;
  InputScript script;
  for (int i = 0; i < choice.downs; ++i) {
    script.Key(SDL_SCANCODE_DOWN);
  }
  script.Wait().Probe([&] { shown.assign(option.begin(), option.end()); }).Key(SDL_SCANCODE_RETURN);
  Play(script);

  RKFighter* fighter = player->fighter;
  EXPECT_EQ(fighter->level, 2);
  EXPECT_EQ(fighter->xp, 0);
  EXPECT_EQ(fighter->GetMaxHP(true), choice.maxHP);
  EXPECT_EQ(fighter->hp, choice.hp);
  EXPECT_EQ(fighter->GetPower(true), choice.power);
  EXPECT_EQ(fighter->GetDefense(true), choice.defense);
  EXPECT_TRUE(LogHas(gLocalization->TFormat("menu.levelUp.message", {"2"})));
  // Each line shows the statistic as it would become, equipment included.
  const std::string lines[] = {
      gLocalization->TFormat("menu.levelUp.vitality", {"120"}),
      gLocalization->TFormat("menu.levelUp.strength", {"5"}),
      gLocalization->TFormat("menu.levelUp.agility", {"2"}),
  };
  ASSERT_EQ(shown.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(shown[i], i == choice.downs ? "> " + lines[i] + " <" : lines[i]);
  }
}

// row           downs  maxHP  hp   power  defense
INSTANTIATE_TEST_SUITE_P(, LevelUpChoice,
                         testing::Values(Choice{"vitality", 0, 120, 70, 2, 1},
                                         Choice{"strength", 1, 100, 50, 3, 1},
                                         Choice{"agility", 2, 100, 50, 2, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(LevelUp, TheMenuWaitsForAChoice) {
  OpenArena();
  player->fighter->SetXP(350, true);
  bool stillAsking = false;
  InputScript script;
  script.Key(SDL_SCANCODE_ESCAPE)
      .Key(SDL_SCANCODE_X)
      .Wait()
      .Probe([&] { stillAsking = option.size() == 3 && gameState == Playing; })
      .Key(SDL_SCANCODE_RETURN)
      .Wait()
      .Key(SDL_SCANCODE_UP)
      .Wait();
  Play(script);

  EXPECT_TRUE(stillAsking);
  EXPECT_EQ(player->fighter->GetMaxHP(true), 120);
  EXPECT_EQ(player->y, PLAYER_Y - 1) << "the Escape pressed during the choice ended the game";
}

TEST_F(LevelUp, ASurplusGivesTheNextLevelOnTheNextFrame) {
  OpenArena();
  player->fighter->SetXP(900, true);
  std::pair<int, int> first, second;
  InputScript script;
  // Each probe runs after a choice, the first while the next frame asks for the next level.
  script.Wait()
      .Key(SDL_SCANCODE_RETURN)
      .Wait()
      .Probe([&] { first = {player->fighter->level, player->fighter->xp}; })
      .Key(SDL_SCANCODE_RETURN)
      .Wait()
      .Probe([&] { second = {player->fighter->level, player->fighter->xp}; });
  Play(script);

  EXPECT_EQ(first, std::make_pair(2, 550));
  EXPECT_EQ(second, std::make_pair(3, 50));
  EXPECT_EQ(player->fighter->GetMaxHP(true), 140);
}

RKEntity* StairsWithGlyph(unsigned char glyph) {
  for (RKEntity* entity : entities) {
    if (entity->name == "Stairs" && entity->appearance == glyph) {
      return entity;
    }
  }
  return nullptr;
}

bool PlayerOn(const RKEntity* entity) {
  return entity != nullptr && player->x == entity->x && player->y == entity->y;
}

TEST_F(Floors, StairsLeadUpWithHealingAndBackDownWithout) {
  RKEntity* up = StairsWithGlyph('<');
  ASSERT_NE(up, nullptr);
  ASSERT_EQ(StairsWithGlyph('>'), nullptr) << "floor 1 has no way down";
  player->x = up->x;
  player->y = up->y;
  player->fighter->SetHP(30, true);
  MakeItem(RKKindId::Taser, up->x, up->y);
  RKEntity* carried = MakeItem(RKKindId::FirstAidKit, 0, 0);
  Carry(carried);

  struct Seen {
    int floor = 0, hp = 0;
    bool onWayBack = false;
    std::string log;
  } afterUp, afterDown;
  InputScript script;
  script.Key(SDL_SCANCODE_SPACE)
      .Wait()
      .Probe([&] {
        afterUp = {theMap->currentFloor, player->fighter->hp, PlayerOn(StairsWithGlyph('>')),
                   LogText()};
      })
      .Key(SDL_SCANCODE_SPACE)
      .Wait()
      .Probe([&] {
        afterDown = {theMap->currentFloor, player->fighter->hp, PlayerOn(StairsWithGlyph('<')),
                     LogText()};
      });
  Play(script);

  EXPECT_EQ(afterUp.floor, 2);
  EXPECT_EQ(afterUp.hp, 80);
  EXPECT_TRUE(afterUp.onWayBack);
  std::string nine = gLocalization->TFormat("message.floorChange", {"9"});
  ASSERT_NE(nine.find('9'), std::string::npos) << "no catalogue loaded";
  EXPECT_TRUE(LogHas(gLocalization->T("message.recharge")));
  EXPECT_TRUE(LogHas(nine));

  EXPECT_EQ(afterDown.floor, 1);
  EXPECT_EQ(afterDown.hp, 80);
  EXPECT_TRUE(afterDown.onWayBack);
  EXPECT_TRUE(LogHas(gLocalization->TFormat("message.floorChange", {"10"})));
  EXPECT_EQ(LogCount(gLocalization->T("message.recharge")), 1);

  // Only the pack travels: the taser left on floor 1 is gone, the kit is still carried.
  for (RKEntity* entity : entities) {
    EXPECT_NE(entity->name, "Taser");
  }
  EXPECT_NE(std::find(inventory.begin(), inventory.end(), carried), inventory.end());
  EXPECT_EQ(std::count(entities.begin(), entities.end(), player), 1);
}

std::string FileText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

TEST_F(Floors, TheExitEndsTheGameAndContinuingFindsTheLastSave) {
  for (auto it = entities.begin(); it != entities.end();) {
    if (*it == player) {
      ++it;
    } else {
      delete *it;
      it = entities.erase(it);
    }
  }
  theMap->CreateMap(10, player, entities, funcVec, useFuncVec, true);
  RKEntity* exit = nullptr;
  for (RKEntity* entity : entities) {
    if (entity->name == "Exit") {
      exit = entity;
    }
  }
  ASSERT_NE(exit, nullptr);

  // Leave with Escape once, a step away from where the game is won.
  InputScript leave;
  leave.Key(SDL_SCANCODE_ESCAPE);
  Play(leave);
  std::string saved = FileText("game.sav");
  ASSERT_FALSE(saved.empty());
  std::pair<int, int> savedCell{player->x, player->y};

  Resume();
  player->x = exit->x;
  player->y = exit->y;
  bool boxShown = false;
  InputScript script;
  script.Key(SDL_SCANCODE_SPACE)
      .Wait()
      .Probe([&] {
        boxShown = option.size() == 1 && option.front() == gLocalization->T("ending.message") &&
                   !inventoryMessages.empty() && ScreenRowOf(inventoryMessages.front()) != -1;
      })
      .Key(SDL_SCANCODE_X);
  Play(script);

  EXPECT_TRUE(boxShown);
  EXPECT_TRUE(gameOver);
  EXPECT_EQ(gameState, InMenus);
  EXPECT_TRUE(FileText("game.sav") == saved) << "the won game was saved";

  std::string version;
  ASSERT_EQ(LoadGame(version), LoadOk);
  EXPECT_EQ(theMap->currentFloor, 10);
  EXPECT_EQ(std::make_pair(player->x, player->y), savedCell);
  EXPECT_EQ(gameState, Playing);
}

}  // namespace
