// The real program under Xvfb: a game left with Escape is continued as it was, and damaged
// save files show their box while the game keeps running.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cson/cson.h"
#include "support/harness.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using zokCSON::Value;

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

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

// One X server for the whole test, on a display number derived from the process id so that
// parallel runs do not meet.
class XvfbGameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists("/usr/bin/Xvfb") || !fs::exists("/usr/bin/xdotool") ||
        !fs::exists("/usr/bin/import")) {
      GTEST_SKIP() << "Xvfb, xdotool or import is missing";
    }
    folder = std::make_unique<RunFolder>();
    display = ":" + std::to_string(200 + ::getpid() % 700);
    xvfb = Spawn({"/usr/bin/Xvfb", display, "-screen", "0", "640x400x24", "-nolisten", "tcp"},
                 "xvfb.log");
    const std::string socket = "/tmp/.X11-unix/X" + display.substr(1);
    for (int i = 0; i < 100 && !fs::exists(socket); ++i) Sleep(50);
    ASSERT_TRUE(fs::exists(socket)) << ReadText("xvfb.log");
    // Windowed, so that no window manager is needed; music plays into the dummy driver.
    std::ofstream("game.cfg") << "Fullscreen: false\n";
  }

  void TearDown() override {
    if (game > 0) {
      ::kill(game, SIGKILL);
      ::waitpid(game, nullptr, 0);
    }
    if (xvfb > 0) {
      ::kill(xvfb, SIGTERM);
      ::waitpid(xvfb, nullptr, 0);
    }
    folder.reset();
  }

  pid_t Spawn(const std::vector<std::string>& args, const std::string& output) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
      const std::string entry = *e;
      if (entry.rfind("DISPLAY=", 0) != 0 && entry.rfind("SDL_VIDEO_DRIVER=", 0) != 0) {
        env.push_back(entry);
      }
    }
    env.push_back("DISPLAY=" + display);
    env.push_back("SDL_VIDEO_DRIVER=x11");
    std::vector<char*> argv, envp;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return failed == 0 ? pid : -1;
  }

  int X(const std::string& command) {
    return std::system(("DISPLAY=" + display + " " + command + " >>x.log 2>&1").c_str());
  }

  // Starts the game and waits until its window has the keyboard.
  void StartGame() {
    game = Spawn({TVK_BINARY_PATH}, "game.log");
    ASSERT_GT(game, 0);
    ASSERT_EQ(X("timeout 30 xdotool search --sync --name 'Tower Vault Keeper' windowfocus --sync"),
              0)
        << ReadText("game.log");
    Sleep(500);
  }

  void Keys(const std::string& keys) { ASSERT_EQ(X("xdotool key --delay 200 " + keys), 0); }

  bool Running() { return game > 0 && ::waitpid(game, nullptr, WNOHANG) == 0; }

  // Chooses the quit line from the given line of the main menu and waits for the exit code.
  void QuitFromMenu(int selected) {
    std::string downs;
    for (int i = selected; i < 4; ++i) downs += "Down ";
    Keys(downs + "Return");
    int status = -1;
    for (int i = 0; i < 100; ++i) {
      if (::waitpid(game, &status, WNOHANG) == game) {
        game = -1;
        break;
      }
      Sleep(100);
    }
    ASSERT_EQ(game, -1) << "the game did not end";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << ReadText("game.log");
  }

  SDL_Surface* Screenshot(std::string name) {
    std::replace(name.begin(), name.end(), ' ', '-');
    X("import -window root -depth 8 PNG24:" + name);
    SDL_Surface* shot = SDL_LoadPNG(name.c_str());
    if (shot == nullptr) ADD_FAILURE() << "no screenshot: " << SDL_GetError();
    return shot;
  }

  // True when some row of the screen shows the text centred, as the menus draw their lines.
  static bool ShowsCentred(SDL_Surface* shot, const std::string& text) {
    const int x = (shot->w - 8 * static_cast<int>(text.size())) / 2;
    for (int y = 0; y + 8 <= shot->h; ++y) {
      if (CellText(shot, x, y, static_cast<int>(text.size())) == text) return true;
    }
    return false;
  }

  std::unique_ptr<RunFolder> folder;
  std::string display;
  pid_t xvfb = -1;
  pid_t game = -1;
};

TEST_F(XvfbGameTest, ContinuedGameIsTheOneLeftAndDamagedSavesShowTheirBox) {
  // A new game, a few steps, Escape (which saves), quit.
  StartGame();
  Keys("Return");
  Sleep(500);
  Keys("Right Right Down Left Up Up");
  Keys("Escape");
  Sleep(500);
  QuitFromMenu(0);
  const RKSavedPlace left = ReadPlace("game.sav");
  ASSERT_GE(left.x, 0) << ReadText("game.log");
  ASSERT_FALSE(left.log.empty());

  // Continue: the same floor, the player on its cell and the log in the panel.
  StartGame();
  Keys("Down Return");
  Sleep(800);
  SDL_Surface* shot = Screenshot("continued.png");
  ASSERT_NE(shot, nullptr);
  EXPECT_EQ(CellGlyph(shot, 8 * left.x, 8 * left.y), '@');
  const std::string& newest = left.log.back();
  EXPECT_EQ(CellText(shot, 176, 344, static_cast<int>(newest.size())), newest);
  SDL_DestroySurface(shot);
  Keys("Escape");
  Sleep(500);
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
    Sleep(800);
    shot = Screenshot(std::string(damage.name) + ".png");
    ASSERT_NE(shot, nullptr);
    EXPECT_TRUE(ShowsCentred(shot, damage.box)) << "no box saying: " << damage.box;
    SDL_DestroySurface(shot);
    Keys("space");
    Sleep(300);
    ASSERT_TRUE(Running()) << ReadText("game.log");
    QuitFromMenu(1);
  }
  EXPECT_NE(ReadText("game.log").find(
                "Save game version doesn't match! (Save Game Version: 0.1 / Game Version: 0.4)"),
            std::string::npos);
}

}  // namespace
