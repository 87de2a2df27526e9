// The saved game: what a save followed by a load gives back, and every way a file is refused.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <list>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "app/globals.h"
#include "core/globals.h"
#include "core/message.h"
#include "cson/cson.h"
#include "dungeon/map.h"
#include "persistence/savegame.h"
#include "play/effects.h"
#include "play/lifecycle.h"
#include "play/progression.h"
#include "play/turnloop.h"
#include "support/harness.h"
#include "world/basicenemy.h"
#include "world/confusedenemy.h"
#include "world/entity.h"
#include "world/equipment.h"
#include "world/fighter.h"
#include "world/item.h"
#include "world/kinds.h"

namespace {

using zokCSON::Value;

// Everything a save must keep about an entity, as one comparable line.
std::string Describe(const RKEntity& e) {
  std::ostringstream out;
  out << e.name << " @" << e.x << "," << e.y << " glyph " << int(e.appearance) << " colour "
      << int(e.color) << " blocks " << e.blocks << " visible " << e.visible;
  if (e.equippable) {
    out << " slot " << e.equippable->slot << " +" << e.equippable->powerBonus << "/"
        << e.equippable->defenseBonus << "/" << e.equippable->maxHPBonus;
  }
  if (e.fighter) {
    const RKFighter& f = *e.fighter;
    out << " fighter " << f.GetMaxHP(true) << " " << f.hp << " " << f.GetDefense(true) << " "
        << f.GetPower(true) << " L" << f.level << " xp" << f.xp;
  }
  return out.str();
}

std::vector<std::string> Describe(const std::list<RKEntity*>& list) {
  std::vector<std::string> lines;
  for (const RKEntity* e : list) lines.push_back(Describe(*e));
  return lines;
}

std::vector<int> TileFlags() {
  std::vector<int> flags;
  for (const RKTile* t : theMap->tiles)
    flags.push_back(t->blocked * 4 + t->blockSight * 2 + t->explored);
  return flags;
}

// A small floor in a throw-away folder: a room with the player, a guard, a confused guard, an
// unconscious guard and a first aid kit; four items carried; eight log lines.
class SaveGameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = std::make_unique<RunFolder>();
    ResetProgramState();
    message = new RKMessage();
    FillRegistries();
    BuildScene();
  }

  void TearDown() override {
    EndGame();
    delete message;
    message = nullptr;
    funcVec.clear();
    useFuncVec.clear();
    folder.reset();
  }

  RKEntity* Add(std::list<RKEntity*>& list, int x, int y, unsigned char glyph,
                const std::string& name, RKColors color, bool blocks, RKFighter* fighter = nullptr,
                RKBasicEnemy* ai = nullptr, RKEquippable* equippable = nullptr) {
    auto* e = new RKEntity();
    e->Init(x, y, glyph, name, color, theMap, blocks, !blocks, fighter, ai, nullptr, nullptr,
            equippable);
    list.push_back(e);
    if (blocks) theMap->TileAt(x, y)->blocked = true;
    return e;
  }

  static RKFighter* Fighter(int hp, int def, int power, int level, int xp, DeathFunction death) {
    auto* f = new RKFighter();
    f->Init(hp, def, power, level, xp, death, nullptr);
    return f;
  }

  static RKEquippable* Piece(RKEquipmentSlot slot, int power, int defense, int maxHP) {
    auto* p = new RKEquippable();
    p->slot = slot;
    p->powerBonus = power;
    p->defenseBonus = defense;
    p->maxHPBonus = maxHP;
    return p;
  }

  void BuildScene() {
    theMap = new RKMap();
    for (int i = 0; i < MAP_CELLS; ++i) {
      auto* tile = new RKTile();
      tile->Init(true, false);
      theMap->tiles.push_back(tile);
    }
    for (int y = 1; y <= 10; ++y) {
      for (int x = 1; x <= 20; ++x) theMap->TileAt(x, y)->Init(false, false);
    }
    for (int x = 0; x <= 8; ++x) theMap->TileAt(x, 4)->explored = true;
    theMap->fov.assign(MAP_CELLS, false);
    theMap->currentFloor = 4;

    player = Add(entities, 5, 5, '@', "Player", LightGreen, true,
                 Fighter(120, 2, 3, 4, 140, PlayerDeath));
    player->fighter->hp = 77;
    player->SetEquipment(new RKEquipment());
    Add(entities, 8, 5, 'G', "Guard", Yellow, true, Fighter(20, 0, 4, 1, 35, EnemyDeath),
        new RKBasicEnemy());
    RKEntity* confused = Add(entities, 10, 5, 'E', "Elite Guard", LightRed, true,
                             Fighter(30, 2, 8, 1, 100, EnemyDeath), new RKBasicEnemy());
    auto* blinded = new RKConfusedEnemy();
    blinded->Init(confused->ai, 7);
    blinded->owner = confused;
    confused->ai = blinded;
    Add(entities, 12, 5, '%', "Unconscious Guard", DarkGray, false);
    RKEntity* kit = Add(entities, 6, 6, '!', "First Aid Kit", Red, false);
    kit->item = new RKItem();
    kit->item->Init(UseFirstAidKit, kit);

    Add(inventory, 0, 0, '!', "Pepper Spray", LightMagenta, false);
    inventory.back()->item = new RKItem();
    inventory.back()->item->Init(UsePepperSpray, inventory.back());
    taser = Add(inventory, 0, 0, '-', "Taser", Yellow, false, nullptr, nullptr,
                Piece(MainHand, 3, 0, 0));
    Add(inventory, 0, 0, '[', "Riot Shield", Brown, false, nullptr, nullptr,
        Piece(OffHand, 0, 1, 0));
    Add(inventory, 0, 0, '-', "Baton", Cyan, false, nullptr, nullptr, Piece(MainHand, 2, 0, 0));
    player->equipment->ToggleEquip(taser);

    for (int i = 1; i <= 7; ++i) message->SetMessage("line " + std::to_string(i), false);
    message->SetMessage(std::string("stunned ") + char(144) + " guard", false);
    gameState = PlayerDead;
    gameOver = true;
    playerAction = SaveAndExit;
  }

  // The saved document, to be changed by a test and written back.
  Value SavedDocument() {
    EXPECT_TRUE(SaveGame());
    Value root;
    EXPECT_EQ(zokCSON::ParseFile("game.sav", root, nullptr), zokCSON::ErrorCode::Ok);
    return root;
  }

  std::unique_ptr<RunFolder> folder;
  RKEntity* taser = nullptr;
};

