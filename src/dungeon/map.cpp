#include "dungeon/map.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <utility>

#include "world/basicenemy.h"
#include "world/entity.h"
#include "world/equipment.h"
#include "world/fighter.h"
#include "world/item.h"

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
  static const std::vector<std::pair<double, double>> directions = [] {
    std::vector<std::pair<double, double>> rays;
    for (double angle = 0.0; angle < 360.0; angle += FOV_STEP_DEGREES) {
      double radians = angle * DEGREES_TO_RADIANS;
      rays.emplace_back(std::cos(radians), std::sin(radians));
    }
    return rays;
  }();
  return directions;
}

// Floor tables the map starts with:      value, first floor
const std::pair<int, int> MONSTERS_PER_ROOM[] = {{2, 1}, {3, 4}, {5, 6}};
const std::pair<int, int> ITEMS_PER_ROOM[] = {{1, 1}, {2, 4}};
const std::pair<int, int> ELITE_GUARD_CHANCE[] = {{15, 3}, {30, 5}, {60, 7}};

// The guards a room may get. "Guard" always weighs 80; "Elite" weighs eliteGuardChance.
struct RKGuardKind {
  const char* kind;
  const char* name;
  unsigned char glyph;
  RKColors color;
  int hp, defense, power, xp;
};
const RKGuardKind GUARD_KINDS[] = {
    // kind    name           glyph color      hp def pow  xp
    {"Guard", "Guard",        'g', LightBlue, 20, 0, 4, 35},
    {"Elite", "Elite Guard",  'E', Green,     30, 2, 8, 100},
};
constexpr int GUARD_WEIGHT = 80;

// The items a room may get, in the order their weights enter the lottery. A use index refers
// to the item-use registry; -1 marks equipment.
struct RKItemKind {
  const char* kind;
  const char* name;
  unsigned char glyph;
  RKColors color;
  int weight, firstFloor;
  int useIndex;
  RKEquipmentSlot slot;
  int powerBonus, defenseBonus;
};
const RKItemKind ITEM_KINDS[] = {
    // kind           name                glyph color       weight from use slot  pow def
    {"Heal",         "First Aid Kit",    '!',  Magenta,    35,    1,   0,  MainHand, 0, 0},
    {"Taser",        "Taser",            '\\', DarkGray,   5,     4,   -1, MainHand, 3, 0},
    {"Shield",       "Riot Shield",      '[',  LightGray,  15,    8,   -1, OffHand,  0, 1},
    {"Tranquilizer", "Tranquilizer Gun", '}',  LightGreen, 25,    4,   1,  MainHand, 0, 0},
    {"Stun",         "Stun Grenade",     '?',  Yellow,     25,    6,   2,  MainHand, 0, 0},
    {"Pepper",       "Pepper Spray",     '}',  LightRed,   10,    2,   3,  MainHand, 0, 0},
};

// What stands on a floor besides guards and items: never blocking, without components.
struct RKFixture {
  const char* name;
  unsigned char glyph;
  RKColors color;
};
// The exit takes the place of the stairs up on the top floor; the decoration marks where the
// escape began, on the first floor.
//                                   name                 glyph colour
const RKFixture STAIRS_UP        = {"Stairs",            '<', White};
const RKFixture EXIT             = {"Exit",              '<', Red};
const RKFixture STAIRS_DOWN      = {"Stairs",            '>', White};
const RKFixture START_DECORATION = {"Unconscious Guard", '%', LightBlue};

RKEntity* NewFixture(const RKFixture& fixture, int x, int y, RKMap* map, bool visible) {
  RKEntity* entity = new RKEntity;
  entity->Init(x, y, fixture.glyph, fixture.name, fixture.color, map, false, visible, nullptr,
               nullptr, nullptr, nullptr, nullptr);
  return entity;
}

RKEntity* NewGuard(const RKGuardKind& kind, int x, int y, RKMap* map,
                   const std::vector<DeathFunction>& funcVec) {
  RKFighter* fighter = new RKFighter;
  fighter->Init(kind.hp, kind.defense, kind.power, 1, kind.xp,
                funcVec.empty() ? nullptr : funcVec[0], nullptr);
  RKEntity* guard = new RKEntity;
  guard->Init(x, y, kind.glyph, kind.name, kind.color, map, true, false, fighter,
              new RKBasicEnemy, nullptr, nullptr, nullptr);
  return guard;
}

