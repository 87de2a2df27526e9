#pragma once
// The normal guard behaviour: close in on the player while in the player's view, attack when
// next to the player. The base of the one polymorphic class tree of the game.

class RKEntity;
class RKMessage;

class RKBasicEnemy {
 public:
  RKEntity* owner = nullptr;  // not owned

  RKBasicEnemy() = default;
  virtual ~RKBasicEnemy() = default;
  RKBasicEnemy(const RKBasicEnemy&) = delete;
  RKBasicEnemy& operator=(const RKBasicEnemy&) = delete;

  // One enemy turn. A behaviour may replace (and destroy) itself in its owner's ai field
  // during the call: callers must not use this object afterwards.
  virtual void TakeTurn(RKEntity* player, RKMessage* log);
};