TEST_F(SaveGameTest, LoadGivesBackTheSavedGame) {
  const std::vector<std::string> floorBefore = Describe(entities);
  const std::vector<std::string> packBefore = Describe(inventory);
  const std::vector<int> tilesBefore = TileFlags();
  std::vector<std::string> logBefore(message->messages.begin(),
                                     std::next(message->messages.begin(), 6));
  ASSERT_TRUE(SaveGame());

  std::string version;
  ASSERT_EQ(LoadGame(version), LoadOk);

  EXPECT_EQ(Describe(entities), floorBefore);
  EXPECT_EQ(Describe(inventory), packBefore);
  EXPECT_EQ(TileFlags(), tilesBefore);
  EXPECT_EQ(std::vector<std::string>(message->messages.begin(), message->messages.end()),
            logBefore);
  EXPECT_EQ(message->messages.front(), std::string("STUNNED ") + char(144) + " GUARD");
  EXPECT_EQ(theMap->currentFloor, 4);
  EXPECT_EQ(gameState, PlayerDead);
  EXPECT_FALSE(gameOver);
  EXPECT_EQ(playerAction, TurnTaken);
  EXPECT_EQ(version, GAMEVERSION);
  for (const RKEntity* e : entities) EXPECT_EQ(e->map, theMap) << e->name;
}

TEST_F(SaveGameTest, BehavioursAndEffectsComeBackFromNames) {
  ASSERT_TRUE(SaveGame());
  std::string version;
  ASSERT_EQ(LoadGame(version), LoadOk);

  auto find = [](const std::list<RKEntity*>& list, const std::string& name) -> RKEntity* {
    for (RKEntity* e : list) {
      if (e->name == name) return e;
    }
    return nullptr;
  };
  ASSERT_NE(player, nullptr);
  EXPECT_EQ(player, find(entities, "Player"));
  EXPECT_EQ(player->fighter->deathFunction, &PlayerDeath);
  ASSERT_NE(player->equipment, nullptr);
  EXPECT_EQ(player->ai, nullptr);

  // Confusion is not kept: the elite guard acts normally again.
  RKEntity* elite = find(entities, "Elite Guard");
  ASSERT_NE(elite->ai, nullptr);
  EXPECT_EQ(dynamic_cast<RKConfusedEnemy*>(elite->ai), nullptr);
  EXPECT_EQ(elite->ai->owner, elite);
  EXPECT_EQ(elite->fighter->deathFunction, &EnemyDeath);
  EXPECT_EQ(elite->fighter->owner, elite);

  EXPECT_EQ(find(entities, "First Aid Kit")->item->useFunction, &UseFirstAidKit);
  EXPECT_EQ(find(inventory, "Pepper Spray")->item->useFunction, &UsePepperSpray);
  EXPECT_EQ(find(inventory, "Pepper Spray")->item->owner, find(inventory, "Pepper Spray"));
  ASSERT_NE(find(inventory, "Baton")->item, nullptr);
  EXPECT_EQ(find(inventory, "Baton")->item->useFunction, nullptr);

  // The piece worn before saving is worn again, and only that one.
  EXPECT_EQ(player->equipment->mainHand, find(inventory, "Taser"));
  EXPECT_EQ(player->equipment->offHand, nullptr);
  for (const RKEntity* e : inventory) EXPECT_EQ(e->order, 0);
}

// A save of an older version says nothing of worn pieces: every piece is put on in file order,
// as then, so that such a game still loads as it did.
TEST_F(SaveGameTest, ASaveThatDoesNotSayWhatIsWornPutsEveryPieceOnInFileOrder) {
  Value root = SavedDocument();
  for (Value& item : root["InventoryItems"].AsArray()) item.AsObject().erase("Worn");
  ASSERT_TRUE(zokCSON::WriteFile("game.sav", root, {}, nullptr));
  std::string version;
  ASSERT_EQ(LoadGame(version), LoadOk);
  EXPECT_EQ(player->equipment->mainHand->name, "Baton");
  EXPECT_EQ(player->equipment->offHand->name, "Riot Shield");
}

