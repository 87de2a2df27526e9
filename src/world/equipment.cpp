#include "world/equipment.h"

#include "world/entity.h"

namespace {

const RKEquippable* PieceOf(const RKEntity* worn) { return worn ? worn->equippable : nullptr; }

// The sum of one bonus over both slots; an empty slot or a piece without record adds 0.
int SumBonus(const RKEquipment& equipment, int RKEquippable::* bonus) {
  int sum = 0;
  for (const RKEntity* worn : {equipment.mainHand, equipment.offHand}) {
    if (const RKEquippable* piece = PieceOf(worn)) sum += piece->*bonus;
  }
  return sum;
}

}  // namespace

int RKEquipment::GetPowerBonus() const { return SumBonus(*this, &RKEquippable::powerBonus); }
int RKEquipment::GetDefenseBonus() const { return SumBonus(*this, &RKEquippable::defenseBonus); }
int RKEquipment::GetMaxHPBonus() const { return SumBonus(*this, &RKEquippable::maxHPBonus); }

std::multimap<std::string, RKEntity*> RKEquipment::ToggleEquip(RKEntity* piece) {
  std::multimap<std::string, RKEntity*> result;
  if (!piece || !piece->equippable) return result;
  RKEntity** slot = nullptr;
  switch (piece->equippable->slot) {
    case MainHand:
      slot = &mainHand;
      break;
    case OffHand:
      slot = &offHand;
      break;
  }
  if (!slot) return result;
  if (*slot == piece) {
    *slot = nullptr;
    result.emplace("Dequipped", piece);
    return result;
  }
  if (*slot) result.emplace("Dequipped", *slot);
  *slot = piece;
  result.emplace("Equipped", piece);
  return result;
}