RKEntity* NewItem(const RKItemKind& kind, int x, int y, RKMap* map,
                  const std::vector<UseFunction>& useFuncVec) {
  RKItem* item = nullptr;
  RKEquippable* equippable = nullptr;
  if (kind.useIndex < 0) {
    equippable = new RKEquippable;
    equippable->slot = kind.slot;
    equippable->powerBonus = kind.powerBonus;
    equippable->defenseBonus = kind.defenseBonus;
  } else {
    item = new RKItem;
    std::size_t index = static_cast<std::size_t>(kind.useIndex);
    item->Init(index < useFuncVec.size() ? useFuncVec[index] : nullptr, nullptr);
  }
  RKEntity* entity = new RKEntity;
  entity->Init(x, y, kind.glyph, kind.name, kind.color, map, false, true, nullptr, nullptr,
               item, nullptr, equippable);
  return entity;
}

// A blocking entity other than `except` standing on (x, y), or null.
RKEntity* BlockerAt(int x, int y, const std::list<RKEntity*>& entities, const RKEntity* except) {
  for (RKEntity* entity : entities) {
    if (entity != except && entity->blocks && entity->x == x && entity->y == y) return entity;
  }
  return nullptr;
}

}  // namespace

int RandomGetInt(int min, int max) {
  // Bounds given the wrong way round would leave the distribution undefined: swap them.
  if (min > max) std::swap(min, max);
  std::random_device device("default");
  std::mt19937 engine(device());
  std::uniform_int_distribution<int> distribution(min, max);
  return distribution(engine);
}

RKMap::RKMap() {
  for (const auto& [value, floor] : MONSTERS_PER_ROOM) maxMonstersPerRoom.emplace(value, floor);
  for (const auto& [value, floor] : ITEMS_PER_ROOM) maxItemsPerRoom.emplace(value, floor);
  for (const auto& [value, floor] : ELITE_GUARD_CHANCE) eliteGuardChance.emplace(value, floor);
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
            NewFixture(START_DECORATION, centre.first, centre.second, this, false));
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

  const RKFixture& up = floor == TOP_FLOOR ? EXIT : STAIRS_UP;
  entities.push_back(NewFixture(up, lastCentre.first, lastCentre.second, this, true));
  if (!arrivedByNext) {
    player->x = lastCentre.first;
    player->y = lastCentre.second;
  }
  if (floor >= 2) {
    entities.push_back(NewFixture(STAIRS_DOWN, firstCentre.first, firstCentre.second, this, true));
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
  monsterChances.emplace(GUARD_WEIGHT, GUARD_KINDS[0].kind);
  monsterChances.emplace(FromCurrentFloor(eliteGuardChance, floor), GUARD_KINDS[1].kind);

  // Every attempt counts, so a crowded room simply gets fewer guards.
  for (int attempt = 0; attempt < monsters; ++attempt) {
    int x = RandomGetInt(room.x1 + 1, room.x2 - 1);
    int y = RandomGetInt(room.y1 + 1, room.y2 - 1);
    if (IsBlocking(x, y, entities)) continue;
    std::string kind = RandomChoice(monsterChances);
    for (const RKGuardKind& guardKind : GUARD_KINDS) {
      if (kind != guardKind.kind) continue;
      entities.push_back(NewGuard(guardKind, x, y, this, funcVec));
      TileAt(x, y)->blocked = true;
    }
  }

  itemChances.clear();
  for (const RKItemKind& itemKind : ITEM_KINDS) {
    itemFloorTable.clear();
    itemFloorTable.emplace(itemKind.weight, itemKind.firstFloor);
    itemChances.emplace(FromCurrentFloor(itemFloorTable, floor), itemKind.kind);
  }

  for (int attempt = 0; attempt < items; ++attempt) {
    int x = RandomGetInt(room.x1 + 1, room.x2 - 1);
    int y = RandomGetInt(room.y1 + 1, room.y2 - 1);
    if (IsBlocking(x, y, entities)) continue;
    std::string kind = RandomChoice(itemChances);
    for (const RKItemKind& itemKind : ITEM_KINDS) {
      if (kind != itemKind.kind) continue;
      RKEntity* entity = NewItem(itemKind, x, y, this, useFuncVec);
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
