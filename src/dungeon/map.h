#pragma once
// The current floor: a fixed grid of 80 x 40 cells, the rooms it was carved from, the cells in
// the player's view, the floor number and the tables every room is populated from. One map
// lives for a whole game; each new floor is generated into it in place.

#include <list>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/types.h"
#include "world/rect.h"
#include "world/tile.h"

class RKEntity;

constexpr int MAP_WIDTH = 80;
constexpr int MAP_HEIGHT = 40;
constexpr int MAP_CELLS = MAP_WIDTH * MAP_HEIGHT;
// Floors run from 1 up to this one, which holds the exit.
constexpr int TOP_FLOOR = 10;
// What the player is shown of a floor: how many floors are left to climb, this one included,
// so the first floor shows 10 and the top floor 1.
constexpr int FloorsLeft(int floor) { return TOP_FLOOR + 1 - floor; }

// Value -> first floor on which it applies, ordered by value.
using RKFloorTable = std::multimap<int, int>;
// Weight -> kind name, ordered by weight; equal weights keep their insertion order.
using RKChanceTable = std::multimap<int, std::string>;

// Row-major index of cell (x, y) in every per-cell table of the map.
constexpr int CellIndex(int x, int y) { return x + y * MAP_WIDTH; }
constexpr bool InsideMap(int x, int y) {
  return x >= 0 && x < MAP_WIDTH && y >= 0 && y < MAP_HEIGHT;
}

// A uniformly distributed integer in [min, max], both included. Deliberately unseeded and
// stateless: each call seeds a fresh Mersenne Twister from the system's random device, so no
// floor can be replayed.
int RandomGetInt(int min, int max);
// When set, RandomGetInt draws from this engine instead, so that a test can replay the same
// draws; the game never sets it.
extern std::mt19937* randomReplay;

class RKMap {
 public:
  std::vector<bool> fov;       // cells in view as of the last ComputeFOV
  std::vector<RKTile*> tiles;  // owned, MAP_CELLS of them once a floor exists
  std::vector<RKRect*> rooms;  // owned, in the order they were carved
  RKFloorTable maxMonstersPerRoom;
  RKFloorTable maxItemsPerRoom;
  RKFloorTable itemFloorTable;  // scratch: one item kind's entry at a time
  RKFloorTable eliteGuardChance;
  RKChanceTable monsterChances;
  RKChanceTable itemChances;
  int currentFloor = 1;

  RKMap();
  ~RKMap();
  RKMap(const RKMap&) = delete;
  RKMap& operator=(const RKMap&) = delete;

  // Builds floor `floor` in place: all wall, up to 30 rooms chained by L-shaped corridors,
  // each populated, then the player, the stairs and (on floor 10) the exit. The caller has
  // already emptied `entities` down to the player. arrivedByNext puts the player on the stairs
  // back down (or, on floor 1, in the first room); otherwise on the stairs up.
  void CreateMap(int floor, RKEntity* player, std::list<RKEntity*>& entities,
                 std::vector<DeathFunction>& funcVec, std::vector<UseFunction>& useFuncVec,
                 bool arrivedByNext);
  // Carves the interior of the room; its border lines stay wall. No bounds checks.
  void CreateRoom(const RKRect& room);
  void CreateHorzTunnel(int xa, int xb, int y);
  void CreateVertTunnel(int ya, int yb, int x);
  // Places up to the floor's number of guards and items on free interior cells of the room.
  void PlaceEntites(int floor, RKRect room, std::list<RKEntity*>& entities,
                    std::vector<DeathFunction>& funcVec, std::vector<UseFunction>& useFuncVec);
  // The value of the largest entry whose first floor is not above `floor`; 0 when none is.
  int FromCurrentFloor(const RKFloorTable& table, int floor) const;
  // A weighted draw over the table; weight 0 is never drawn. Empty for an empty table.
  std::string RandomChoice(const RKChanceTable& table) const;
  // A wall, or a cell held by a blocking entity of the list. (x, y) must be inside the map.
  bool IsBlocking(int x, int y, const std::list<RKEntity*>& entities) const;
  // Recomputes fov by casting 2000 rays of 8 unit steps from the centre of the viewer's cell;
  // the first wall a ray meets is lit, the cells behind it are not.
  void ComputeFOV(const RKEntity* viewer);

  RKTile* TileAt(int x, int y) const { return tiles[CellIndex(x, y)]; }
  bool InView(int x, int y) const { return fov[CellIndex(x, y)]; }
  bool HasFloor() const { return tiles.size() == static_cast<std::size_t>(MAP_CELLS); }

 private:
  void ClearFloor();
  // Marks the player's cell as held and moves a guard placed there out of the way.
  void SettlePlayer(RKEntity* player, const std::list<RKEntity*>& entities);
};
