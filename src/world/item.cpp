#include "world/item.h"

#include "core/globals.h"
#include "core/message.h"
#include "localization/localization.h"
#include "world/entity.h"
#include "world/equipment.h"

void RKItem::Init(UseFunction newUseFunction, RKEntity* newOwner) {
  useFunction = newUseFunction;
  owner = newOwner;
}

void RKItem::PickUp(RKMessage* log, std::list<RKEntity*>& entities,
                    std::list<RKEntity*>& inventory) {
  if (inventory.size() >= MAX_INVENTORY) {
    log->SetMessage(gLocalization->TFormat("message.inventoryFull", {owner->GetDisplayName()}),
                    false);
    return;
  }
  inventory.push_front(owner);
  entities.remove(owner);
  log->SetMessage(gLocalization->TFormat("message.itemPickedUp", {owner->GetDisplayName()}), false);
}

void RKItem::Drop(RKMessage* log, std::list<RKEntity*>& entities, std::list<RKEntity*>& inventory,
                  RKEntity* dropper) {
  RKEquipment* worn = dropper->equipment;
  if (worn && (worn->mainHand == owner || worn->offHand == owner)) {
    worn->ToggleEquip(owner);
  }
  entities.push_front(owner);
  inventory.remove(owner);
  owner->x = dropper->x;
  owner->y = dropper->y;
  log->SetMessage(gLocalization->TFormat("message.itemDropped", {owner->GetDisplayName()}), false);
}

RKEntity* RKItem::Use(RKMessage* log, RKEntity* user, std::list<RKEntity*>& inventory) {
  if (!useFunction) {
    if (owner->equippable) return owner;
    log->SetMessage(gLocalization->TFormat("message.itemCantUse", {owner->GetDisplayName()}),
                    false);
    return nullptr;
  }
  if (useFunction(user) != Cancelled) {
    RKEntity* usedUp = owner;
    inventory.remove(usedUp);
    delete usedUp;  // and this item with it
  }
  return nullptr;
}
