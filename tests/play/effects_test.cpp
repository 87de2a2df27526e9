#include <SDL3/SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "core/message.h"
#include "dungeon/map.h"
#include "localization/localization.h"
#include "play/effects.h"
#include "play/play_fixture.h"
#include "play/turnloop.h"
#include "world/confusedenemy.h"
#include "world/entity.h"
#include "world/fighter.h"
#include "world/tile.h"

namespace {

using Effects = PlayGame;

bool Carried(const RKEntity* item) {
  return std::find(inventory.begin(), inventory.end(), item) != inventory.end();
}

TEST_F(Effects, FirstAidKitHealsOnlyWhenHurt) {
  struct Row {
    int hp;
    bool used;
    int hpAfter;
    const char* messageKey;
  };
  // hp before  used   hp after  message
  const Row rows[] = {
      {100, false, 100, "message.fullHealth"},
      {90, true, 100, "message.heal"},
      {30, true, 70, "message.heal"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "hp " << row.hp);
    ASSERT_TRUE(NewGame());
    OpenArena();
    player->fighter->SetHP(row.hp, true);
    RKEntity* kit = MakeItem(RKKindId::FirstAidKit, 0, 0);
    Carry(kit);
    InputScript script;
    script.Key(SDL_SCANCODE_I).Key(LetterOf(kit)).Wait();
    Play(script);

    EXPECT_EQ(player->fighter->hp, row.hpAfter);
    EXPECT_EQ(inventory.size(), row.used ? 1u : 2u);
    EXPECT_TRUE(LogHas(gLocalization->T(row.messageKey)));
  }
}

// The dart takes 40 hit points from the nearest guard in view at a distance of at most 5,
// counted in whole cells.
TEST_F(Effects, TranquilizerGunHitsTheNearestGuardWithinFive) {
  struct Row {
    const char* name;
    int dx, dy;
    bool pillar;  // a wall between the player and the guard
    int hp;
    bool hit;
    int hpAfter;  // 0: knocked out
  };
  const Row rows[] = {
      {"5.83 truncates to 5", 5, 3, false, 20, true, 0},
      {"6 is too far", 6, 0, false, 20, false, 20},
      {"out of view", 3, 0, true, 20, false, 20},
      {"50 hit points keep 10", 2, 0, false, 50, true, 10},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(NewGame());
    OpenArena();
    if (row.pillar) {
      theMap->tiles[CellIndex(PLAYER_X + 1, PLAYER_Y)]->Init(true, false);
      RefreshView();
    }
    RKEntity* guard = AddGuard(PLAYER_X + row.dx, PLAYER_Y + row.dy, row.hp);
    std::string name = guard->GetDisplayName();
    RKEntity* gun = MakeItem(RKKindId::TranquilizerGun, 0, 0);
    Carry(gun);
    InputScript script;
    script.Key(SDL_SCANCODE_I).Key(LetterOf(gun)).Wait();
    Play(script);

    EXPECT_EQ(Carried(gun), !row.hit);
    EXPECT_EQ(guard->fighter == nullptr, row.hpAfter == 0);
    if (guard->fighter != nullptr) {
      EXPECT_EQ(guard->fighter->hp, row.hpAfter);
    }
    EXPECT_EQ(LogHas(gLocalization->TFormat("message.tranquilizerHit", {name, "40"})), row.hit);
    EXPECT_EQ(LogHas(gLocalization->T("message.noTranquilizerTarget")), !row.hit);
  }
}

TEST_F(Effects, ClosestEnemyKeepsTheEarlierOfTwoAtTheSameDistance) {
  OpenArena();
  // Both at distance 3; a nearer one out of view must not count.
  RKEntity* east = AddGuard(PLAYER_X + 3, PLAYER_Y);
  RKEntity* south = AddGuard(PLAYER_X, PLAYER_Y + 3);
  theMap->tiles[CellIndex(PLAYER_X - 2, PLAYER_Y)]->Init(true, false);
  RefreshView();
  AddGuard(PLAYER_X - 3, PLAYER_Y);
  EXPECT_EQ(ClosestEnemy(5), east);
  entities.remove(south);
  entities.push_front(south);
  EXPECT_EQ(ClosestEnemy(5), south);
  EXPECT_EQ(ClosestEnemy(2), nullptr);
  EXPECT_EQ(ClosestEnemy(3), south);
}

// The grenade is thrown at most 3 cells and takes 25 hit points from every guard at a
// distance of at most 3 from where it lands.
TEST_F(Effects, StunGrenadeHitsEveryGuardInTheBlastOnce) {
  OpenArena();
  // Blast centre three cells east of the player.
  const int blastX = PLAYER_X + 3;
  struct Row {
    const char* name;
    int dx, dy;  // from the blast centre
    int hp;
    int hpAfter;  // 0: knocked out
  };
  const Row rows[] = {
      {"distance 2", 2, 0, 30, 5},
      {"distance 2 below", 0, 2, 30, 5},
      {"exactly 3", 3, 0, 30, 5},
      {"exactly 3 above", 0, -3, 30, 5},
      {"the square root of 10 is beyond", 3, 1, 30, 30},
      {"distance 4", 4, 0, 30, 30},
      // Hit first from the back of entities and knocked out, which moves it to the front: the
      // guards before it are still hit once each.
      {"knocked out by 25", 1, 1, 25, 0},
  };
  std::vector<RKEntity*> guards;
  for (const Row& row : rows) {
    guards.push_back(AddGuard(blastX + row.dx, PLAYER_Y + row.dy, row.hp));
  }
  std::string name = guards.front()->GetDisplayName();
  RKEntity* grenade = MakeItem(RKKindId::StunGrenade, 0, 0);
  Carry(grenade);
  InputScript script;
  script.Key(SDL_SCANCODE_I)
      .Key(LetterOf(grenade))
      .Click(PixelOf(PLAYER_X + 3), PixelOf(PLAYER_Y + 1))  // the square root of 10: ignored
      .Click(PixelOf(PLAYER_X + 4), PixelOf(PLAYER_Y))      // 4 away: ignored
      .Click(PixelOf(blastX), PixelOf(PLAYER_Y))
      .Wait();
  Play(script);

  EXPECT_FALSE(Carried(grenade));
  int hit = 0;
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(rows[i].name);
    const RKEntity* guard = guards[i];
    hit += rows[i].hpAfter < rows[i].hp ? 1 : 0;
    if (rows[i].hpAfter == 0) {
      EXPECT_EQ(guard->fighter, nullptr);
      EXPECT_EQ(guard->name, "Unconscious Guard");
    } else {
      ASSERT_NE(guard->fighter, nullptr);
      EXPECT_EQ(guard->fighter->hp, rows[i].hpAfter);
    }
  }
  EXPECT_TRUE(LogHas(gLocalization->T("message.stunPrompt")));
  EXPECT_EQ(LogCount(gLocalization->TFormat("message.stunExplode", {"3"})), 1);
  EXPECT_EQ(LogCount(gLocalization->TFormat("message.stunHit", {name, "25"})), hit);
}

