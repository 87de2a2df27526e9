// The field of view: 2000 rays of 8 unit steps from the centre of the viewer's cell, lighting
// the first wall each ray meets and nothing behind it.

#include "world/world_fixture.h"

namespace {

using FovTest = WorldTest;

struct Cell {
  int x, y;
};

struct FovCase {
  const char* name;
  std::vector<std::string> floor;
  Cell viewer;
  std::vector<Cell> lit;
  std::vector<Cell> dark;
};

// Puts the viewer on (x, y) and computes the map's field of view from there.
void LookFrom(RKMap& map, RKEntity& viewer, int x, int y) {
  viewer.x = x;
  viewer.y = y;
  map.ComputeFOV(&viewer);
}

std::string Joined(const std::vector<std::string>& rows) {
  std::string text;
  for (const std::string& row : rows) text += "|" + row + "|\n";
  return text;
}

TEST_F(FovTest, LitAndDarkCells) {
  const std::string corridor = "#" + std::string(20, '.') + "#";
  const FovCase cases[] = {
      {"open field: radius 8 on the axes, not 9",
       OpenField(),
       {40, 20},
       {{48, 20}, {32, 20}, {40, 28}, {40, 12}, {45, 25}},
       {{49, 20}, {31, 20}, {40, 29}, {40, 11}, {47, 27}}},
      {"one-cell corridor: 8 cells along it and the walls beside the viewer",
       {std::string(22, '#'), corridor, std::string(22, '#')},
       {1, 1},
       {{9, 1}, {0, 1}, {0, 0}, {1, 0}, {2, 0}, {0, 2}, {1, 2}, {2, 2}},
       {{10, 1}}},
  };
  for (const FovCase& c : cases) {
    SCOPED_TRACE(c.name);
    DrawFloor(*map, c.floor);
    RKEntity viewer;
    LookFrom(*map, viewer, c.viewer.x, c.viewer.y);
    std::string picture = Joined(ViewPicture(*map, viewer, 60, 30));
    EXPECT_TRUE(map->InView(viewer.x, viewer.y));
    for (const Cell& cell : c.lit) {
      EXPECT_TRUE(map->InView(cell.x, cell.y)) << cell.x << "," << cell.y << "\n" << picture;
    }
    for (const Cell& cell : c.dark) {
      EXPECT_FALSE(map->InView(cell.x, cell.y)) << cell.x << "," << cell.y << "\n" << picture;
    }
  }
}

struct PictureCase {
  const char* name;
  std::vector<std::string> floor;
  Cell viewer;
  std::vector<std::string> view;  // '@' viewer, lit cells as drawn, ' ' out of view
};

TEST_F(FovTest, ViewsAsPictures) {
  // clang-format off
  const PictureCase cases[] = {
      {"a wall next to the viewer is lit and shades the cells behind it",
       {"##########",
        "#........#",
        "#.@#.....#",
        "#........#",
        "##########"},
       {2, 2},
       {"######    ",
        "#....     ",
        "#.@#      ",
        "#....     ",
        "######    "}},
      {"a wall across the room stops every ray",
       {"##########",
        "#....#...#",
        "#.@..#...#",
        "#....#...#",
        "##########"},
       {2, 2},
       {"######    ",
        "#....#    ",
        "#.@..#    ",
        "#....#    ",
        "######    "}},
      {"a pillar hides the corner behind it",
       {"#######",
        "#.....#",
        "#.....#",
        "#..#..#",
        "#.....#",
        "#######"},
       {1, 1},
       {"#######",
        "#@....#",
        "#.....#",
        "#..#..#",
        "#... .#",
        "#####  "}},
  };
  // clang-format on
  for (const PictureCase& c : cases) {
    SCOPED_TRACE(c.name);
    DrawFloor(*map, c.floor);
    RKEntity viewer;
    LookFrom(*map, viewer, c.viewer.x, c.viewer.y);
    int width = static_cast<int>(c.view[0].size());
    int height = static_cast<int>(c.view.size());
    EXPECT_EQ(ViewPicture(*map, viewer, width, height), c.view)
        << Joined(ViewPicture(*map, viewer, width, height));
  }
}

TEST_F(FovTest, AViewerOffTheGridLightsNothingOutside) {
  RKEntity viewer;
  LookFrom(*map, viewer, -3, 50);
  EXPECT_EQ(map->fov.size(), static_cast<std::size_t>(MAP_CELLS));
  EXPECT_EQ(std::count(map->fov.begin(), map->fov.end(), true), 0);
}

TEST_F(FovTest, IsBlockingSeesWallsAndStandingGuardsButNotItems) {
  RKEntity* guard = Guard(10, 10);
  Consumable("Kit", nullptr, 12, 10);
  RKEntity* unmarked = Guard(14, 10);
  map->TileAt(14, 10)->blocked = false;  // the entity list alone still says it is taken

  struct Case {
    const char* name;
    int x, y;
    bool blocking;
  };
  const Case cases[] = {
      {"wall", 0, 0, true},
      {"guard", guard->x, guard->y, true},
      {"guard without a tile mark", unmarked->x, unmarked->y, true},
      {"item", 12, 10, false},
      {"bare floor", 20, 20, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(map->IsBlocking(c.x, c.y, onFloor), c.blocking);
  }
}

TEST(Map, StartsOnTheFirstFloorWithItsTables) {
  RKMap map;
  EXPECT_EQ(map.currentFloor, 1);
  EXPECT_TRUE(map.tiles.empty());
  EXPECT_EQ(map.FromCurrentFloor(map.maxMonstersPerRoom, 3), 2);
  EXPECT_EQ(map.FromCurrentFloor(map.maxMonstersPerRoom, 4), 3);
  EXPECT_EQ(map.FromCurrentFloor(map.maxMonstersPerRoom, 10), 5);
  EXPECT_EQ(map.FromCurrentFloor(map.eliteGuardChance, 2), 0);
  EXPECT_EQ(map.FromCurrentFloor(map.eliteGuardChance, 7), 60);
  EXPECT_EQ(map.FromCurrentFloor(RKFloorTable{{10, 2}}, 1), 0);
}

}  // namespace
