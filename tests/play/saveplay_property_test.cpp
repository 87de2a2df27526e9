// Every save the loader accepts plays and saves into a file it accepts again: crafted saves at the
// edges of what play can produce, each played with random keys through the real turn loop (moves,
// take, drop, use with aim, stairs, the level-up choice), left with a close, and read back. The
// saveplay fuzz target plays the same way on inputs of its own; with TVK_SAVEPLAY_SEEDS naming a
// folder, this test writes its crafted games there as that target's seeds.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>

#include "../../fuzz/saveplay.h"
#include "cson/cson.h"
#include "play/play_fixture.h"

namespace {

using zokCSON::Value;

Value& Named(Value& root, const char* list, const std::string& name) {
  for (Value& e : root[list].AsArray()) {
    if (e.Find("Name") != nullptr && e.Find("Name")->AsString() == name) return e;
  }
  ADD_FAILURE() << "no " << name << " in " << list;
  return root;
}

Value Copy(const Value& entity, const char* name, int glyph) {
  Value copy = entity;
  copy["Name"] = Value(name);
  copy["Appearance"] = Value(glyph);
  return copy;
}

// Changes to the game's own first save, each a state play can reach or one a loader refused
// only after the fact (the faults that crashed or lost games are in the comments).
struct Craft {
  const char* name;
  std::function<void(Value&)> change;
};

const Craft CRAFTS[] = {
    {"AsSaved", [](Value&) {}},
    // A first aid kit worn from the pack was freed while worn.
    {"KitMarkedWearable",
     [](Value& r) {
       Value kit = Named(r, "InventoryItems", "Baton");
       kit["Name"] = Value("First Aid Kit");
       kit["Equippable"] = Value(true);
       r["InventoryItems"].Append(kit);
     }},
    // The player marked an item with stairs on its cell: taken into its own pack.
    {"WearablePlayerOnStairs",
     [](Value& r) {
       Named(r, "Entities", "Player")["Equippable"] = Value(true);
       r["Entities"].Append(Copy(Named(r, "Entities", "Player"), "Stairs", '<'));
     }},
    // Level -1,000,000 opened a level-up box every frame until a sum overflowed.
    {"LevelFarBelowOne",
     [](Value& r) { Named(r, "Entities", "Player")["Level"] = Value(-1000000); }},
    // Experience worth several levels: a box for each, taken one a frame.
    {"ExperienceForManyLevels",
     [](Value& r) { Named(r, "Entities", "Player")["XP"] = Value(100000); }},
    // Stairs up on the top floor and down on the first led off the ten floors.
    {"StairsUpOnTheTopFloor",
     [](Value& r) {
       r["CurrentFloor"] = Value(10);
       const Value p = Named(r, "Entities", "Player");
       r["Entities"].Append(Copy(p, "Stairs", '<'));
       r["Entities"].AsArray().back()["Fighter"] = Value(false);
       r["Entities"].AsArray().back()["Blocks"] = Value(false);
     }},
    {"StairsDownOnTheFirstFloor",
     [](Value& r) {
       const Value p = Named(r, "Entities", "Player");
       r["Entities"].Append(Copy(p, "Stairs", '>'));
       r["Entities"].AsArray().back()["Fighter"] = Value(false);
       r["Entities"].AsArray().back()["Blocks"] = Value(false);
     }},
    {"ExitUnderThePlayerOnTheTopFloor",
     [](Value& r) {
       r["CurrentFloor"] = Value(10);
       r["Entities"].Append(Copy(Named(r, "Entities", "Player"), "Exit", '<'));
       r["Entities"].AsArray().back()["Fighter"] = Value(false);
     }},
    // A pack item named "Player" dropped made two players.
    {"PackItemCalledPlayer",
     [](Value& r) { Named(r, "InventoryItems", "Baton")["Name"] = Value("Player"); }},
    // A pack entry with no item part could be neither used nor dropped.
    {"PackEntryWithNoItemPart",
     [](Value& r) { Named(r, "InventoryItems", "Baton")["Equippable"] = Value(false); }},
    // A long name grew past its bound when knocked out.
    {"LongGuardName",
     [](Value& r) {
       for (Value& e : r["Entities"].AsArray()) {
         if (e.Find("Fighter")->AsBool() && e.Find("Name")->AsString() != "Player") {
           e["Name"] = Value(std::string(250, 'n'));
         }
       }
     }},
    // Items of every kind under the player, and a full pack to use them from.
    {"EveryItemUnderFoot",
     [](Value& r) {
       const Value p = Named(r, "Entities", "Player");
       for (const char* name : {"First Aid Kit", "Taser", "Riot Shield", "Tranquilizer Gun",
                                "Stun Grenade", "Pepper Spray"}) {
         Value item = Copy(p, name, '!');
         item["Fighter"] = Value(false);
         item["Blocks"] = Value(false);
         const bool worn = std::string(name) == "Taser" || std::string(name) == "Riot Shield";
         item["Equippable"] = Value(worn);
         item["Slot"] = Value(std::string(name) == "Riot Shield" ? 1 : 0);
         r["Entities"].Append(item);
       }
     }},
    {"DefeatedPlayer", [](Value& r) { r["GameState"] = Value(1); }},
};

std::string RandomKeys(unsigned seed, std::size_t count) {
  std::mt19937 random(seed);
  std::string keys;
  for (std::size_t i = 0; i < count; ++i) keys += static_cast<char>(random() & 0xFF);
  return keys;
}

class SavePlayProperty : public PlayGame {};

TEST_F(SavePlayProperty, EveryAcceptedSavePlaysAndSavesIntoAFileItAcceptsAgain) {
  ASSERT_TRUE(SaveGame());
  Value saved;
  ASSERT_EQ(zokCSON::ParseFile("game.sav", saved, nullptr), zokCSON::ErrorCode::Ok);
  const char* seeds = std::getenv("TVK_SAVEPLAY_SEEDS");
  int accepted = 0;
  for (const Craft& craft : CRAFTS) {
    for (unsigned seed = 1; seed <= 3; ++seed) {
      SCOPED_TRACE(std::string(craft.name) + " seed " + std::to_string(seed));
      Value root = saved;
      craft.change(root);
      ASSERT_TRUE(zokCSON::WriteFile("game.sav", root, {}, nullptr));
      const std::string keys = RandomKeys(seed, 120);
      if (seeds != nullptr && seed == 1) {
        std::ofstream out(std::filesystem::path(seeds) / craft.name, std::ios::binary);
        out << ReadText("game.sav") << tvksaveplay::KEYS_MARK << keys;
      }
      std::string version;
      testing::internal::CaptureStderr();
      const int loaded = LoadGame(version);
      testing::internal::GetCapturedStderr();
      if (loaded != LoadOk) continue;
      ++accepted;
      InputScript script;
      const int originX = player->x, originY = player->y;
      for (SDL_Event event : tvksaveplay::EventsOf(keys)) {
        if (event.type == SDL_EVENT_MOUSE_BUTTON_DOWN) {
          const int x = (originX + static_cast<int>(event.button.x) - 7) * 8 + 4;
          const int y = (originY + static_cast<int>(event.button.y) - 7) * 8 + 4;
          script.Click(std::clamp(x, 0, 639), std::clamp(y, 0, 399), event.button.button);
        } else {
          script.Key(event.key.scancode);
        }
      }
      Resume();
      gameState =
          loaded == LoadOk && root.Find("GameState")->AsNumber() == 1 ? PlayerDead : Playing;
      Play(script);
      EXPECT_EQ(LoadGame(version), LoadOk) << "the game wrote a save it refuses";
    }
  }
  // The game's own save and the states play reaches are among them.
  EXPECT_GE(accepted, 3 * 4);
}

}  // namespace
