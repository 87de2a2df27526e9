#include "world/kinds.h"

#include <algorithm>

#include "world/basicenemy.h"
#include "world/entity.h"
#include "world/fighter.h"
#include "world/item.h"

const RKKind* FindKind(const std::string& name) {
  for (const RKKind& kind : KIND_TABLE) {
    if (name == kind.name) return &kind;
  }
  return nullptr;
}

std::vector<RKUseEffect> UseEffectsInOrder() {
  std::vector<RKUseEffect> effects;
  for (const RKKind& kind : KIND_TABLE) {
    if (kind.use != RKUseEffect::None &&
        std::find(effects.begin(), effects.end(), kind.use) == effects.end()) {
      effects.push_back(kind.use);
    }
  }
  return effects;
}

UseFunction UseFunctionOf(RKUseEffect effect, const std::vector<UseFunction>& useFuncVec) {
  const std::vector<RKUseEffect> effects = UseEffectsInOrder();
  auto found = std::find(effects.begin(), effects.end(), effect);
  if (found == effects.end()) return nullptr;
  const auto index = static_cast<std::size_t>(found - effects.begin());
  return index < useFuncVec.size() ? useFuncVec[index] : nullptr;
}

RKEntity* NewEntity(const RKKind& kind, int x, int y, RKMap* map, DeathFunction death,
                    UseFunction use) {
  RKFighter* fighter = nullptr;
  RKBasicEnemy* ai = nullptr;
  RKItem* item = nullptr;
  RKEquipment* equipment = nullptr;
  RKEquippable* equippable = nullptr;
  switch (kind.role) {
    case RKKindRole::Player:
    case RKKindRole::Guard:
      fighter = new RKFighter;
      fighter->Init(kind.fighter.hp, kind.fighter.defense, kind.fighter.power, kind.fighter.level,
                    kind.fighter.xp, death, nullptr);
      if (kind.role == RKKindRole::Player) {
        equipment = new RKEquipment;
      } else {
        ai = new RKBasicEnemy;
      }
      break;
    case RKKindRole::Usable:
      item = new RKItem;
      item->Init(use, nullptr);
      break;
    case RKKindRole::Equipment:
      equippable = new RKEquippable;
      equippable->slot = kind.worn.slot;
      equippable->powerBonus = kind.worn.power;
      equippable->defenseBonus = kind.worn.defense;
      equippable->maxHPBonus = kind.worn.maxHP;
      break;
    case RKKindRole::Fixture:
      break;
  }
  RKEntity* entity = new RKEntity;
  entity->Init(x, y, kind.glyph, kind.name, kind.color, map, kind.blocks, kind.visible, fighter, ai,
               item, equipment, equippable);
  return entity;
}