TEST_F(Effects, StunGrenadeOnAnEmptyTileIsStillUsed) {
  OpenArena();
  RKEntity* grenade = MakeItem(RKKindId::StunGrenade, 0, 0);
  Carry(grenade);
  InputScript script;
  script.Key(SDL_SCANCODE_I)
      .Key(LetterOf(grenade))
      .Click(PixelOf(PLAYER_X), PixelOf(PLAYER_Y - 3))
      .Wait();
  Play(script);
  EXPECT_FALSE(Carried(grenade));
  EXPECT_TRUE(LogHas(gLocalization->TFormat("message.stunExplode", {"3"})));
}

TEST_F(Effects, PepperSprayConfusesTheClickedGuard) {
  OpenArena();
  RKEntity* guard = AddGuard(PLAYER_X + 6, PLAYER_Y);
  RKBasicEnemy* normal = guard->ai;
  RKEntity* spray = MakeItem(RKKindId::PepperSpray, 0, 0);
  Carry(spray);
  bool stillAiming = false;
  InputScript script;
  script.Key(SDL_SCANCODE_I)
      .Key(LetterOf(spray))
      .Click(PixelOf(PLAYER_X + 5), PixelOf(PLAYER_Y))
      .Wait()  // an empty tile: keep waiting
      .Probe([&] { stillAiming = Carried(spray); })
      .Click(PixelOf(PLAYER_X + 6), PixelOf(PLAYER_Y))
      .Wait();
  Play(script);

  EXPECT_TRUE(stillAiming);
  EXPECT_FALSE(Carried(spray));
  auto* confused = dynamic_cast<RKConfusedEnemy*>(guard->ai);
  ASSERT_NE(confused, nullptr);
  EXPECT_EQ(confused->numTurns, 10);
  EXPECT_EQ(confused->previousAI, normal);
  EXPECT_EQ(confused->owner, guard);
  EXPECT_TRUE(LogHas(gLocalization->TFormat("message.pepperHit", {guard->GetDisplayName()})));
}

