#pragma once
// What makes an entity carriable: either a use function (consumables) or, together with an
// equippable, a piece of equipment.

#include <cstddef>
#include <list>

#include "core/types.h"

class RKEntity;
class RKMessage;

// The most the player can carry: one inventory letter each.
constexpr std::size_t MAX_INVENTORY = 26;

class RKItem {
 public:
  RKEntity* owner = nullptr;  // not owned
  UseFunction useFunction = nullptr;

  void Init(UseFunction newUseFunction, RKEntity* newOwner);

  // Moves the owner from the floor to the front of the inventory, unless the pack is full.
  void PickUp(RKMessage* log, std::list<RKEntity*>& entities, std::list<RKEntity*>& inventory);
  // Takes the owner off (silently) if the dropper wears it and puts it at the dropper's feet,
  // at the front of the entities so that it is drawn beneath everything on its cell.
  void Drop(RKMessage* log, std::list<RKEntity*>& entities, std::list<RKEntity*>& inventory,
            RKEntity* dropper);
  // Returns the owner when it is equipment for the caller to toggle, otherwise null. A used-up
  // item is removed from the inventory and destroyed (this object with it).
  RKEntity* Use(RKMessage* log, RKEntity* user, std::list<RKEntity*>& inventory);
};
