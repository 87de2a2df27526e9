#pragma once
// The combat component of the player and the guards. Combat is deterministic: an attack always
// hits for the attacker's power minus the target's defence, or does nothing when that is not
// positive. Stored statistics never include equipment; the getters add it on demand.

#include "core/types.h"

class RKEntity;
class RKMessage;

// No statistic leaves -limit..limit: play stays far inside, the relative setters stop there, and
// the sums of combat and levelling (power minus defence, 200 + 150 x level) cannot overflow.
constexpr int FIGHTER_STAT_LIMIT = 1000000;
// What the vitality choice of a level adds to the maximum hit points (power and defence gain 1).
constexpr int LEVEL_UP_VITALITY_GAIN = 20;

class RKFighter {
 public:
  int hp = 0;
  int maxHP = 0;  // without equipment
  int defense = 0;
  int power = 0;
  int level = 0;
  int xp = 0;                 // the player's experience, or what knocking out a guard is worth
  RKEntity* owner = nullptr;  // not owned
  DeathFunction deathFunction = nullptr;

  // hp and maxHP both start at startHP.
  void Init(int startHP, int newDefense, int newPower, int newLevel, int newXP,
            DeathFunction newDeathFunction, RKEntity* newOwner);

  // baseOnly true: the stored value; false: plus the bonuses of what the owner wears.
  int GetMaxHP(bool baseOnly) const;
  int GetDefense(bool baseOnly) const;
  int GetPower(bool baseOnly) const;

  // absolute true assigns; false adds, stopping at FIGHTER_STAT_LIMIT either way.
  void SetHP(int value, bool absolute);
  void SetMaxHP(int value, bool absolute);
  void SetDefense(int value, bool absolute);
  void SetPower(int value, bool absolute);
  void SetLevel(int value, bool absolute);
  void SetXP(int value, bool absolute);

  // Lowers hp, never below 0, and calls the death function on a hit that leaves it at 0.
  // The death function may destroy this fighter: touch nothing of it after this returns.
  void TakeDamage(int amount);
  // Raises hp up to the stored maximum (equipment bonuses are not healed into).
  void Heal(int amount);
  // Hits the target's fighter and posts what happened to the log. A target without a
  // fighter is ignored.
  void Attack(RKEntity* target, RKMessage* log);
};