TEST_F(Effects, AimingIgnoresAClickOnAGuardOutOfView) {
  OpenArena();
  // A short wall two cells east hides the guard right behind it.
  for (int y = PLAYER_Y - 1; y <= PLAYER_Y + 1; ++y) {
    theMap->tiles[CellIndex(PLAYER_X + 2, y)]->Init(true, true);
  }
  RKEntity* hidden = AddGuard(PLAYER_X + 3, PLAYER_Y);
  RefreshView();
  ASSERT_FALSE(theMap->fov[CellIndex(hidden->x, hidden->y)]);
  RKEntity* spray = MakeItem(RKKindId::PepperSpray, 0, 0);
  Carry(spray);
  InputScript script;
  script.Key(SDL_SCANCODE_I)
      .Key(LetterOf(spray))
      .Click(PixelOf(hidden->x), PixelOf(hidden->y))
      .Click(PixelOf(hidden->x), PixelOf(hidden->y), SDL_BUTTON_RIGHT)
      .Wait();
  Play(script);

  EXPECT_TRUE(Carried(spray));
  EXPECT_EQ(dynamic_cast<RKConfusedEnemy*>(hidden->ai), nullptr);
}

struct Cancel {
  const char* name;
  RKKindId item;
  bool byEscape;
};

class CancelledAim : public PlayGame, public testing::WithParamInterface<Cancel> {};

TEST_P(CancelledAim, KeepsTheItemAndTheGame) {
  const Cancel& cancel = GetParam();
  OpenArena();
  RKEntity* guard = AddGuard(PLAYER_X + 2, PLAYER_Y);
  RKEntity* item = MakeItem(cancel.item, 0, 0);
  Carry(item);
  InputScript script;
  script.Key(SDL_SCANCODE_I).Key(LetterOf(item));
  if (cancel.byEscape) {
    script.Key(SDL_SCANCODE_ESCAPE);
  } else {
    script.Click(PixelOf(guard->x), PixelOf(guard->y), SDL_BUTTON_RIGHT);
  }
  script.Key(SDL_SCANCODE_UP).Wait();
  Play(script);

  EXPECT_TRUE(Carried(item));
  EXPECT_EQ(guard->fighter->hp, 20);
  EXPECT_EQ(dynamic_cast<RKConfusedEnemy*>(guard->ai), nullptr);
  EXPECT_EQ(player->y, PLAYER_Y - 1) << "Escape ended the game, not only the aim";
  // Nothing is aimed any more: the prompt leaves the log with the aim.
  const char* prompt =
      cancel.item == RKKindId::StunGrenade ? "message.stunPrompt" : "message.pepperPrompt";
  EXPECT_FALSE(LogHas(gLocalization->T(prompt)));
}

// row                  item                    by Escape
INSTANTIATE_TEST_SUITE_P(, CancelledAim,
                         testing::Values(Cancel{"grenade_right", RKKindId::StunGrenade, false},
                                         Cancel{"grenade_escape", RKKindId::StunGrenade, true},
                                         Cancel{"spray_right", RKKindId::PepperSpray, false},
                                         Cancel{"spray_escape", RKKindId::PepperSpray, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// Closing the window while aiming cancels the aim and ends the game, saved with the item
// still in the pack.
TEST_F(Effects, ClosingTheWindowWhileAimingSavesAndEndsTheGame) {
  OpenArena();
  RKEntity* grenade = MakeItem(RKKindId::StunGrenade, 0, 0);
  Carry(grenade);
  InputScript script;
  // Had the close been lost, the game would still be running for the steps to the right.
  script.Key(SDL_SCANCODE_I)
      .Key(LetterOf(grenade))
      .Quit()
      .Key(SDL_SCANCODE_RIGHT)
      .Key(SDL_SCANCODE_RIGHT);
  Play(script);
  EXPECT_TRUE(Carried(grenade));
  EXPECT_EQ(player->x, PLAYER_X) << "the game went on after the window was closed";
  EXPECT_EQ(gameState, InMenus);
  EXPECT_TRUE(std::filesystem::exists("game.sav"));
  // Continued, the game must not ask for a target that nothing is waiting for.
  EXPECT_EQ(ReadText("game.sav").find("CLICK A TILE"), std::string::npos);
}

}  // namespace
