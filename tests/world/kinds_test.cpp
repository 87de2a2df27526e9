// The kinds table: every row holds what its role needs, and nothing the code that reads it by
// name or by lottery could confuse with another row. The rows' numbers are checked where they
// act, against the game's rules: population (dungeon), the effects, combat and a new game.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "world/kinds.h"

namespace {

bool IsFighter(const RKKind& kind) {
  return kind.role == RKKindRole::Player || kind.role == RKKindRole::Guard;
}

bool NoChances(const RKKind& kind) {
  for (const RKChanceStep& step : kind.chances) {
    if (step.weight != 0 || step.firstFloor != 0) return false;
  }
  return true;
}

TEST(KindTable, EveryRowHoldsWhatItsRoleNeeds) {
  for (const RKKind& kind : KIND_TABLE) {
    SCOPED_TRACE(kind.name);
    const RKFighterNumbers& fighter = kind.fighter;
    if (IsFighter(kind)) {
      EXPECT_GT(fighter.hp, 0) << "a fighter starting without hit points is knocked out at once";
      EXPECT_GE(fighter.level, 1);
      EXPECT_TRUE(kind.blocks) << "fighters hold their cell";
    } else {
      EXPECT_EQ(fighter.hp + fighter.defense + fighter.power + fighter.level + fighter.xp, 0)
          << "fighter numbers on a row that gets no fighter";
    }
    EXPECT_EQ(kind.role == RKKindRole::Usable, kind.use != RKUseEffect::None)
        << "a usable item needs an effect, and only a usable item gets one";
    if (kind.role == RKKindRole::Equipment) {
      EXPECT_TRUE(kind.worn.slot == MainHand || kind.worn.slot == OffHand);
    } else {
      EXPECT_EQ(kind.worn.power + kind.worn.defense + kind.worn.maxHP, 0)
          << "bonuses on a row that gets no equippable";
    }
    // A kind in a lottery needs a weight on some floor; one outside needs none.
    if (*kind.lottery == '\0') {
      EXPECT_TRUE(NoChances(kind)) << "chances without a lottery name to draw";
    } else {
      EXPECT_NE(kind.role, RKKindRole::Player);
      EXPECT_NE(kind.role, RKKindRole::Fixture);
      EXPECT_FALSE(NoChances(kind)) << "in the lottery but never drawn";
    }
  }
}

// A draw makes every row of its lottery that has the drawn name, and the loader gives an
// item the effect of the first row with its name.
TEST(KindTable, LotteryNamesAndNamesLeadToOneRow) {
  std::set<std::string> guardDraws, itemDraws;
  for (const RKKind& kind : KIND_TABLE) {
    SCOPED_TRACE(kind.name);
    if (*kind.lottery != '\0') {
      std::set<std::string>& draws = kind.role == RKKindRole::Guard ? guardDraws : itemDraws;
      EXPECT_TRUE(draws.insert(kind.lottery).second) << kind.lottery << " names two rows";
    }
    // Rows may share a name only to look different (the stairs up and down).
    const RKKind* first = FindKind(kind.name);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->role, kind.role);
    EXPECT_EQ(first->use, kind.use) << "the saved game cannot restore this row's effect";
    EXPECT_STREQ(first->nameKey, kind.nameKey);
  }
}

}  // namespace
