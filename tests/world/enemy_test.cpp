// How guards act on their turn: in view they close in along a row or column and attack from
// any of the eight neighbouring cells; confused they stagger and then recover.

#include "world/confusedenemy.h"
#include "world/world_fixture.h"

namespace {

class EnemyTest : public WorldTest {
 protected:
  RKEntity* player = nullptr;

  void SetUp() override {
    WorldTest::SetUp();
    UseTexts({{"message.attackHit", "{0} hits {1} for {2}"},
              {"message.confusionEnded", "{0} sees again"}});
    player = Player(20, 20);
  }

  void ViewEverything() { map->fov.assign(MAP_CELLS, true); }

  // Sprays the guard as the pepper spray does: the new confusion wraps the current behaviour.
  void Confuse(RKEntity* guard, int turns) {
    RKConfusedEnemy* confused = new RKConfusedEnemy;
    confused->Init(guard->ai, turns);
    guard->ai = confused;
    confused->owner = guard;
  }
};

TEST_F(EnemyTest, BasicGuardTurn) {
  struct Case {
    const char* name;
    int dx, dy;  // guard's offset from the player
    bool inView;
    int playerHP;
    int expectDx, expectDy;  // offset after the turn
    int expectPlayerHP;
  };
  // clang-format off
  const Case cases[] = {
      // name                              dx  dy  view  hp   after   player hp
      {"out of view, adjacent: idle",       1,  0, false, 100, 1,  0,  100},
      {"out of view, far: idle",            4,  0, false, 100, 4,  0,  100},
      {"two away on the row: steps in",     2,  0, true,  100, 1,  0,  100},
      {"two away on the column: steps in",  0, -2, true,  100, 0, -1,  100},
      {"diagonal neighbour: attacks",       1,  1, true,  100, 1,  1,  97},
      {"row neighbour: attacks",           -1,  0, true,  100, -1, 0,  97},
      {"diagonal far: cannot step",         3,  2, true,  100, 3,  2,  100},
      {"player at 0 hp: left alone",        1,  1, true,  0,   1,  1,  0},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RKEntity* guard = Guard(player->x + c.dx, player->y + c.dy);
    map->fov.assign(MAP_CELLS, !c.inView);
    map->fov[CellIndex(guard->x, guard->y)] = c.inView;
    player->fighter->SetHP(c.playerHP, true);

    guard->ai->TakeTurn(player, message);

    EXPECT_EQ(guard->x - player->x, c.expectDx);
    EXPECT_EQ(guard->y - player->y, c.expectDy);
    EXPECT_EQ(player->fighter->hp, c.expectPlayerHP);

    onFloor.remove(guard);
    map->TileAt(guard->x, guard->y)->blocked = false;
    delete guard;
  }
}

TEST_F(EnemyTest, ConfusedGuardStaggersTenTurnsRecoversOnTheEleventhActsOnTheTwelfth) {
  ViewEverything();
  RKEntity* guard = Guard(player->x + 1, player->y + 1);
  RKBasicEnemy* normal = guard->ai;
  Confuse(guard, 10);

  for (int turn = 1; turn <= 10; ++turn) {
    SCOPED_TRACE(turn);
    int x = guard->x;
    int y = guard->y;
    guard->ai->TakeTurn(player, message);
    // Always one of the four diagonals, or no move when that cell was taken.
    bool stayed = guard->x == x && guard->y == y;
    bool diagonal = std::abs(guard->x - x) == 1 && std::abs(guard->y - y) == 1;
    EXPECT_TRUE(stayed || diagonal);
    EXPECT_EQ(player->fighter->hp, 100) << "a confused guard never attacks";
  }
  EXPECT_TRUE(message->messages.empty());

  guard->ai->TakeTurn(player, message);  // the eleventh: recovers and stands still
  EXPECT_EQ(guard->ai, normal);
  EXPECT_EQ(normal->owner, guard);
  EXPECT_EQ(Story(), std::vector<std::string>{"GUARD SEES AGAIN"});

  // The twelfth acts normally again: put it next to the player and it attacks.
  map->TileAt(guard->x, guard->y)->blocked = false;
  guard->x = player->x - 1;
  guard->y = player->y;
  guard->ai->TakeTurn(player, message);
  EXPECT_EQ(player->fighter->hp, 97);
}

TEST_F(EnemyTest, ConfusionOutOfViewStillStaggers) {
  map->fov.assign(MAP_CELLS, false);
  RKEntity* guard = Guard(10, 10);
  Confuse(guard, 1);
  guard->ai->TakeTurn(player, message);
  EXPECT_EQ(std::abs(guard->x - 10), 1);
  EXPECT_EQ(std::abs(guard->y - 10), 1);
  EXPECT_TRUE(map->TileAt(guard->x, guard->y)->blocked);
  EXPECT_FALSE(map->TileAt(10, 10)->blocked);
}

TEST_F(EnemyTest, ConfusedGuardWalledInStaysPut) {
  DrawFloor(*map, {"###", "#.#", "###"});
  RKEntity* guard = Guard(1, 1);
  Confuse(guard, 3);
  for (int turn = 0; turn < 3; ++turn) guard->ai->TakeTurn(player, message);
  EXPECT_EQ(guard->x, 1);
  EXPECT_EQ(guard->y, 1);
  EXPECT_EQ(static_cast<RKConfusedEnemy*>(guard->ai)->numTurns, 0);
}

TEST_F(EnemyTest, SprayingAConfusedGuardAgainNestsTheConfusions) {
  map->fov.assign(MAP_CELLS, false);
  RKEntity* guard = Guard(10, 10);
  RKBasicEnemy* normal = guard->ai;
  Confuse(guard, 10);
  RKBasicEnemy* older = guard->ai;
  guard->ai->TakeTurn(player, message);
  guard->ai->TakeTurn(player, message);  // the older one has 8 turns left
  Confuse(guard, 2);

  for (int turn = 0; turn < 3; ++turn) guard->ai->TakeTurn(player, message);
  EXPECT_EQ(guard->ai, older);
  EXPECT_EQ(message->messages.size(), 1u);
  EXPECT_EQ(static_cast<RKConfusedEnemy*>(older)->numTurns, 8);

  for (int turn = 0; turn < 9; ++turn) guard->ai->TakeTurn(player, message);
  EXPECT_EQ(guard->ai, normal);
  EXPECT_EQ(message->messages.size(), 2u);
}

TEST_F(EnemyTest, DestroyingAConfusedGuardFreesEveryWrappedBehaviour) {
  // Leaks or double frees here show up under the address sanitizer.
  RKEntity* guard = Guard(10, 10);
  Confuse(guard, 5);
  Confuse(guard, 5);
  guard->RemoveComponents();
  EXPECT_EQ(guard->ai, nullptr);

  RKEntity* other = Guard(12, 12);
  Confuse(other, 5);
  onFloor.remove(other);
  delete other;
}

}  // namespace