// The worn piece changed across a save: with the taser worn, the baton put on and the game
// saved, the taser was worn again after Continue.
TEST_F(SaveGameTest, ThePieceWornLastIsWornAfterEverySave) {
  RKEntity* baton = inventory.back();
  ASSERT_EQ(baton->name, "Baton");
  player->equipment->ToggleEquip(baton);
  for (int round = 0; round < 2; ++round) {
    ASSERT_TRUE(SaveGame());
    std::string version;
    ASSERT_EQ(LoadGame(version), LoadOk);
    ASSERT_NE(player->equipment->mainHand, nullptr);
    EXPECT_EQ(player->equipment->mainHand->name, "Baton");
    EXPECT_EQ(player->equipment->offHand, nullptr);
  }
}

// A log line holding a doubled backslash lost one on every save and load. Lines written before
// the writer doubled backslashes read as they always did.
TEST_F(SaveGameTest, BackslashesInTheLogSurviveEverySave) {
  message->messages.clear();
  const std::string line = "A \\\\ B \\U0041 C \\";
  message->messages.push_back(line);
  for (int round = 0; round < 3; ++round) {
    ASSERT_TRUE(SaveGame());
    std::string version;
    ASSERT_EQ(LoadGame(version), LoadOk);
    ASSERT_EQ(message->messages.size(), 1u);
    EXPECT_EQ(message->messages.front(), line) << "round " << round;
  }
  Value root = SavedDocument();
  root["GameMessages"][std::size_t{0}]["Message"] = Value("OLD \\\\ \\u0041");
  ASSERT_TRUE(zokCSON::WriteFile("game.sav", root, {}, nullptr));
  std::string version;
  ASSERT_EQ(LoadGame(version), LoadOk);
  EXPECT_EQ(message->messages.front(), "OLD \\ A");
}

// Every bound of the loader holds what the writer can write at it: a full pack, the longest name
// a kind gives, six log lines as wide as the log in the bytes that grow most when written.
TEST_F(SaveGameTest, TheWorstCaseOfEveryBoundSavesAndLoads) {
  while (inventory.size() < MAX_INVENTORY) {
    Add(inventory, 0, 0, '!', "Pepper Spray", LightMagenta, false);
    inventory.back()->item = new RKItem();
    inventory.back()->item->Init(UsePepperSpray, inventory.back());
  }
  for (RKEntity* e : entities) {
    if (e->name == "Unconscious Guard") e->name = "Unconscious Elite Guard";
  }
  message->messages.clear();
  std::string worst;
  while (worst.size() < 56) worst += (worst.size() % 2 == 0) ? char(200) : '\\';
  for (std::size_t i = 0; i < 6; ++i) message->messages.push_back(worst);
  const std::vector<std::string> floorBefore = Describe(entities);
  const std::vector<std::string> packBefore = Describe(inventory);
  ASSERT_TRUE(SaveGame());
  std::string version;
  ASSERT_EQ(LoadGame(version), LoadOk);
  EXPECT_EQ(Describe(entities), floorBefore);
  EXPECT_EQ(Describe(inventory), packBefore);
  EXPECT_EQ(std::vector<std::string>(message->messages.begin(), message->messages.end()),
            std::vector<std::string>(6, worst));
}

// What lies at the temporary file's name never takes the save: a named pipe there blocked the
// game in the open, and a link to the settings had the save written through it.
TEST_F(SaveGameTest, WhatLiesAtTheTemporaryNameIsReplacedNotWrittenThrough) {
  std::ofstream("game.cfg") << "Settings: kept\n";
  struct RKCase {
    const char* name;
    std::function<void()> make;
  };
  const RKCase cases[] = {
      {"a link to the settings",
       [] { std::filesystem::create_symlink("game.cfg", "game.sav.tmp"); }},
      {"a dangling link", [] { std::filesystem::create_symlink("nowhere", "game.sav.tmp"); }},
      {"a named pipe", [] { ASSERT_EQ(mkfifo("game.sav.tmp", 0600), 0); }},
      {"a file left by a crash", [] { std::ofstream("game.sav.tmp") << "half a save"; }},
  };
  for (const RKCase& c : cases) {
    SCOPED_TRACE(c.name);
    c.make();
    ASSERT_TRUE(SaveGame());
    EXPECT_EQ(ReadText("game.cfg"), "Settings: kept\n");
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status("game.sav.tmp")));
    EXPECT_FALSE(std::filesystem::exists("nowhere"));
    std::string version;
    EXPECT_EQ(LoadGame(version), LoadOk);
  }
}

// Effects are not saved: every usable item gets its own back from its name, on the floor and in
// the pack; and a new game's registry, from which population gives an item its effect by place,
// holds them in this order.
TEST_F(SaveGameTest, EveryUsableItemGetsItsEffectBackFromItsName) {
  const struct {
    const char* name;
    UseFunction effect;  // and its place in the registry is the row's
  } rows[] = {
      {"First Aid Kit", UseFirstAidKit},
      {"Tranquilizer Gun", UseTranquilizerGun},
      {"Stun Grenade", UseStunGrenade},
      {"Pepper Spray", UsePepperSpray},
  };
  ASSERT_EQ(useFuncVec.size(), std::size(rows));
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(useFuncVec[i], rows[i].effect) << "registry entry " << i << ": " << rows[i].name;
    const RKKind* kind = FindKind(rows[i].name);
    ASSERT_NE(kind, nullptr) << rows[i].name;
    entities.push_back(NewEntity(*kind, 7, 7, theMap, nullptr, rows[i].effect));
    inventory.push_back(NewEntity(*kind, 0, 0, theMap, nullptr, rows[i].effect));
  }
  ASSERT_TRUE(SaveGame());
  std::string version;
  ASSERT_EQ(LoadGame(version), LoadOk);

  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    int found = 0;
    for (const std::list<RKEntity*>* list : {&entities, &inventory}) {
      for (const RKEntity* e : *list) {
        if (e->name != row.name) continue;
        ++found;
        ASSERT_NE(e->item, nullptr);
        EXPECT_EQ(e->item->useFunction, row.effect);
      }
    }
    EXPECT_GE(found, 2);
  }
}

