#include "world/basicenemy.h"

#include "dungeon/map.h"
#include "world/entity.h"
#include "world/fighter.h"

void RKBasicEnemy::TakeTurn(RKEntity* player, RKMessage* log) {
  RKMap* map = owner->map;
  // The view is the one drawn last, from the player's cell before their latest move.
  if (!map || map->fov.size() != static_cast<std::size_t>(MAP_CELLS) ||
      !InsideMap(owner->x, owner->y) || !map->InView(owner->x, owner->y)) {
    return;
  }
  if (owner->DistanceTo(player) >= 2.0f) {
    owner->MoveTorwards(player);
  } else if (player->fighter && player->fighter->hp > 0 && owner->fighter) {
    owner->fighter->Attack(player, log);
  }
}
