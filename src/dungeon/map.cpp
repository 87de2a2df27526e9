#include "dungeon/map.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <utility>

#include "world/entity.h"
#include "world/kinds.h"

namespace {

constexpr int ROOM_ATTEMPTS = 30;
constexpr int ROOM_MIN_SIZE = 6;
constexpr int ROOM_MAX_SIZE = 10;

constexpr int FOV_RADIUS = 8;
constexpr double FOV_STEP_DEGREES = 0.18;
constexpr double DEGREES_TO_RADIANS = 0.017453292519943295;

// The ray directions never change: cast them once, with the angle accumulated exactly as the
// view has always been cast (0.18 degrees added per ray while below 360).
const std::vector<std::pair<double, double>>& RayDirections() {
  static const std::vector<std::pair<double, double>> DIRECTIONS = [] {
    std::vector<std::pair<double, double>> rays;
    for (double angle = 0.0; angle < 360.0; angle += FOV_STEP_DEGREES) {
      double radians = angle * DEGREES_TO_RADIANS;
      rays.emplace_back(std::cos(radians), std::sin(radians));
    }
    return rays;
  }();
  return DIRECTIONS;
}

// Floor tables the map starts with:      value, first floor
const std::pair<int, int> MONSTERS_PER_ROOM[] = {{2, 1}, {3, 4}, {5, 6}};
const std::pair<int, int> ITEMS_PER_ROOM[] = {{1, 1}, {2, 4}};

// The lottery weights of a kind by floor, as a floor table.
RKFloorTable FloorTableOf(const RKKind& kind) {
  RKFloorTable table;
  for (const RKChanceStep& step : kind.chances) {
    if (step.weight > 0) table.emplace(step.weight, step.firstFloor);
  }
  return table;
}

// Whether a room's lottery of guards, or of items, holds the kind.
bool InGuardLottery(const RKKind& kind) {
  return kind.role == RKKindRole::Guard && *kind.lottery != '\0';
}
bool InItemLottery(const RKKind& kind) {
  return (kind.role == RKKindRole::Usable || kind.role == RKKindRole::Equipment) &&
         *kind.lottery != '\0';
}

// A blocking entity other than `except` standing on (x, y), or null.
RKEntity* BlockerAt(int x, int y, const std::list<RKEntity*>& entities, const RKEntity* except) {
  for (RKEntity* entity : entities) {
    if (entity != except && entity->blocks && entity->x == x && entity->y == y) return entity;
  }
  return nullptr;
}

}  // namespace

std::mt19937* randomReplay = nullptr;

int RandomGetInt(int min, int max) {
  // Bounds given the wrong way round would leave the distribution undefined: swap them.
  if (min > max) std::swap(min, max);
  std::uniform_int_distribution<int> distribution(min, max);
  if (randomReplay != nullptr) return distribution(*randomReplay);
  std::random_device device;  // the token "default" is libstdc++'s alone: libc++ refuses it
  std::mt19937 engine(device());
  return distribution(engine);
}

RKMap::RKMap() {
  for (const auto& [value, floor] : MONSTERS_PER_ROOM) maxMonstersPerRoom.emplace(value, floor);
  for (const auto& [value, floor] : ITEMS_PER_ROOM) maxItemsPerRoom.emplace(value, floor);
  eliteGuardChance = FloorTableOf(KindOf(RKKindId::EliteGuard));
}

RKMap::~RKMap() { ClearFloor(); }

void RKMap::ClearFloor() {
  for (RKTile* tile : tiles) delete tile;
  tiles.clear();
  for (RKRect* room : rooms) delete room;
  rooms.clear();
  fov.clear();
}

void RKMap::CreateRoom(const RKRect& room) {
  for (int y = room.y1 + 1; y < room.y2; ++y) {
    for (int x = room.x1 + 1; x < room.x2; ++x) {
      RKTile* tile = TileAt(x, y);
      tile->blocked = false;
      tile->blockSight = false;
    }
  }
}

void RKMap::CreateHorzTunnel(int xa, int xb, int y) {
  for (int x = std::min(xa, xb); x <= std::max(xa, xb); ++x) {
    TileAt(x, y)->blocked = false;
    TileAt(x, y)->blockSight = false;
  }
}

void RKMap::CreateVertTunnel(int ya, int yb, int x) {
  for (int y = std::min(ya, yb); y <= std::max(ya, yb); ++y) {
    TileAt(x, y)->blocked = false;
    TileAt(x, y)->blockSight = false;
  }
}