TEST_F(SaveGameTest, FileKeepsWallsOnlyAndOccupancyComesBack) {
  Value root = SavedDocument();
  const Value::Array& cells = root.Find("Map")->AsArray();
  ASSERT_EQ(cells.size(), static_cast<std::size_t>(MAP_CELLS));
  auto savedBlocked = [&](int x, int y) { return cells[CellIndex(x, y)].Find("b")->AsNumber(); };
  EXPECT_EQ(savedBlocked(5, 5), 0) << "player";
  EXPECT_EQ(savedBlocked(8, 5), 0) << "guard";
  EXPECT_EQ(savedBlocked(0, 0), 1) << "wall";

  std::string version;
  ASSERT_EQ(LoadGame(version), LoadOk);
  EXPECT_TRUE(theMap->TileAt(5, 5)->blocked);
  EXPECT_TRUE(theMap->TileAt(8, 5)->blocked);
  EXPECT_FALSE(theMap->TileAt(12, 5)->blocked) << "unconscious guard";
  EXPECT_FALSE(theMap->TileAt(6, 6)->blocked) << "item";
  EXPECT_EQ(theMap->fov.size(), static_cast<std::size_t>(MAP_CELLS));
  EXPECT_TRUE(theMap->fov[CellIndex(0, 0)]) << "fov starts as the walls";
  EXPECT_FALSE(theMap->fov[CellIndex(5, 5)]);
}

TEST_F(SaveGameTest, LogKeepsSixNewestLinesOldestFirst) {
  Value root = SavedDocument();
  const Value::Array& lines = root.Find("GameMessages")->AsArray();
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(root.Find("NumGameMessages")->AsNumber(), 6);
  EXPECT_EQ(lines.front().Find("Message")->AsString(), "LINE 3");
  EXPECT_EQ(lines.front().Find("Order")->AsNumber(), 0);
  EXPECT_EQ(lines.back().Find("Message")->AsString(), "STUNNED \\u0090 GUARD");
  EXPECT_EQ(lines.back().Find("Order")->AsNumber(), 5);
  // The writer doubles the backslash on disk.
  EXPECT_NE(ReadText("game.sav").find("STUNNED \\\\u0090 GUARD"), std::string::npos);
}

TEST_F(SaveGameTest, TileFlagsReadOnlyTrueAndOne) {
  Value root = SavedDocument();
  Value& first = root["Map"][std::size_t{0}];
  first["b"] = Value(2);
  first["bs"] = Value(true);
  first["e"] = Value(1.7);
  ASSERT_TRUE(zokCSON::WriteFile("game.sav", root, {}, nullptr));
  std::string version;
  ASSERT_EQ(LoadGame(version), LoadOk);
  EXPECT_FALSE(theMap->tiles[0]->blocked);
  EXPECT_TRUE(theMap->tiles[0]->blockSight);
  EXPECT_TRUE(theMap->tiles[0]->explored);
}

TEST_F(SaveGameTest, GameMessagesOfAnotherKindGiveAnEmptyLog) {
  Value root = SavedDocument();
  root["GameMessages"] = Value(3);
  ASSERT_TRUE(zokCSON::WriteFile("game.sav", root, {}, nullptr));
  std::string version;
  ASSERT_EQ(LoadGame(version), LoadOk);
  EXPECT_TRUE(message->messages.empty());
}

struct RKBadSave {
  const char* name;
  std::function<void(Value&)> change;
  int result;
  const char* console;     // the line LoadGame prints on standard output, empty for none
  const char* reason;      // the reason it prints on standard error, empty for none
  bool keepsGame = false;  // refused before the running game is touched
};

void PrintTo(const RKBadSave& bad, std::ostream* out) { *out << bad.name; }

class SaveGameRejects : public SaveGameTest, public ::testing::WithParamInterface<RKBadSave> {};

