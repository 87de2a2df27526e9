#include "world/entity.h"

#include <cmath>

#include "core/globals.h"
#include "dungeon/map.h"
#include "localization/localization.h"
#include "world/basicenemy.h"
#include "world/equipment.h"
#include "world/fighter.h"
#include "world/item.h"

RKEntity::~RKEntity() {
  delete fighter;
  delete ai;  // virtual: a confused behaviour also frees the one it wraps
  delete item;
  delete equipment;  // its slots point into the inventory and are not freed with it
  delete equippable;
}

void RKEntity::Init(int newX, int newY, unsigned char newAppearance, const std::string& newName,
                    RKColors newColor, RKMap* newMap, bool newBlocks, bool newVisible,
                    RKFighter* newFighter, RKBasicEnemy* newAI, RKItem* newItem,
                    RKEquipment* newEquipment, RKEquippable* newEquippable) {
  x = newX;
  y = newY;
  appearance = newAppearance;
  name = newName;
  color = newColor;
  map = newMap;
  blocks = newBlocks;
  visible = newVisible;
  fighter = newFighter;
  ai = newAI;
  item = newItem;
  equipment = newEquipment;
  equippable = nullptr;
  if (fighter) fighter->owner = this;
  if (ai) ai->owner = this;
  if (item) item->owner = this;
  if (equipment) equipment->owner = this;
  if (newEquippable) SetEquippable(newEquippable);
}

void RKEntity::Move(int dx, int dy) {
  int targetX = x + dx;
  int targetY = y + dy;
  if (!map || !map->HasFloor() || !InsideMap(targetX, targetY)) return;
  RKTile* target = map->TileAt(targetX, targetY);
  if (target->blocked) return;
  // The entity may stand outside the grid (never in play): then there is no mark to clear.
  if (InsideMap(x, y)) map->TileAt(x, y)->blocked = false;
  x = targetX;
  y = targetY;
  target->blocked = true;
}

void RKEntity::MoveTorwards(const RKEntity* target) {
  float dx = static_cast<float>(target->x - x);
  float dy = static_cast<float>(target->y - y);
  float distance = std::sqrt(dx * dx + dy * dy);
  if (distance == 0.0f) return;
  // Truncation, not rounding: a diagonal offset gives |step| < 1 on both axes and no move.
  Move(static_cast<int>(dx / distance), static_cast<int>(dy / distance));
}

float RKEntity::Distance(int toX, int toY) const {
  int dx = toX - x;
  int dy = toY - y;
  return std::sqrt(static_cast<float>(dx * dx + dy * dy));
}

float RKEntity::DistanceTo(const RKEntity* other) const { return Distance(other->x, other->y); }

void RKEntity::RemoveComponents() {
  delete fighter;
  delete ai;
  delete item;
  fighter = nullptr;
  ai = nullptr;
  item = nullptr;
}

void RKEntity::SendToBack(std::list<RKEntity*>& list) {
  list.remove(this);
  list.push_front(this);
}

void RKEntity::SetEquipment(RKEquipment* newEquipment) {
  if (equipment != newEquipment) delete equipment;
  equipment = newEquipment;
  if (equipment) equipment->owner = this;
}

void RKEntity::SetEquippable(RKEquippable* newEquippable) {
  if (equippable != newEquippable) delete equippable;
  equippable = newEquippable;
  if (!equippable) return;
  equippable->owner = this;
  if (!item) {
    item = new RKItem;
    item->Init(nullptr, this);
  }
}

std::string RKEntity::GetDisplayName() const {
  return gLocalization ? gLocalization->LocalizeEntityName(name) : name;
}

void DeleteEntities(std::list<RKEntity*>& list) {
  while (!list.empty()) {
    delete list.back();
    list.pop_back();
  }
}

void EndGame() {
  DeleteEntities(entities);
  DeleteEntities(inventory);
  player = nullptr;
  delete theMap;
  theMap = nullptr;
  inventoryMessages.clear();
  playerMovedOrAttacked = false;
}