void RKMap::CreateMap(int floor, RKEntity* player, std::list<RKEntity*>& entities,
                      std::vector<DeathFunction>& funcVec, std::vector<UseFunction>& useFuncVec,
                      bool arrivedByNext) {
  currentFloor = floor;
  player->map = this;
  ClearFloor();
  tiles.reserve(MAP_CELLS);
  for (int i = 0; i < MAP_CELLS; ++i) {
    RKTile* tile = new RKTile;
    tile->Init(true, false);
    tiles.push_back(tile);
  }

  std::pair<int, int> firstCentre{0, 0};
  std::pair<int, int> lastCentre{0, 0};
  for (int attempt = 0; attempt < ROOM_ATTEMPTS; ++attempt) {
    // The order of these draws is part of how floors look: keep it.
    int w = RandomGetInt(ROOM_MIN_SIZE, ROOM_MAX_SIZE);
    int h = RandomGetInt(ROOM_MIN_SIZE, ROOM_MAX_SIZE);
    int x = RandomGetInt(0, MAP_WIDTH - 1 - w);
    int y = RandomGetInt(0, MAP_HEIGHT - 1 - h);
    RKRect candidate;
    candidate.Init(x, y, w, h);
    bool overlaps = false;
    for (const RKRect* room : rooms) overlaps = overlaps || candidate.Intersect(*room);
    if (overlaps) continue;

    CreateRoom(candidate);
    PlaceEntites(floor, candidate, entities, funcVec, useFuncVec);
    std::pair<int, int> centre = candidate.Center();
    if (rooms.empty()) {
      player->x = centre.first;
      player->y = centre.second;
      if (floor == 1) {
        entities.push_back(
            NewEntity(KindOf(RKKindId::UnconsciousGuard), centre.first, centre.second, this));
      }
      firstCentre = centre;
    } else if (RandomGetInt(0, 1) == 1) {
      CreateHorzTunnel(lastCentre.first, centre.first, lastCentre.second);
      CreateVertTunnel(lastCentre.second, centre.second, centre.first);
    } else {
      CreateVertTunnel(lastCentre.second, centre.second, lastCentre.first);
      CreateHorzTunnel(lastCentre.first, centre.first, centre.second);
    }
    rooms.push_back(new RKRect(candidate));
    lastCentre = centre;
  }

  const RKKind& up = KindOf(floor == TOP_FLOOR ? RKKindId::Exit : RKKindId::StairsUp);
  entities.push_back(NewEntity(up, lastCentre.first, lastCentre.second, this));
  if (!arrivedByNext) {
    player->x = lastCentre.first;
    player->y = lastCentre.second;
  }
  if (floor >= 2) {
    entities.push_back(
        NewEntity(KindOf(RKKindId::StairsDown), firstCentre.first, firstCentre.second, this));
    if (arrivedByNext) {
      player->x = firstCentre.first;
      player->y = firstCentre.second;
    }
  }
  // Corridors dug after a room was filled may run through its guards' cells and clear their
  // marks; put them back so that no guard can walk onto another.
  for (const RKEntity* entity : entities) {
    if (entity != player && entity->blocks && InsideMap(entity->x, entity->y)) {
      TileAt(entity->x, entity->y)->blocked = true;
    }
  }
  SettlePlayer(player, entities);

  fov.resize(MAP_CELLS);
  for (int i = 0; i < MAP_CELLS; ++i) fov[i] = tiles[i]->blockSight;
}

void RKMap::SettlePlayer(RKEntity* player, const std::list<RKEntity*>& entities) {
  // Rooms are populated before the player arrives, so a guard may have been placed on the
  // arrival cell; it steps aside to the first free cell of its room rather than share it.
  if (RKEntity* guard = BlockerAt(player->x, player->y, entities, player)) {
    for (const RKRect* room : rooms) {
      if (guard->x <= room->x1 || guard->x >= room->x2 || guard->y <= room->y1 ||
          guard->y >= room->y2) {
        continue;
      }
      bool moved = false;
      for (int y = room->y1 + 1; y < room->y2 && !moved; ++y) {
        for (int x = room->x1 + 1; x < room->x2 && !moved; ++x) {
          if ((x == player->x && y == player->y) || IsBlocking(x, y, entities)) continue;
          guard->x = x;
          guard->y = y;
          TileAt(x, y)->blocked = true;
          moved = true;
        }
      }
      break;
    }
  }
  // The player blocks like any standing fighter; without the mark a confused guard could
  // stagger onto a player who has not moved since arriving.
  TileAt(player->x, player->y)->blocked = true;
}

