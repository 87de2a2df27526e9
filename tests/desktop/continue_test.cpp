// The real program under Xvfb: a game left with Escape is continued as it was, and damaged
// save files show their box while the game keeps running.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "cson/cson.h"
#include "support/desktop.h"
#include "support/harness.h"

namespace {

namespace fs = std::filesystem;
using zokCSON::Value;

// What a save holds about where the player stands and what the log says.
struct RKSavedPlace {
  int floor = 0, x = -1, y = -1;
  std::vector<std::string> log;  // oldest first
  bool operator==(const RKSavedPlace&) const = default;
};

RKSavedPlace ReadPlace(const std::string& path) {
  Value root;
  RKSavedPlace place;
  if (zokCSON::ParseFile(path, root, nullptr) != zokCSON::ErrorCode::Ok) return place;
  place.floor = static_cast<int>(root.Find("CurrentFloor")->AsNumber());
  for (const Value& e : root.Find("Entities")->AsArray()) {
    if (e.Find("Name")->AsString() == "Player") {
      place.x = static_cast<int>(e.Find("X")->AsNumber());
      place.y = static_cast<int>(e.Find("Y")->AsNumber());
    }
  }
  for (const Value& m : root.Find("GameMessages")->AsArray()) {
    place.log.push_back(m.Find("Message")->AsString());
  }
  return place;
}

// A bare X display of the game's size; the game runs windowed there, since no window manager
// makes it fullscreen, and music plays into the dummy driver.
class XvfbGameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string missing = XDesktop::Missing(false);
    if (!missing.empty()) GTEST_SKIP() << "needs " << missing;
    folder = std::make_unique<RunFolder>();
    ASSERT_TRUE(desktop.Start(640, 400, false)) << desktop.error;
    std::ofstream("game.cfg") << "Fullscreen: false\n";
  }

  void TearDown() override {
    desktop.Stop();
    folder.reset();
  }

  // Starts the game and waits until its window has the keyboard and shows the main menu.
  void StartGame() {
    ASSERT_GT(desktop.StartGame(), 0);
    ASSERT_TRUE(desktop.WaitForWindow()) << ReadText("game.log");
    ASSERT_TRUE(ShowsMainMenu(0)) << ReadText("game.log");
  }

  // Waits until the main menu is on screen with the given line selected.
  bool ShowsMainMenu(int selected) {
    const std::string line =
        SelectedLine(selected == 0 ? "menu.main.newGame" : "menu.main.loadGame");
    return desktop.Eventually([&](SDL_Surface* shot) { return ShowsCentred(shot, line); });
  }

  // Waits until a floor is on screen: the player's light green at sign on the map.
  bool ShowsPlay() {
    return desktop.Eventually([](SDL_Surface* shot) {
      for (int y = 0; y + 8 <= 320; y += 8) {
        for (int x = 0; x + 8 <= 640; x += 8) {
          if (CellGlyph(shot, x, y) == '@' && CellColor(shot, x, y) == LightGreen) return true;
        }
      }
      return false;
    });
  }

  void Keys(const std::string& keys) { ASSERT_TRUE(desktop.Keys(keys)); }

  // Chooses the quit line from the given line of the main menu and waits for the exit code.
  void QuitFromMenu(int selected) {
    std::string downs;
    for (int i = selected; i < 4; ++i) downs += "Down ";
    Keys(downs + "Return");
    EXPECT_EQ(desktop.WaitForExit(std::chrono::seconds(10)), 0) << ReadText("game.log");
  }

  SDL_Surface* Screenshot(std::string name) {
    std::replace(name.begin(), name.end(), ' ', '-');
    SDL_Surface* shot = desktop.Screenshot(name);
    if (shot == nullptr) ADD_FAILURE() << "no screenshot: " << SDL_GetError();
    return shot;
  }

  std::unique_ptr<RunFolder> folder;
  XDesktop desktop;
};