TEST_P(SaveGameRejects, WithItsCodeAndReasonAndLeavesNoHalfGame) {
  const RKBadSave& bad = GetParam();
  Value root = SavedDocument();
  bad.change(root);
  ASSERT_TRUE(zokCSON::WriteFile("game.sav", root, {}, nullptr));
  RKEntity* playerBefore = player;
  const std::size_t entitiesBefore = entities.size();

  std::string version;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  const int result = LoadGame(version);
  const std::string err = testing::internal::GetCapturedStderr();
  const std::string console = testing::internal::GetCapturedStdout();

  EXPECT_EQ(result, bad.result);
  EXPECT_EQ(console, bad.console);
  EXPECT_EQ(err, *bad.reason == '\0' ? std::string()
                                     : std::string("Saved game not loaded: ") + bad.reason + "\n");
  if (!bad.keepsGame) {
    // The running game was reset: nothing of it, nor of the file, is left behind.
    EXPECT_TRUE(entities.empty());
    EXPECT_TRUE(inventory.empty());
    EXPECT_EQ(player, nullptr);
    ASSERT_NE(theMap, nullptr);
    ASSERT_TRUE(theMap->HasFloor());
    EXPECT_EQ(theMap->fov.size(), static_cast<std::size_t>(MAP_CELLS));
    for (const RKTile* tile : theMap->tiles) ASSERT_TRUE(tile->blocked);
    EXPECT_TRUE(message->messages.empty());
  } else {
    // Signature and version are checked before anything is touched.
    EXPECT_EQ(player, playerBefore);
    EXPECT_EQ(entities.size(), entitiesBefore);
    EXPECT_EQ(gameState, PlayerDead);
  }
}

Value& EntityNamed(Value& root, const char* key, const std::string& name) {
  for (Value& e : root[key].AsArray()) {
    if (e.Find("Name")->AsString() == name) return e;
  }
  throw std::runtime_error("no entity " + name);
}

std::string Repeated(const std::string& text, int times) {
  std::string all;
  for (int i = 0; i < times; ++i) all += text;
  return all;
}

