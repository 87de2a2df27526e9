#pragma once
// A small hand-made floor for rules tests: the map is drawn as ASCII rows ('#' wall, '.'
// floor) in its top-left corner, everything else is wall, and the localization service and
// message log the rules post to exist with an empty catalogue unless a test adds texts.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include <list>
#include <string>
#include <vector>

#include "core/globals.h"
#include "core/message.h"
#include "dungeon/map.h"
#include "localization/localization.h"
#include "world/basicenemy.h"
#include "world/entity.h"
#include "world/equipment.h"
#include "world/fighter.h"
#include "world/item.h"
#include "world/kinds.h"

// Makes every cell of the map wall, then carves the floor cells of the picture.
inline void DrawFloor(RKMap& map, const std::vector<std::string>& rows) {
  for (RKTile* tile : map.tiles) delete tile;
  map.tiles.clear();
  for (int i = 0; i < MAP_CELLS; ++i) {
    RKTile* tile = new RKTile;
    tile->Init(true, false);
    map.tiles.push_back(tile);
  }
  for (int y = 0; y < static_cast<int>(rows.size()); ++y) {
    for (int x = 0; x < static_cast<int>(rows[y].size()); ++x) {
      if (rows[y][x] != '#') map.TileAt(x, y)->Init(false, false);
    }
  }
  map.fov.assign(MAP_CELLS, false);
}

// The cells in view of a region as rows: '@' viewer, '#' lit wall, '.' lit floor, ' ' dark.
inline std::vector<std::string> ViewPicture(const RKMap& map, const RKEntity& viewer, int width,
                                            int height) {
  std::vector<std::string> rows;
  for (int y = 0; y < height; ++y) {
    std::string row;
    for (int x = 0; x < width; ++x) {
      if (x == viewer.x && y == viewer.y) {
        row += '@';
      } else if (!map.InView(x, y)) {
        row += ' ';
      } else {
        row += map.TileAt(x, y)->blockSight ? '#' : '.';
      }
    }
    rows.push_back(row);
  }
  return rows;
}

// One room the size of the map: floor everywhere inside the walled border.
inline std::vector<std::string> OpenField() {
  std::vector<std::string> rows(MAP_HEIGHT, "#" + std::string(MAP_WIDTH - 2, '.') + "#");
  rows.front() = rows.back() = std::string(MAP_WIDTH, '#');
  return rows;
}

class WorldTest : public ::testing::Test {
 protected:
  RKMap* map = nullptr;
  std::list<RKEntity*> onFloor;  // stands in for the global entities
  std::list<RKEntity*> pack;     // stands in for the global inventory

  void SetUp() override {
    gLocalization = new RKLocalization;
    message = new RKMessage;
    map = new RKMap;
    DrawFloor(*map, OpenField());
  }

  void TearDown() override {
    for (RKEntity* entity : onFloor) delete entity;
    for (RKEntity* entity : pack) delete entity;
    delete map;
    delete message;
    delete gLocalization;
    message = nullptr;
    gLocalization = nullptr;
  }

  // Catalogue texts with visible tokens, so messages can be checked word for word.
  void UseTexts(std::initializer_list<std::pair<const std::string, std::string>> texts) {
    for (const auto& [key, text] : texts) gLocalization->translations[key] = text;
  }

  // An entity of the kind standing at (x, y) on the floor; a blocking one marks its cell.
  RKEntity* Stand(const RKKind& kind, int x, int y, DeathFunction death = nullptr,
                  UseFunction use = nullptr) {
    RKEntity* entity = NewEntity(kind, x, y, map, death, use);
    if (entity->blocks) map->TileAt(x, y)->blocked = true;
    onFloor.push_back(entity);
    return entity;
  }

  RKEntity* Player(int x, int y) { return Stand(KindOf(RKKindId::Player), x, y); }

  RKEntity* Guard(int x, int y, DeathFunction death = nullptr) {
    return Stand(KindOf(RKKindId::Guard), x, y, death);
  }

  RKEntity* EliteGuard(int x, int y) { return Stand(KindOf(RKKindId::EliteGuard), x, y); }

  // A piece of equipment in the pack, made as the baton's row makes it with other bonuses.
  RKEntity* Piece(const std::string& name, RKEquipmentSlot slot, int power, int defense,
                  int maxHP = 0) {
    RKKind kind = KindOf(RKKindId::Baton);
    kind.name = name.c_str();
    kind.worn = {slot, power, defense, maxHP};
    RKEntity* entity = NewEntity(kind, 0, 0, map);
    pack.push_back(entity);
    return entity;
  }

  // An item on the floor, made as the first aid kit's row makes it with another use.
  RKEntity* Consumable(const std::string& name, UseFunction use, int x = 1, int y = 1) {
    RKKind kind = KindOf(RKKindId::FirstAidKit);
    kind.name = name.c_str();
    return Stand(kind, x, y, nullptr, use);
  }

  // The log, oldest line first, as the player would read a story.
  std::vector<std::string> Story() const {
    return {message->messages.rbegin(), message->messages.rend()};
  }
};