TEST_F(XvfbGameTest, ContinuedGameIsTheOneLeftAndDamagedSavesShowTheirBox) {
  // A new game, a few steps, Escape (which saves), quit.
  StartGame();
  Keys("Return");
  ASSERT_TRUE(ShowsPlay()) << "see shot.png";
  Keys("Right Right Down Left Up Up");
  Keys("Escape");
  ASSERT_TRUE(ShowsMainMenu(0)) << "see shot.png";
  QuitFromMenu(0);
  const RKSavedPlace left = ReadPlace("game.sav");
  ASSERT_GE(left.x, 0) << ReadText("game.log");
  ASSERT_FALSE(left.log.empty());

  // Continue: the same floor, the player on its cell and the log in the panel.
  StartGame();
  Keys("Down Return");
  ASSERT_TRUE(ShowsPlay()) << "see shot.png";
  SDL_Surface* shot = Screenshot("continued.png");
  ASSERT_NE(shot, nullptr);
  EXPECT_EQ(CellGlyph(shot, 8 * left.x, 8 * left.y), '@');
  const std::string& newest = left.log.back();
  EXPECT_EQ(CellText(shot, 176, 344, static_cast<int>(newest.size())), newest);
  SDL_DestroySurface(shot);
  Keys("Escape");
  ASSERT_TRUE(ShowsMainMenu(1)) << "see shot.png";
  EXPECT_EQ(ReadPlace("game.sav"), left);
  QuitFromMenu(1);

  struct RKDamage {
    const char* name;
    std::string text;
    std::string box;
  };
  const std::string saved = ReadText("game.sav");
  std::string otherVersion = saved;
  otherVersion.replace(otherVersion.find("\"0.4\""), 5, "\"0.1\"");
  Value document;
  ASSERT_EQ(zokCSON::ParseFile("game.sav", document, nullptr), zokCSON::ErrorCode::Ok);
  for (Value& entity : document["Entities"].AsArray()) {
    if (entity.Find("Name")->AsString() == "Player") entity["X"] = Value(80);
  }
  ASSERT_TRUE(zokCSON::WriteFile("outside.sav", document, {}, nullptr));
  const std::string outside = ReadText("outside.sav");
  const RKDamage damages[] = {
      {"truncated", saved.substr(0, saved.size() / 3), "No saved game could be read."},
      {"garbage", "\x7f\x45\x4c\x46\x02\x01\x01{[: :]}\xff\xfe", "No saved game could be read."},
      {"other version", otherVersion, "Saved by v0.1, this is v0.4."},
      {"deep nesting", "Signature: \"TVKSG\"\nVersion: \"0.4\"\nMap: " + std::string(100000, '['),
       "No saved game could be read."},
      {"player outside the grid", outside, "No saved game could be read."},
  };
  for (const RKDamage& damage : damages) {
    SCOPED_TRACE(damage.name);
    std::ofstream("game.sav", std::ios::binary | std::ios::trunc) << damage.text;
    StartGame();
    Keys("Down Return");
    EXPECT_TRUE(desktop.Eventually([&](SDL_Surface* box) { return ShowsCentred(box, damage.box); }))
        << "no box saying: " << damage.box << "; see shot.png";
    Keys("space");
    const std::string continueLine = SelectedLine("menu.main.loadGame");
    ASSERT_TRUE(desktop.Eventually([&](SDL_Surface* menu) {
      return !ShowsCentred(menu, damage.box) && ShowsCentred(menu, continueLine);
    })) << "the box stayed; see shot.png\n"
        << ReadText("game.log");
    ASSERT_TRUE(desktop.Running()) << ReadText("game.log");
    QuitFromMenu(1);
  }
  EXPECT_NE(
      ReadText("game.log")
          .find("Save game version doesn't match! (Save Game Version: 0.1 / Game Version: 0.4)"),
      std::string::npos);
}

}  // namespace