// The fixture's floor lists the player first, then the guard, the elite guard, the unconscious
// guard and the kit; its pack the pepper spray, the taser, the shield and the baton.
const RKBadSave BAD_SAVES[] = {
    {"WrongSignature", [](Value& r) { r["Signature"] = Value("TVKXX"); }, LoadBadSignature,
     "Save game signature invalid!\n", "", true},
    {"SignatureNumber", [](Value& r) { r["Signature"] = Value(5); }, LoadBadSignature,
     "Save game signature invalid!\n", "", true},
    {"NoSignature", [](Value& r) { r.AsObject().erase("Signature"); }, LoadFailed, "",
     "\"Signature\" is missing", true},
    {"NoVersion", [](Value& r) { r.AsObject().erase("Version"); }, LoadFailed, "",
     "\"Version\" is missing", true},
    {"OtherVersion", [](Value& r) { r["Version"] = Value("0.3"); }, LoadBadVersion,
     "Save game version doesn't match! (Save Game Version: 0.3 / Game Version: 0.4)\n", "", true},
    {"VersionNumber", [](Value& r) { r["Version"] = Value(0.4); }, LoadBadVersion,
     "Save game version doesn't match! (Save Game Version:  / Game Version: 0.4)\n", "", true},
    {"NoGameMessages", [](Value& r) { r.AsObject().erase("GameMessages"); }, LoadFailed, "",
     "\"GameMessages\" is missing"},
    {"NoNumGameMessages", [](Value& r) { r.AsObject().erase("NumGameMessages"); }, LoadFailed, "",
     "\"NumGameMessages\" is missing"},
    {"NoNumEntities", [](Value& r) { r.AsObject().erase("NumEntities"); }, LoadFailed, "",
     "\"NumEntities\" is missing"},
    {"NoNumInventoryItems", [](Value& r) { r.AsObject().erase("NumInventoryItems"); }, LoadFailed,
     "", "\"NumInventoryItems\" is missing"},
    {"NoCurrentFloor", [](Value& r) { r.AsObject().erase("CurrentFloor"); }, LoadFailed, "",
     "\"CurrentFloor\" is missing"},
    // A floor far outside the int range overflowed the heads-up panel's "11 - floor".
    {"FloorFarOutside", [](Value& r) { r["CurrentFloor"] = Value(-1e12); }, LoadFailed, "",
     "floor -2147483648 lies outside 1-10"},
    {"FloorBelowTheFirst", [](Value& r) { r["CurrentFloor"] = Value(0); }, LoadFailed, "",
     "floor 0 lies outside 1-10"},
    {"FloorAboveTheTop", [](Value& r) { r["CurrentFloor"] = Value(11); }, LoadFailed, "",
     "floor 11 lies outside 1-10"},
    {"WidthNot80", [](Value& r) { r["Width"] = Value(81); }, LoadFailed, "",
     "\"Width\" and \"Height\" are not 80 and 40"},
    {"HeightAString", [](Value& r) { r["Height"] = Value("40"); }, LoadFailed, "",
     "\"Width\" and \"Height\" are not 80 and 40"},
    {"MapNotAList", [](Value& r) { r["Map"] = Value::MakeObject(); }, LoadFailed, "",
     "\"Map\" is not a list"},
    {"MapOneTileShort", [](Value& r) { r["Map"].AsArray().pop_back(); }, LoadFailed, "",
     "the map holds 3199 cells, not 3200"},
    {"MapOneTileOver", [](Value& r) { r["Map"].Append(r["Map"][std::size_t{0}]); }, LoadFailed, "",
     "the map holds 3201 cells, not 3200"},
    {"PlayerRightOfTheGrid",
     [](Value& r) { EntityNamed(r, "Entities", "Player")["X"] = Value(80); }, LoadFailed, "",
     "entity 0 stands outside the map"},
    {"GuardAboveTheGrid", [](Value& r) { EntityNamed(r, "Entities", "Guard")["Y"] = Value(-1); },
     LoadFailed, "", "entity 1 stands outside the map"},
    {"ItemFarOutside",
     [](Value& r) { EntityNamed(r, "Entities", "First Aid Kit")["X"] = Value(1e12); }, LoadFailed,
     "", "entity 4 stands outside the map"},
    {"NoPlayer", [](Value& r) { EntityNamed(r, "Entities", "Player")["Name"] = Value("Ghost"); },
     LoadFailed, "", "entity 0 (\"Ghost\") is of no kind the game knows"},
    {"TwoPlayers", [](Value& r) { r["Entities"].Append(EntityNamed(r, "Entities", "Player")); },
     LoadFailed, "", "there are 2 players"},
    {"PlayerWithoutFighter",
     [](Value& r) { EntityNamed(r, "Entities", "Player")["Fighter"] = Value(false); }, LoadFailed,
     "", "the player cannot fight"},
    {"EntitiesNotAList", [](Value& r) { r["Entities"] = Value(1); }, LoadFailed, "",
     "there is no player"},
    {"GlyphPast255",
     [](Value& r) { EntityNamed(r, "Entities", "Guard")["Appearance"] = Value(256); }, LoadFailed,
     "", "entity 1 has glyph 256, outside 0-255"},
    {"ColourPastThePalette",
     [](Value& r) { EntityNamed(r, "Entities", "Guard")["Color"] = Value(16); }, LoadFailed, "",
     "entity 1 has colour 16, outside 0-15"},
    {"NegativeColourInPack",
     [](Value& r) { EntityNamed(r, "InventoryItems", "Baton")["Color"] = Value(-1); }, LoadFailed,
     "", "pack item 3 has colour -1, outside 0-15"},
    // Statistics no game reaches overflowed power minus defence and the level threshold.
    {"PowerNoGameReaches",
     [](Value& r) { EntityNamed(r, "Entities", "Player")["Power"] = Value(2e9); }, LoadFailed, "",
     "entity 0 has fighter statistics no game reaches"},
    {"LevelNoGameReaches",
     [](Value& r) { EntityNamed(r, "Entities", "Player")["Level"] = Value(2e7); }, LoadFailed, "",
     "entity 0 has fighter statistics no game reaches"},
    {"BonusNoGameReaches",
     [](Value& r) { EntityNamed(r, "InventoryItems", "Baton")["DefenseBonus"] = Value(-2e9); },
     LoadFailed, "", "pack item 3 has bonuses no game reaches"},
    // A pack item named with 20,000 prefixes killed the game when the pack opened; a 1 MB plain
    // name crashed the inventory box.
    {"NameOfPrefixes",
     [](Value& r) {
       EntityNamed(r, "InventoryItems", "Baton")["Name"] = Value(Repeated("Unconscious ", 20000));
     },
     LoadFailed, "", "pack item 3 has a name of 240000 bytes, at most 256"},
    {"MegabyteName",
     [](Value& r) {
       EntityNamed(r, "Entities", "Guard")["Name"] = Value(std::string(1 << 20, 'x'));
     },
     LoadFailed, "", "entity 1 has a name of 1048576 bytes, at most 256"},
    // 1,000,000 of 1 hit points drew a bar of 20 million cells every frame.
    {"HitPointsFarAboveTheMaximum",
     [](Value& r) {
       Value& p = EntityNamed(r, "Entities", "Player");
       p["HP"] = Value(1000000);
     },
     LoadFailed, "", "the player has 1000000 hit points, at most 120"},
    {"GuardAboveItsMaximum",
     [](Value& r) { EntityNamed(r, "Entities", "Guard")["HP"] = Value(21); }, LoadFailed, "",
     "entity 1 has 21 hit points, at most 20"},
    {"NegativeHitPoints", [](Value& r) { EntityNamed(r, "Entities", "Guard")["HP"] = Value(-1); },
     LoadFailed, "", "entity 1 has -1 hit points, below 0"},
    {"MaximumOfNothing", [](Value& r) { EntityNamed(r, "Entities", "Player")["MaxHP"] = Value(0); },
     LoadFailed, "", "entity 0 has a maximum of 0 hit points, at least 1"},
    // The inventory box letters 26 lines only: a bigger pack could not be used at all.
    {"PackOf27",
     [](Value& r) {
       while (r["InventoryItems"].Size() < 27) {
         r["InventoryItems"].Append(r["InventoryItems"][std::size_t{0}]);
       }
     },
     LoadFailed, "", "pack holds 27 items, at most 26"},
    {"FloorOfAThousandAndOneEntities",
     [](Value& r) {
       Value kit = EntityNamed(r, "Entities", "First Aid Kit");
       while (r["Entities"].Size() < 1001) r["Entities"].Append(kit);
     },
     LoadFailed, "", "the floor holds 1001 entities, at most 1000"},
    // A game in the menus' state ran with no key doing anything.
    {"StateOfTheMenus", [](Value& r) { r["GameState"] = Value(2); }, LoadFailed, "",
     "\"GameState\" is 2, neither 0 (playing) nor 1 (player defeated)"},
    {"NoState", [](Value& r) { r.AsObject().erase("GameState"); }, LoadFailed, "",
     "\"GameState\" is missing"},
    {"SevenLogLines", [](Value& r) { r["GameMessages"].Append(r["GameMessages"][std::size_t{0}]); },
     LoadFailed, "", "the log holds 7 lines, at most 6"},
    {"LogLineOfTwoKilobytes",
     [](Value& r) { r["GameMessages"][std::size_t{2}]["Message"] = Value(std::string(2048, 'X')); },
     LoadFailed, "", "log line 2 has 2048 bytes, at most 1024"},
    // What play cannot produce: each of these played on into a crash or a save refused later.
    {"WornFirstAidKit",
     [](Value& r) {
       Value& kit = EntityNamed(r, "InventoryItems", "Pepper Spray");
       kit["Equippable"] = Value(true);
       kit["Slot"] = Value(0);
     },
     LoadFailed, "", "pack item 0 (\"Pepper Spray\") cannot be worn"},
    {"WearablePlayer",
     [](Value& r) { EntityNamed(r, "Entities", "Player")["Equippable"] = Value(true); }, LoadFailed,
     "", "entity 0 (\"Player\") cannot be worn"},
    {"PlayerInThePack",
     [](Value& r) { EntityNamed(r, "InventoryItems", "Baton")["Name"] = Value("Player"); },
     LoadFailed, "", "pack item 3 (\"Player\") is no item and cannot be carried"},
    {"PackItemOfNoKind",
     [](Value& r) { EntityNamed(r, "InventoryItems", "Baton")["Name"] = Value("Sword"); },
     LoadFailed, "", "pack item 3 (\"Sword\") is of no kind the game knows"},
    {"GuardOfNoKind", [](Value& r) { EntityNamed(r, "Entities", "Guard")["Name"] = Value("Orc"); },
     LoadFailed, "", "entity 1 (\"Orc\") is of no kind the game knows"},
    {"PackEntryWithNoItemPart",
     [](Value& r) { EntityNamed(r, "InventoryItems", "Baton")["Equippable"] = Value(false); },
     LoadFailed, "", "pack item 3 (\"Baton\") must be wearable and is not"},
    {"ShieldInTheMainHand",
     [](Value& r) { EntityNamed(r, "InventoryItems", "Riot Shield")["Slot"] = Value(0); },
     LoadFailed, "",
     "pack item 2 (\"Riot Shield\") is worn in the main hand, only in the off hand"},
    {"KitThatFights",
     [](Value& r) { EntityNamed(r, "Entities", "First Aid Kit")["Fighter"] = Value(true); },
     LoadFailed, "", "entity 4 (\"First Aid Kit\") cannot fight and has a fighter"},
    {"GuardThatCannotFight",
     [](Value& r) { EntityNamed(r, "Entities", "Guard")["Fighter"] = Value(false); }, LoadFailed,
     "", "entity 1 (\"Guard\") must fight and has no fighter"},
    {"LevelBelowOne",
     [](Value& r) { EntityNamed(r, "Entities", "Player")["Level"] = Value(-1000000); }, LoadFailed,
     "", "entity 0 is at level -1000000, at least 1"},
    {"StatisticsBeyondTheLevel",
     [](Value& r) { EntityNamed(r, "Entities", "Player")["Power"] = Value(5); }, LoadFailed, "",
     "entity 0 has statistics that level 4 does not give"},
    {"GuardStrongerThanItsKind",
     [](Value& r) { EntityNamed(r, "Entities", "Guard")["Power"] = Value(40); }, LoadFailed, "",
     "entity 1 has statistics unlike every Guard"},
    {"StairsUpOnTheTopFloor",
     [](Value& r) {
       r["CurrentFloor"] = Value(10);
       Value stairs = EntityNamed(r, "Entities", "First Aid Kit");
       stairs["Name"] = Value("Stairs");
       stairs["Appearance"] = Value(int('<'));
       r["Entities"].Append(stairs);
     },
     LoadFailed, "", "entity 5 leads up from the top floor"},
    {"StairsDownOnTheFirstFloor",
     [](Value& r) {
       r["CurrentFloor"] = Value(1);
       Value stairs = EntityNamed(r, "Entities", "First Aid Kit");
       stairs["Name"] = Value("Stairs");
       stairs["Appearance"] = Value(int('>'));
       r["Entities"].Append(stairs);
     },
     LoadFailed, "", "entity 5 leads down from the first floor"},
    {"TwoPiecesWornInOneHand",
     [](Value& r) { EntityNamed(r, "InventoryItems", "Baton")["Worn"] = Value(true); }, LoadFailed,
     "", "pack item 3 is worn in the main hand, which holds another piece"},
};

