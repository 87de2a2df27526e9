// Games saved from real play, in the states a player can leave them in, all load back whole: the
// loader's bounds must never refuse a file the game itself wrote.

#include <gtest/gtest.h>

#include <functional>
#include <list>
#include <sstream>
#include <string>
#include <vector>

#include "core/message.h"
#include "dungeon/map.h"
#include "persistence/savegame.h"
#include "play/play_fixture.h"
#include "play/progression.h"
#include "play/turnloop.h"
#include "world/basicenemy.h"
#include "world/confusedenemy.h"
#include "world/entity.h"
#include "world/equipment.h"
#include "world/fighter.h"
#include "world/item.h"

namespace {

// What a save keeps, as lines that compare: every entity of the floor and of the pack, the log,
// the floor and the state.
std::vector<std::string> Describe() {
  std::vector<std::string> lines;
  auto entity = [&lines](const char* where, const RKEntity* e) {
    std::ostringstream line;
    line << where << " " << e->name << " @" << e->x << "," << e->y << " " << int(e->appearance);
    if (e->fighter != nullptr) {
      line << " hp " << e->fighter->hp << "/" << e->fighter->GetMaxHP(true) << " L"
           << e->fighter->level << " xp " << e->fighter->xp;
    }
    lines.push_back(line.str());
  };
  for (const RKEntity* e : entities) entity("floor", e);
  for (const RKEntity* e : inventory) entity("pack", e);
  int shown = 0;
  for (const std::string& line : message->messages) {
    if (shown++ == 6) break;
    lines.push_back("log " + line);
  }
  lines.push_back("floor " + std::to_string(theMap->currentFloor));
  lines.push_back("state " + std::to_string(gameState));
  return lines;
}

using SaveStates = PlayGame;

TEST_F(SaveStates, EveryStateOfPlayLoadsBack) {
  struct State {
    const char* name;
    std::function<void()> reach;
  };
  const State states[] = {
      {"a new game", [] {}},
      {"a full pack, a taser worn",
       [this] {
         RKEntity* taser = MakeItem(RKKindId::Taser, 0, 0);
         Carry(taser);
         player->equipment->ToggleEquip(taser);
         while (inventory.size() < MAX_INVENTORY) Carry(MakeItem(RKKindId::FirstAidKit, 0, 0));
       }},
      {"the player defeated",
       [this] {
         OpenArena();
         player->fighter->TakeDamage(1000);
         ASSERT_EQ(gameState, PlayerDead);
       }},
      {"the tenth floor",
       [] {
         while (theMap->currentFloor < TOP_FLOOR) NextFloor();
       }},
      {"guards confused, knocked out and hurt",
       [this] {
         OpenArena();
         RKEntity* confused = AddGuard(PLAYER_X + 3, PLAYER_Y);
         auto* blinded = new RKConfusedEnemy();
         blinded->Init(confused->ai, 5);
         blinded->owner = confused;
         confused->ai = blinded;
         AddGuard(PLAYER_X - 3, PLAYER_Y)->fighter->TakeDamage(100);
         AddGuard(PLAYER_X, PLAYER_Y + 3)->fighter->TakeDamage(7);
       }},
      {"levels gained, hurt, wearing two pieces",
       [this] {
         player->fighter->SetLevel(4, true);
         player->fighter->SetMaxHP(160, true);
         player->fighter->SetHP(37, true);
         player->fighter->SetXP(123, true);
         RKEntity* taser = MakeItem(RKKindId::Taser, 0, 0);
         Carry(taser);
         player->equipment->ToggleEquip(taser);
         RKEntity* shield = MakeItem(RKKindId::RiotShield, 0, 0);
         Carry(shield);
         player->equipment->ToggleEquip(shield);
       }},
      {"a log of lines with the font's high bytes",
       [] {
         for (int i = 0; i < 9; ++i) {
           message->SetMessage("line " + std::to_string(i) + " " + char(0x82) + char(0xE9), false);
         }
       }},
  };
  for (const State& state : states) {
    SCOPED_TRACE(state.name);
    ASSERT_TRUE(NewGame());
    state.reach();
    const std::vector<std::string> before = Describe();
    ASSERT_TRUE(SaveGame());
    std::string version;
    ASSERT_EQ(LoadGame(version), LoadOk);
    EXPECT_EQ(Describe(), before);
  }
}

}  // namespace
