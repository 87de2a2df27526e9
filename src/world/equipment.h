#pragma once
// What the player wears: one piece per slot, each adding its bonuses to the wearer's
// statistics while worn. The worn pieces stay owned by the inventory.

#include <cstdint>
#include <map>
#include <string>

class RKEntity;

enum RKEquipmentSlot : std::uint32_t { MainHand = 0, OffHand = 1 };

// A piece of equipment's record; attached with RKEntity::Init or SetEquippable.
class RKEquippable {
 public:
  RKEntity* owner = nullptr;  // not owned
  RKEquipmentSlot slot = MainHand;
  int powerBonus = 0;
  int defenseBonus = 0;
  int maxHPBonus = 0;
};

class RKEquipment {
 public:
  RKEntity* owner = nullptr;     // the wearer; not owned
  RKEntity* mainHand = nullptr;  // not owned
  RKEntity* offHand = nullptr;   // not owned

  // Sums over both slots; an empty slot adds 0.
  int GetPowerBonus() const;
  int GetDefenseBonus() const;
  int GetMaxHPBonus() const;

  // Puts the piece on, or takes it off when it is already worn. The result names what was
  // taken off ("Dequipped") and put on ("Equipped"); ordered by key, so every "Dequipped"
  // comes first. A piece without an equippable or of an unknown slot changes nothing.
  std::multimap<std::string, RKEntity*> ToggleEquip(RKEntity* piece);
};
