#include "world/confusedenemy.h"

#include "core/globals.h"
#include "core/message.h"
#include "dungeon/map.h"
#include "localization/localization.h"
#include "world/entity.h"

RKConfusedEnemy::~RKConfusedEnemy() { delete previousAI; }

void RKConfusedEnemy::Init(RKBasicEnemy* replacedAI, int turns) {
  previousAI = replacedAI;
  numTurns = turns;
}

void RKConfusedEnemy::TakeTurn(RKEntity*, RKMessage* log) {
  if (numTurns <= 0) {
    RKEntity* guard = owner;
    guard->ai = previousAI;
    if (previousAI) previousAI->owner = guard;
    previousAI = nullptr;
    log->SetMessage(gLocalization->TFormat("message.confusionEnded", {guard->GetDisplayName()}),
                    false);
    delete this;
    return;
  }
  int a = RandomGetInt(0, 1);
  int b = RandomGetInt(0, 1);
  owner->Move(b == 1 ? 1 : -1, a == 1 ? 1 : -1);
  --numTurns;
}
