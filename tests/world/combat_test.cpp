// Attacks, damage, healing and the statistics with and without equipment.

#include "world/world_fixture.h"

namespace {

std::vector<RKEntity*> knockedOut;

// Stands in for the game's death handlers: records the call and posts like they do.
void RecordDeath(RKEntity* entity) {
  knockedOut.push_back(entity);
  message->SetMessage("down goes " + entity->name, false);
}

class CombatTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    knockedOut.clear();
    UseTexts({{"message.attackHit", "{0} hits {1} for {2}"},
              {"message.attackNoEffect", "{0} cannot hurt {1}"}});
  }
};

struct DamageCase {
  const char* name;
  bool guardAttacks;  // else the player attacks
  bool elite;
  bool baton;
  bool shield;
  int damage;
};

TEST_F(CombatTest, DamageIsPowerWithBonusesMinusDefenceWithBonuses) {
  // clang-format off
  const DamageCase cases[] = {
      // name                          guard  elite  baton  shield damage
      {"guard hits bare player",       true,  false, false, false, 3},
      {"guard hits shielded player",   true,  false, false, true,  2},
      {"elite hits shielded player",   true,  true,  true,  true,  6},
      {"player with baton vs guard",   false, false, true,  false, 4},
      {"player with baton vs elite",   false, true,  true,  false, 2},
      {"bare player vs elite",         false, true,  false, false, 0},
  };
  // clang-format on
  for (const DamageCase& c : cases) {
    SCOPED_TRACE(c.name);
    RKEntity* player = Player(10, 10);
    RKEntity* guard = c.elite ? EliteGuard(11, 10) : Guard(11, 10);
    if (c.baton) player->equipment->ToggleEquip(Piece("Baton", MainHand, 2, 0));
    if (c.shield) player->equipment->ToggleEquip(Piece("Riot Shield", OffHand, 0, 1));
    RKEntity* attacker = c.guardAttacks ? guard : player;
    RKEntity* target = c.guardAttacks ? player : guard;
    int before = target->fighter->hp;

    attacker->fighter->Attack(target, message);

    EXPECT_EQ(before - target->fighter->hp, c.damage);
    ASSERT_EQ(message->messages.size(), 1u);
    std::string expected = c.damage > 0 ? "HITS" : "CANNOT HURT";
    EXPECT_NE(message->messages.front().find(expected), std::string::npos)
        << message->messages.front();

    message->messages.clear();
    for (RKEntity* entity : onFloor) delete entity;
    for (RKEntity* entity : pack) delete entity;
    onFloor.clear();
    pack.clear();
    DrawFloor(*map, OpenField());
  }
}

TEST_F(CombatTest, HitMessageNamesBothSidesAndComesBeforeTheDeathHandlers) {
  RKEntity* player = Player(10, 10);
  player->fighter->SetPower(20, true);
  RKEntity* guard = Guard(11, 10, RecordDeath);

  player->fighter->Attack(guard, message);

  EXPECT_EQ(guard->fighter->hp, 0);
  ASSERT_EQ(knockedOut.size(), 1u);
  EXPECT_EQ(knockedOut[0], guard);
  EXPECT_EQ(Story(), (std::vector<std::string>{"PLAYER HITS GUARD FOR 20", "DOWN GOES GUARD"}));
}

TEST_F(CombatTest, TakeDamage) {
  struct Case {
    const char* name;
    int hp;
    int amount;
    int hpAfter;
    bool dies;
  };
  // clang-format off
  const Case cases[] = {
      {"zero does nothing", 20, 0, 20, false},
      {"negative does nothing", 20, -5, 20, false},
      {"ordinary hit", 20, 7, 13, false},
      {"exactly to zero dies", 20, 20, 0, true},
      {"overkill stops at zero", 20, 35, 0, true},
      {"a hit at zero calls it again", 0, 1, 0, true},
  };
  // clang-format on
  RKEntity* guard = Guard(5, 5, RecordDeath);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    knockedOut.clear();
    guard->fighter->SetHP(c.hp, true);
    guard->fighter->TakeDamage(c.amount);
    EXPECT_EQ(guard->fighter->hp, c.hpAfter);
    EXPECT_EQ(knockedOut.size(), c.dies ? 1u : 0u);
  }
}

TEST_F(CombatTest, HealStopsAtTheStoredMaximumNotTheWornOne) {
  RKEntity* player = Player(10, 10);
  player->equipment->ToggleEquip(Piece("Amulet", OffHand, 0, 0, 30));
  ASSERT_EQ(player->fighter->GetMaxHP(false), 130);

  player->fighter->SetHP(70, true);
  player->fighter->Heal(50);
  EXPECT_EQ(player->fighter->hp, 100);
  player->fighter->Heal(10);
  EXPECT_EQ(player->fighter->hp, 100);
}

TEST_F(CombatTest, GettersAddWornBonusesOnlyWhenAskedTo) {
  RKEntity* player = Player(10, 10);
  player->equipment->ToggleEquip(Piece("Taser", MainHand, 3, 0));
  player->equipment->ToggleEquip(Piece("Riot Shield", OffHand, 0, 1));

  EXPECT_EQ(player->fighter->GetPower(false), 5);
  EXPECT_EQ(player->fighter->GetPower(true), 2);
  EXPECT_EQ(player->fighter->GetDefense(false), 2);
  EXPECT_EQ(player->fighter->GetDefense(true), 1);

  RKEntity* guard = Guard(12, 12);  // no equipment component at all
  EXPECT_EQ(guard->fighter->GetPower(false), guard->fighter->GetPower(true));
}

TEST_F(CombatTest, SettersAssignOrAdd) {
  RKFighter fighter;
  fighter.SetXP(100, true);
  fighter.SetXP(35, false);
  EXPECT_EQ(fighter.xp, 135);
  fighter.SetXP(35, true);
  EXPECT_EQ(fighter.xp, 35);
  fighter.SetMaxHP(-10, false);  // nothing is clamped
  EXPECT_EQ(fighter.maxHP, -10);
}

}  // namespace
