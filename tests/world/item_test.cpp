// Carrying, dropping, using and wearing things.

#include "world/world_fixture.h"

namespace {

RKItemActions nextResult = Used;
int uses = 0;

RKItemActions FakeUse(RKEntity*) {
  ++uses;
  return nextResult;
}

class ItemTest : public WorldTest {
 protected:
  RKEntity* player = nullptr;

  void SetUp() override {
    WorldTest::SetUp();
    UseTexts({{"message.inventoryFull", "no room for {0}"},
              {"message.itemPickedUp", "took {0}"},
              {"message.itemDropped", "dropped {0}"},
              {"message.itemCantUse", "cannot use {0}"}});
    player = Player(5, 5);
    uses = 0;
  }

  void Carry(int count) {
    for (int i = 0; i < count; ++i) pack.push_back(new RKEntity);
  }
};

TEST_F(ItemTest, PickUpFitsTwentySixItems) {
  struct Case {
    int carried;
    bool taken;
  };
  for (const Case& c : {Case{25, true}, Case{26, false}}) {
    SCOPED_TRACE(c.carried);
    for (RKEntity* entity : pack) delete entity;
    pack.clear();
    message->messages.clear();
    Carry(c.carried);
    RKEntity* kit = Consumable("Kit", FakeUse);

    kit->item->PickUp(message, onFloor, pack);

    bool inPack = !pack.empty() && pack.front() == kit;
    bool onTheFloor = std::find(onFloor.begin(), onFloor.end(), kit) != onFloor.end();
    EXPECT_EQ(inPack, c.taken);
    EXPECT_EQ(onTheFloor, !c.taken);
    EXPECT_EQ(Story(), std::vector<std::string>{c.taken ? "TOOK KIT" : "NO ROOM FOR KIT"});
    if (c.taken) {  // hand it back to the floor list, which the fixture frees
      pack.pop_front();
      onFloor.push_back(kit);
    }
  }
}

TEST_F(ItemTest, NewestPickUpComesFirst) {
  RKEntity* a = Consumable("A", FakeUse);
  RKEntity* b = Consumable("B", FakeUse);
  onFloor.push_back(a);  // listed twice: taking it removes every entry
  a->item->PickUp(message, onFloor, pack);
  b->item->PickUp(message, onFloor, pack);
  EXPECT_EQ(pack, (std::list<RKEntity*>{b, a}));
  EXPECT_EQ(onFloor, std::list<RKEntity*>{player});
}

TEST_F(ItemTest, DroppingTheWornBatonTakesItOffSilently) {
  RKEntity* baton = Piece("Baton", MainHand, 2, 0);
  player->equipment->ToggleEquip(baton);
  player->x = 7;
  player->y = 9;

  baton->item->Drop(message, onFloor, pack, player);

  EXPECT_EQ(player->equipment->mainHand, nullptr);
  EXPECT_EQ(onFloor.front(), baton);
  EXPECT_TRUE(pack.empty());
  EXPECT_EQ(baton->x, 7);
  EXPECT_EQ(baton->y, 9);
  EXPECT_EQ(Story(), std::vector<std::string>{"DROPPED BATON"});
}

TEST_F(ItemTest, ToggleEquipReportsWhatCameOffBeforeWhatWentOn) {
  using Result = std::multimap<std::string, RKEntity*>;
  RKEntity* baton = Piece("Baton", MainHand, 2, 0);
  RKEntity* taser = Piece("Taser", MainHand, 3, 0);
  RKEntity* shield = Piece("Riot Shield", OffHand, 0, 1);
  RKEquipment& worn = *player->equipment;

  EXPECT_EQ(worn.ToggleEquip(baton), (Result{{"Equipped", baton}}));
  Result swap = worn.ToggleEquip(taser);
  ASSERT_EQ(swap.size(), 2u);
  EXPECT_EQ(*swap.begin(), (std::pair<const std::string, RKEntity*>{"Dequipped", baton}));
  EXPECT_EQ(*std::next(swap.begin()), (std::pair<const std::string, RKEntity*>{"Equipped", taser}));
  EXPECT_EQ(worn.mainHand, taser);

  worn.ToggleEquip(shield);
  EXPECT_EQ(worn.GetPowerBonus(), 3);
  EXPECT_EQ(worn.GetDefenseBonus(), 1);
  EXPECT_EQ(worn.GetMaxHPBonus(), 0);

  EXPECT_EQ(worn.ToggleEquip(shield), (Result{{"Dequipped", shield}}));
  EXPECT_EQ(worn.offHand, nullptr);
  EXPECT_EQ(worn.GetDefenseBonus(), 0);
}

TEST_F(ItemTest, PiecesOfAnUnknownSlotOrWithoutRecordChangeNothing) {
  RKEntity* odd = Piece("Odd", static_cast<RKEquipmentSlot>(7), 9, 9);
  EXPECT_TRUE(player->equipment->ToggleEquip(odd).empty());
  RKEntity* kit = Consumable("Kit", FakeUse);
  EXPECT_TRUE(player->equipment->ToggleEquip(kit).empty());
  EXPECT_EQ(player->equipment->mainHand, nullptr);
  EXPECT_EQ(player->equipment->offHand, nullptr);
}

TEST_F(ItemTest, UseConsumesUnlessCancelled) {
  struct Case {
    const char* name;
    RKItemActions result;
    bool kept;
  };
  for (const Case& c :
       {Case{"cancelled stays", Cancelled, true}, Case{"used is gone", Used, false}}) {
    SCOPED_TRACE(c.name);
    RKEntity* kit = Consumable("Kit", FakeUse);
    onFloor.remove(kit);
    pack.push_front(kit);
    nextResult = c.result;

    // A consumed kit is freed inside Use; the sanitizer catches any later touch.
    EXPECT_EQ(kit->item->Use(message, player, pack), nullptr);

    EXPECT_EQ(!pack.empty() && pack.front() == kit, c.kept);
  }
  EXPECT_EQ(uses, 2);
}

TEST_F(ItemTest, UseOfEquipmentHandsItBackAndOfJunkSaysSo) {
  RKEntity* baton = Piece("Baton", MainHand, 2, 0);
  EXPECT_EQ(baton->item->Use(message, player, pack), baton);
  EXPECT_TRUE(message->messages.empty());

  RKEntity* junk = Consumable("Junk", nullptr);
  EXPECT_EQ(junk->item->Use(message, player, pack), nullptr);
  EXPECT_EQ(Story(), std::vector<std::string>{"CANNOT USE JUNK"});
}

}  // namespace
