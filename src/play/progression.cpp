#include "play/progression.h"

#include <string>
#include <vector>

#include "core/globals.h"
#include "core/message.h"
#include "dungeon/map.h"
#include "input/globals.h"
#include "localization/localization.h"
#include "play/turnloop.h"
#include "ui/globals.h"
#include "ui/menu.h"
#include "ui/render.h"
#include "ui/screen.h"
#include "world/entity.h"
#include "world/fighter.h"
#include "world/tile.h"

namespace {

// What each level-up choice shows and raises, in menu order.
enum RKLevelUpChoice { Vitality = 0, Strength = 1, Agility = 2 };

void Post(const std::string& text) { message->SetMessage(text, false); }

void PostFloorChange() {
  Post(gLocalization->TFormat("message.floorChange",
                              {std::to_string(FloorsLeft(theMap->currentFloor))}));
}

// Floors are never kept: everything but the player is thrown away and a new floor is built.
void BuildFloor(bool arrivedByNext) {
  for (RKEntity* entity : entities) {
    if (entity != player) {
      delete entity;
    }
  }
  entities.clear();
  entities.push_back(player);
  theMap->CreateMap(theMap->currentFloor, player, entities, funcVec, useFuncVec, arrivedByNext);
}

}  // namespace

void PlayerDeath(RKEntity* entity) {
  Post(gLocalization->T("message.defeated"));
  gameState = PlayerDead;
  entity->appearance = '%';
}

void EnemyDeath(RKEntity* entity) {
  std::string oldName = entity->GetDisplayName();
  Post(gLocalization->TFormat("message.enemyUnconscious", {oldName}));
  entity->appearance = '%';
  entity->blocks = false;
  // A standing guard marks its cell blocked; lying down frees it for the very next step.
  RKMap* map = entity->map != nullptr ? entity->map : theMap;
  if (map != nullptr && InsideMap(entity->x, entity->y)) {
    std::size_t index = static_cast<std::size_t>(CellIndex(entity->x, entity->y));
    if (index < map->tiles.size()) {
      map->tiles[index]->blocked = false;
    }
  }
  int worth = entity->fighter != nullptr ? entity->fighter->xp : 0;
  if (player != nullptr && player->fighter != nullptr) {
    player->fighter->SetXP(worth, false);
  }
  Post(gLocalization->TFormat("message.enemyUnconsciousXp", {oldName, std::to_string(worth)}));
  entity->RemoveComponents();
  // Every name that can be knocked out leaves room for the prefix within the saved names' bound.
  if (entity->name.size() + UNCONSCIOUS_NAME_PREFIX.size() <= MAX_NAME_BYTES) {
    entity->name = std::string(UNCONSCIOUS_NAME_PREFIX) + entity->name;
  }
  entity->SendToBack(entities);
}

int ExperienceToLevel(int level) { return 200 + 150 * level; }

bool CheckLevelUp() {
  if (player == nullptr || player->fighter == nullptr) {
    return false;
  }
  RKFighter* fighter = player->fighter;
  int threshold = ExperienceToLevel(fighter->level);
  if (fighter->xp < threshold) {
    return false;
  }
  // key                      value shown after the choice
  const std::pair<const char*, int> choices[] = {
      {"menu.levelUp.vitality", fighter->GetMaxHP(false) + LEVEL_UP_VITALITY_GAIN},
      {"menu.levelUp.strength", fighter->GetPower(false) + 1},
      {"menu.levelUp.agility", fighter->GetDefense(false) + 1},
  };
  std::vector<std::string> lines;
  for (const auto& [key, value] : choices) {
    lines.push_back(gLocalization->TFormat(key, {std::to_string(value)}));
  }

  CopyOfSurface();
  int selected = 0;
  for (;;) {
    SetMenuLines(lines, selected);
    if (MenuConfirmed(gLocalization->T("menu.levelUp.header"), option, WIDE_MENU, selected,
                      false)) {
      break;
    }
    // The choice cannot be skipped, but a close request abandons it: the experience stays
    // as it is, so the level is offered again when the saved game is continued.
    if (quitRequested) {
      return false;
    }
  }

  // One level per call; a surplus worth another level is taken on the next frame.
  fighter->SetLevel(1, false);
  fighter->SetXP(-threshold, false);
  Post(gLocalization->TFormat("menu.levelUp.message", {std::to_string(fighter->level)}));

  switch (selected) {
    case Vitality:
      fighter->SetMaxHP(LEVEL_UP_VITALITY_GAIN, false);
      fighter->SetHP(LEVEL_UP_VITALITY_GAIN, false);
      break;
    case Strength:
      fighter->SetPower(1, false);
      break;
    case Agility:
      fighter->SetDefense(1, false);
      break;
    default:
      break;
  }
  return true;
}

void NextFloor() {
  // The top floor has the exit instead; nothing lies above it.
  if (theMap->currentFloor >= TOP_FLOOR) {
    return;
  }
  Post(gLocalization->T("message.recharge"));
  player->fighter->Heal(player->fighter->GetMaxHP(false) / 2);
  theMap->currentFloor += 1;
  PostFloorChange();
  BuildFloor(true);
}

void PreviousFloor() {
  if (theMap->currentFloor <= 1) {
    return;
  }
  theMap->currentFloor -= 1;
  PostFloorChange();
  BuildFloor(false);
}