INSTANTIATE_TEST_SUITE_P(Files, SaveGameRejects, ::testing::ValuesIn(BAD_SAVES),
                         [](const auto& info) { return std::string(info.param.name); });

// The bounds leave room for what play produces: a player healed while wearing a piece that adds
// to the maximum keeps those hit points, and names and log lines at their bounds are kept.
TEST_F(SaveGameTest, AcceptsWhatIsJustInsideTheBounds) {
  Value root = SavedDocument();
  EntityNamed(root, "InventoryItems", "Riot Shield")["MaxHPBonus"] = Value(10);
  EntityNamed(root, "InventoryItems", "Riot Shield")["Worn"] = Value(true);
  EntityNamed(root, "Entities", "Player")["HP"] = Value(130);  // 120 + 10
  root["GameMessages"][std::size_t{0}]["Message"] = Value(std::string(1024, 'M'));
  ASSERT_TRUE(zokCSON::WriteFile("game.sav", root, {}, nullptr));
  std::string version;
  ASSERT_EQ(LoadGame(version), LoadOk);
  EXPECT_EQ(player->fighter->hp, 130);
  EXPECT_EQ(player->fighter->GetMaxHP(false), 130);
  // A line longer than the log is wide comes back broken at its width.
  std::string joined;
  for (const std::string& line : message->messages) {
    if (line.find_first_not_of('M') == std::string::npos) joined += line;
  }
  EXPECT_EQ(joined, std::string(1024, 'M'));
}

