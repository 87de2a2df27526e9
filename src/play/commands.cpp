#include "play/commands.h"

#include <list>
#include <string>

#include "core/globals.h"
#include "core/layout.h"
#include "core/message.h"
#include "input/input.h"
#include "localization/localization.h"
#include "play/progression.h"
#include "play/turnloop.h"
#include "ui/font.h"
#include "ui/menu.h"
#include "ui/screen.h"
#include "world/entity.h"
#include "world/equipment.h"
#include "world/fighter.h"
#include "world/item.h"

namespace {

constexpr unsigned PROMPT_WIDTH = PROMPT_COLUMNS * GLYPH_SIZE;

bool OnPlayerCell(const RKEntity* entity) {
  return entity->x == player->x && entity->y == player->y;
}

// Shows a box of the lines until a key is pressed.
void ShowBox(const std::string& headerKey, const std::list<std::string>& lines) {
  MSGBox(gLocalization->T(headerKey), lines, NARROW_BOX);
}

// Fills inventoryMessages with the prompt and the blank line that parts it from the items.
void SetInventoryPrompt(const std::string& promptKey) {
  inventoryMessages.clear();
  message->WordWarp(PromptText(promptKey), inventoryMessages, PROMPT_WIDTH, true);
  inventoryMessages.push_back("");
}

}  // namespace

bool TakeCommand() {
  for (entityIterator = entities.begin(); entityIterator != entities.end(); ++entityIterator) {
    RKEntity* entity = *entityIterator;
    if (entity != player && entity->item != nullptr && OnPlayerCell(entity)) {
      // Picking up takes the entity out of entities: stop walking it here.
      entity->item->PickUp(message, entities, inventory);
      return true;
    }
  }
  return false;
}

void UseStairsCommand() {
  RKEntity* way = nullptr;
  for (entityIterator = entities.begin(); entityIterator != entities.end(); ++entityIterator) {
    RKEntity* entity = *entityIterator;
    if ((entity->name == "Stairs" || entity->name == "Exit") && OnPlayerCell(entity)) {
      way = entity;
      break;
    }
  }
  if (way == nullptr) {
    return;
  }
  if (way->name == "Exit") {
    ShowBox("ending.header", {gLocalization->T("ending.message")});
    playerAction = ExitWithoutSaving;
  } else if (way->appearance == '>') {
    PreviousFloor();
  } else {
    NextFloor();
  }
}

void DropCommand() {
  SetInventoryPrompt("inventory.dropPrompt");
  RKItem* item = InventoryMenu(inventoryMessages);
  if (item != nullptr) {
    item->Drop(message, entities, inventory, player);
  }
}

void CharacterInfoCommand() {
  RKFighter* fighter = player->fighter;
  int level = fighter->level;
  std::list<std::string> box;
  // Each line goes to the front, so the box reads from the last row of this table up.
  // key                                 value
  const std::pair<const char*, int> lines[] = {
      {"characterInfo.experience", fighter->xp},
      {"characterInfo.experienceToLevel", ExperienceToLevel(level)},
      {"characterInfo.defense", fighter->GetDefense(false)},
      {"characterInfo.attack", fighter->GetPower(false)},
      {"characterInfo.maxHp", fighter->GetMaxHP(false)},
  };
  for (const auto& [key, value] : lines) {
    box.push_front(gLocalization->TFormat(key, {std::to_string(value)}));
  }
  ShowBox("characterInfo.header", box);
}

void InventoryCommand() {
  SetInventoryPrompt("inventory.usePrompt");
  RKItem* item = InventoryMenu(inventoryMessages);
  if (item == nullptr) {
    return;
  }
  // A consumed item is destroyed inside Use: only its result may be looked at afterwards.
  RKEntity* equippable = item->Use(message, player, inventory);
  if (equippable == nullptr) {
    return;
  }
  // The result is ordered by key, so taking off the old piece is told before putting on the
  // new one.
  for (const auto& [change, entity] : player->equipment->ToggleEquip(equippable)) {
    if (change == "Dequipped") {
      message->SetMessage(gLocalization->TFormat("message.dequipped", {entity->GetDisplayName()}),
                          false);
    } else if (change == "Equipped") {
      message->SetMessage(gLocalization->TFormat("message.equipped", {entity->GetDisplayName()}),
                          false);
    }
  }
}
