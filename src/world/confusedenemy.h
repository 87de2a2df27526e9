#pragma once
// A guard blinded by pepper spray: it staggers diagonally at random and never attacks, then
// hands its owner back the behaviour it replaced.

#include "world/basicenemy.h"

class RKConfusedEnemy : public RKBasicEnemy {
 public:
  int numTurns = 0;
  RKBasicEnemy* previousAI = nullptr;  // owned until handed back

  RKConfusedEnemy() = default;
  ~RKConfusedEnemy() override;

  // Takes ownership of the replaced behaviour (which may itself be confused).
  void Init(RKBasicEnemy* replacedAI, int turns);
  // With turns left: one random diagonal step. Without: restores the replaced behaviour,
  // announces it and destroys this object.
  void TakeTurn(RKEntity* player, RKMessage* log) override;
};