TEST_F(SaveGameTest, RejectsFilesThatAreNoDocument) {
  ASSERT_TRUE(SaveGame());
  const std::string saved = ReadText("game.sav");
  struct RKCase {
    const char* name;
    std::string text;
    bool exists;
  };
  const RKCase cases[] = {
      {"no file", "", false},
      {"garbage", "\x01\x02{{[[ not: a: save", true},
      {"list at the top", "- 1\n- 2\n", true},
      {"first half only", saved.substr(0, saved.size() / 2), true},
  };
  for (const RKCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove("game.sav");
    if (c.exists) std::ofstream("game.sav", std::ios::binary) << c.text;
    std::string version;
    EXPECT_EQ(LoadGame(version), LoadFailed);
  }
}

// Every bound above is checked on the read document; a file far larger than any game would have
// the reader build a tree of gigabytes first. It is refused from its size, the game untouched.
TEST_F(SaveGameTest, AFileFarLargerThanAnyGameIsRefusedUnread) {
  RKEntity* playerBefore = player;
  std::ofstream("game.sav", std::ios::binary) << std::string(4 * 1024 * 1024 + 1, '[');
  std::string version;
  testing::internal::CaptureStderr();
  EXPECT_EQ(LoadGame(version), LoadFailed);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Saved game not loaded: the file has 4194305 bytes, at most 4194304\n");
  EXPECT_EQ(player, playerBefore);
}

// A file the player brings in (the web page's import) gets the loader's verdict in words, with
// nothing on the console and nothing of it left running; the menus' state stays as it was.
TEST_F(SaveGameTest, ABroughtInFileIsCheckedByTheLoaderAndLeftNotRunning) {
  Value good = SavedDocument();
  struct RKCase {
    const char* name;
    std::function<std::string()> text;  // the file's content
    std::string why;                    // the start of the reason, empty for a file that loads
  };
  auto text = [](const Value& root) {
    std::string out;
    EXPECT_TRUE(zokCSON::WriteText(root, out, {}, nullptr));
    return out;
  };
  auto changed = [&](const std::function<void(Value&)>& change) {
    Value root = good;
    change(root);
    return text(root);
  };
  const RKCase cases[] = {
      {"a save", [&] { return text(good); }, ""},
      {"too large", [] { return std::string(MAX_SAVE_BYTES + 1, ' '); },
       "the file has 4194305 bytes, at most 4194304"},
      {"not a document", [] { return std::string("\x01{{ not: a: save"); }, "brought.sav:"},
      {"another signature", [&] { return changed([](Value& r) { r["Signature"] = Value("X"); }); },
       "it is no saved game of this game"},
      {"another version", [&] { return changed([](Value& r) { r["Version"] = Value("0.1"); }); },
       "it was saved by version 0.1, this is version " + GAMEVERSION},
      {"damaged", [&] { return changed([](Value& r) { r["CurrentFloor"] = Value(12); }); },
       "floor 12 lies outside 1-10"},
  };
  for (const RKCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::ofstream("brought.sav", std::ios::binary) << c.text();
    gameState = InMenus;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const std::string why = CheckSaveFile("brought.sav");
    EXPECT_EQ(testing::internal::GetCapturedStderr() + testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(why.substr(0, c.why.size()), c.why);
    EXPECT_EQ(why.empty(), c.why.empty()) << why;
    EXPECT_EQ(gameState, InMenus);
    EXPECT_TRUE(entities.empty());
    EXPECT_EQ(player, nullptr);
  }
}

TEST(SaveMessageEscape, BytesAbove127BecomeEscapes) {
  struct RKCase {
    std::string line, stored;
  };
  const RKCase cases[] = {
      {"PLAIN TEXT", "PLAIN TEXT"},
      {std::string("A") + char(144) + char(255), "A\\u0090\\u00FF"},
      // A backslash is doubled, so that the letters of an escape after it stay letters and a
      // doubled one in the log survives every save and load.
      {"BACK\\SLASH", "BACK\\\\SLASH"},
      {std::string("\\u00e9 ") + char(200), "\\\\u00e9 \\u00C8"},
  };
  for (const RKCase& c : cases) {
    EXPECT_EQ(EscapeSaveMessage(c.line), c.stored) << c.line;
  }
}

TEST(SaveMessageEscape, UnescapeTurnsEscapesBackIntoBytes) {
  struct RKCase {
    std::string stored, line;
  };
  const RKCase cases[] = {
      {"A\\u0090B", std::string("A") + char(144) + "B"},
      {"\\u00fF", std::string(1, char(255))},
      {"\\u0141", "?"},
      {"TWO \\\\ ONE", "TWO \\ ONE"},
      {"\\u00G1", "\\u00G1"},
      {"END \\u00F", "END \\u00F"},
      {"LONE \\", "LONE \\"},
  };
  for (const RKCase& c : cases) {
    EXPECT_EQ(UnescapeSaveMessage(c.stored), c.line) << c.stored;
  }
}

}  // namespace
