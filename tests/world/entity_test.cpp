// Entities on the grid: components, movement with its occupancy marks, distances, draw order;
// and the two small value types, tiles and rooms.

#include "world/world_fixture.h"

namespace {

using EntityTest = WorldTest;

TEST_F(EntityTest, AnEquippableAlwaysBringsAnItemOwnedByItsEntity) {
  RKEntity* baton = Piece("Baton", MainHand, 2, 0);
  ASSERT_NE(baton->item, nullptr);
  EXPECT_EQ(baton->item->owner, baton);
  EXPECT_EQ(baton->item->useFunction, nullptr);
  EXPECT_EQ(baton->equippable->owner, baton);

  RKItem* given = new RKItem;
  RKEntity* kit = new RKEntity;
  pack.push_back(kit);
  kit->Init(0, 0, '!', "Kit", Magenta, map, false, true, nullptr, nullptr, given, nullptr,
            new RKEquippable);
  EXPECT_EQ(kit->item, given);
  EXPECT_EQ(given->owner, kit);

  RKEntity* later = new RKEntity;
  pack.push_back(later);
  later->SetEquippable(new RKEquippable);
  ASSERT_NE(later->item, nullptr);
  EXPECT_EQ(later->item->owner, later);
}

TEST_F(EntityTest, MoveCarriesTheOccupancyMarkAndRefusesBlockedCells) {
  DrawFloor(*map, {"#####", "#...#", "#####"});
  RKEntity* guard = Guard(1, 1);
  RKEntity* other = Guard(3, 1);

  guard->Move(1, 0);
  EXPECT_EQ(guard->x, 2);
  EXPECT_FALSE(map->TileAt(1, 1)->blocked);
  EXPECT_TRUE(map->TileAt(2, 1)->blocked);

  struct Refused {
    const char* name;
    int dx, dy;
  };
  for (const Refused& r : {Refused{"into a wall", 0, -1}, Refused{"onto another guard", 1, 0}}) {
    SCOPED_TRACE(r.name);
    guard->Move(r.dx, r.dy);
    EXPECT_EQ(guard->x, 2);
    EXPECT_EQ(guard->y, 1);
    EXPECT_TRUE(map->TileAt(2, 1)->blocked);
    EXPECT_TRUE(map->TileAt(3, 1)->blocked);
  }
  EXPECT_EQ(other->x, 3);
}

TEST_F(EntityTest, MoveOffTheGridDoesNothing) {
  DrawFloor(*map, {".."});  // an open cell on the very edge
  RKEntity* guard = Guard(0, 0);
  guard->Move(-1, 0);
  guard->Move(0, -1);
  EXPECT_EQ(guard->x, 0);
  EXPECT_EQ(guard->y, 0);
}

TEST_F(EntityTest, MoveTowardsStepsOnlyAlongASharedRowOrColumn) {
  struct Case {
    const char* name;
    int targetX, targetY;
    int expectX, expectY;
  };
  // clang-format off
  const Case cases[] = {
      {"same row, right", 13, 10, 11, 10},
      {"same row, left", 7, 10, 9, 10},
      {"same column, up", 10, 6, 10, 9},
      {"diagonal offset stays", 13, 12, 10, 10},
      {"knight offset stays", 12, 11, 10, 10},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RKEntity* guard = Guard(10, 10);
    RKEntity target;
    target.x = c.targetX;
    target.y = c.targetY;
    guard->MoveTorwards(&target);
    EXPECT_EQ(guard->x, c.expectX);
    EXPECT_EQ(guard->y, c.expectY);
    onFloor.remove(guard);
    map->TileAt(guard->x, guard->y)->blocked = false;
    delete guard;
  }
}

TEST_F(EntityTest, DistanceIsEuclidean) {
  RKEntity a;
  RKEntity b;
  b.x = 3;
  b.y = 4;
  EXPECT_FLOAT_EQ(a.DistanceTo(&b), 5.0f);
  EXPECT_FLOAT_EQ(b.Distance(0, 0), 5.0f);
  EXPECT_NEAR(a.Distance(1, 1), 1.41421f, 1e-5);
}

TEST_F(EntityTest, SendToBackLeavesOneEntryAtTheFront) {
  RKEntity* a = Consumable("A", nullptr);
  RKEntity* b = Consumable("B", nullptr);
  RKEntity* c = Consumable("C", nullptr);
  std::list<RKEntity*> drawOrder{a, c, b, c};
  c->SendToBack(drawOrder);
  EXPECT_EQ(drawOrder, (std::list<RKEntity*>{c, a, b}));
}

TEST_F(EntityTest, RemoveComponentsStripsAGuardButKeepsWhatItWears) {
  RKEntity* guard = Guard(4, 4);
  guard->item = new RKItem;
  guard->SetEquipment(new RKEquipment);
  guard->RemoveComponents();
  EXPECT_EQ(guard->fighter, nullptr);
  EXPECT_EQ(guard->ai, nullptr);
  EXPECT_EQ(guard->item, nullptr);
  EXPECT_NE(guard->equipment, nullptr);

  RKEntity bare;
  bare.RemoveComponents();  // nothing to remove, nothing to crash on
}

TEST_F(EntityTest, DisplayNameComesFromTheCatalogue) {
  UseTexts({{"entity.unconsciousPrefix", "{0} (out cold)"}});
  RKEntity* guard = Guard(4, 4);
  guard->name = "Unconscious Guard";
  EXPECT_NE(guard->GetDisplayName(), "Unconscious Guard");
  EXPECT_NE(guard->GetDisplayName().find("(out cold)"), std::string::npos);
}

TEST(Tile, InitMakesABlockingCellBlockSightAndForgetsExploration) {
  struct Case {
    bool blocked, blockSight;
    bool expectBlockSight;
  };
  for (const Case& c :
       {Case{true, false, true}, Case{false, true, true}, Case{false, false, false}}) {
    RKTile tile;
    tile.explored = true;
    tile.Init(c.blocked, c.blockSight);
    EXPECT_EQ(tile.blocked, c.blocked);
    EXPECT_EQ(tile.blockSight, c.expectBlockSight);
    EXPECT_FALSE(tile.explored);
  }
}

TEST(Rect, InitCentreAndInclusiveIntersection) {
  RKRect room;
  room.Init(2, 3, 6, 8);
  EXPECT_EQ(room.Center(), std::make_pair(5, 7));

  struct Case {
    const char* name;
    int x, y, w, h;
    bool intersects;
  };
  RKRect left;
  left.Init(0, 0, 5, 5);
  const Case cases[] = {
      {"shared border column", 5, 0, 4, 5, true},
      {"shared corner only", 5, 5, 3, 3, true},
      {"one column apart", 6, 0, 4, 5, false},
      {"below, one row apart", 0, 6, 5, 5, false},
      {"contained", 1, 1, 2, 2, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RKRect other;
    other.Init(c.x, c.y, c.w, c.h);
    EXPECT_EQ(left.Intersect(other), c.intersects);
    EXPECT_EQ(other.Intersect(left), c.intersects);
  }
}

}  // namespace