void RKMap::PlaceEntites(int floor, RKRect room, std::list<RKEntity*>& entities,
                         std::vector<DeathFunction>& funcVec,
                         std::vector<UseFunction>& useFuncVec) {
  int monsters = RandomGetInt(0, FromCurrentFloor(maxMonstersPerRoom, floor));
  int items = RandomGetInt(0, FromCurrentFloor(maxItemsPerRoom, floor));

  monsterChances.clear();
  for (const RKKind& kind : KIND_TABLE) {
    if (InGuardLottery(kind)) {
      monsterChances.emplace(FromCurrentFloor(FloorTableOf(kind), floor), kind.lottery);
    }
  }

  // Every attempt counts, so a crowded room simply gets fewer guards.
  for (int attempt = 0; attempt < monsters; ++attempt) {
    int x = RandomGetInt(room.x1 + 1, room.x2 - 1);
    int y = RandomGetInt(room.y1 + 1, room.y2 - 1);
    if (IsBlocking(x, y, entities)) continue;
    std::string drawn = RandomChoice(monsterChances);
    for (const RKKind& kind : KIND_TABLE) {
      if (!InGuardLottery(kind) || drawn != kind.lottery) continue;
      entities.push_back(NewEntity(kind, x, y, this, funcVec.empty() ? nullptr : funcVec[0]));
      TileAt(x, y)->blocked = true;
    }
  }

  itemChances.clear();
  for (const RKKind& kind : KIND_TABLE) {
    if (!InItemLottery(kind)) continue;
    itemFloorTable = FloorTableOf(kind);
    itemChances.emplace(FromCurrentFloor(itemFloorTable, floor), kind.lottery);
  }

  for (int attempt = 0; attempt < items; ++attempt) {
    int x = RandomGetInt(room.x1 + 1, room.x2 - 1);
    int y = RandomGetInt(room.y1 + 1, room.y2 - 1);
    if (IsBlocking(x, y, entities)) continue;
    std::string drawn = RandomChoice(itemChances);
    for (const RKKind& kind : KIND_TABLE) {
      if (!InItemLottery(kind) || drawn != kind.lottery) continue;
      RKEntity* entity = NewEntity(kind, x, y, this, nullptr, UseFunctionOf(kind.use, useFuncVec));
      entities.push_back(entity);
      entity->SendToBack(entities);
    }
  }
}

int RKMap::FromCurrentFloor(const RKFloorTable& table, int floor) const {
  for (auto entry = table.rbegin(); entry != table.rend(); ++entry) {
    if (entry->second <= floor) return entry->first;
  }
  return 0;
}

std::string RKMap::RandomChoice(const RKChanceTable& table) const {
  int sum = 0;
  for (const auto& [weight, kind] : table) sum += weight;
  if (sum <= 0) return {};
  int roll = RandomGetInt(1, sum);
  int total = 0;
  for (const auto& [weight, kind] : table) {
    total += weight;
    if (total >= roll) return kind;
  }
  return {};
}

bool RKMap::IsBlocking(int x, int y, const std::list<RKEntity*>& entities) const {
  return TileAt(x, y)->blocked || BlockerAt(x, y, entities, nullptr) != nullptr;
}

void RKMap::ComputeFOV(const RKEntity* viewer) {
  fov.assign(MAP_CELLS, false);
  if (!HasFloor()) return;
  int viewerIndex = InsideMap(viewer->x, viewer->y) ? CellIndex(viewer->x, viewer->y) : -1;
  double originX = viewer->x + 0.5;
  double originY = viewer->y + 0.5;
  for (const auto& [dx, dy] : RayDirections()) {
    if (viewerIndex >= 0) fov[viewerIndex] = true;
    double px = originX;
    double py = originY;
    for (int step = 0; step < FOV_RADIUS; ++step) {
      px += dx;
      py += dy;
      // Truncation toward zero, so a ray just left of column 0 still lands in column 0.
      int cx = static_cast<int>(px);
      int cy = static_cast<int>(py);
      if (!InsideMap(cx, cy)) break;
      int index = CellIndex(cx, cy);
      fov[index] = true;
      if (tiles[index]->blockSight) break;
    }
  }
}
