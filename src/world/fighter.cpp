#include "world/fighter.h"

#include <algorithm>
#include <string>

#include "core/globals.h"
#include "core/message.h"
#include "localization/localization.h"
#include "world/entity.h"
#include "world/equipment.h"

void RKFighter::Init(int startHP, int newDefense, int newPower, int newLevel, int newXP,
                     DeathFunction newDeathFunction, RKEntity* newOwner) {
  hp = startHP;
  maxHP = startHP;
  defense = newDefense;
  power = newPower;
  level = newLevel;
  xp = newXP;
  deathFunction = newDeathFunction;
  owner = newOwner;
}

int RKFighter::GetMaxHP(bool baseOnly) const {
  if (baseOnly || !owner || !owner->equipment) return maxHP;
  return maxHP + owner->equipment->GetMaxHPBonus();
}

int RKFighter::GetDefense(bool baseOnly) const {
  if (baseOnly || !owner || !owner->equipment) return defense;
  return defense + owner->equipment->GetDefenseBonus();
}

int RKFighter::GetPower(bool baseOnly) const {
  if (baseOnly || !owner || !owner->equipment) return power;
  return power + owner->equipment->GetPowerBonus();
}

namespace {

// base + change in wide arithmetic, kept within the statistics' bound.
int AddWithin(int base, int change) {
  const long long sum = static_cast<long long>(base) + change;
  return static_cast<int>(std::clamp<long long>(sum, -FIGHTER_STAT_LIMIT, FIGHTER_STAT_LIMIT));
}

}  // namespace

void RKFighter::SetHP(int value, bool absolute) { hp = absolute ? value : AddWithin(hp, value); }
void RKFighter::SetMaxHP(int value, bool absolute) {
  maxHP = absolute ? value : AddWithin(maxHP, value);
}
void RKFighter::SetDefense(int value, bool absolute) {
  defense = absolute ? value : AddWithin(defense, value);
}
void RKFighter::SetPower(int value, bool absolute) {
  power = absolute ? value : AddWithin(power, value);
}
void RKFighter::SetLevel(int value, bool absolute) {
  level = absolute ? value : AddWithin(level, value);
}
void RKFighter::SetXP(int value, bool absolute) { xp = absolute ? value : AddWithin(xp, value); }

void RKFighter::TakeDamage(int amount) {
  if (amount <= 0) return;
  hp = AddWithin(hp, -amount);
  if (hp > 0) return;
  hp = 0;
  // Last use of this object: a guard's death handler removes its fighter.
  if (deathFunction) deathFunction(owner);
}

void RKFighter::Heal(int amount) { hp = std::min(AddWithin(hp, amount), maxHP); }

void RKFighter::Attack(RKEntity* target, RKMessage* log) {
  if (!target || !target->fighter) return;
  RKFighter* victim = target->fighter;
  const long long wide = static_cast<long long>(GetPower(false)) - victim->GetDefense(false);
  const int damage = static_cast<int>(std::clamp<long long>(wide, 0, FIGHTER_STAT_LIMIT));
  if (damage <= 0) {
    log->SetMessage(gLocalization->TFormat("message.attackNoEffect",
                                           {owner->GetDisplayName(), target->GetDisplayName()}),
                    false);
    return;
  }
  // The hit is posted before the damage so that it precedes the death handler's messages.
  log->SetMessage(gLocalization->TFormat(
                      "message.attackHit",
                      {owner->GetDisplayName(), target->GetDisplayName(), std::to_string(damage)}),
                  false);
  victim->TakeDamage(damage);
}
