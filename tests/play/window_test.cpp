// The real program in a real X window: started under a private Xvfb display, driven with
// xdotool and photographed with ImageMagick's import, as a player would see it.

#include <SDL3/SDL.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "game/types.h"
#include "support/harness.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const char kTitle[] = "Tower Vault Keeper";

bool Installed(const char* tool) {
  for (const char* dir : {"/usr/bin/", "/usr/local/bin/"}) {
    if (access((std::string(dir) + tool).c_str(), X_OK) == 0) {
      return true;
    }
  }
  return false;
}

pid_t Spawn(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& arg : args) {
    argv.push_back(const_cast<char*>(arg.c_str()));
  }
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
    return 0;
  }
  return pid;
}

// Waits up to the limit for the process to end; its exit code, or -1 when it did not end.
int WaitFor(pid_t pid, std::chrono::milliseconds limit) {
  auto until = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < until) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::this_thread::sleep_for(50ms);
  }
  return -1;
}

void Stop(pid_t& pid) {
  if (pid > 0) {
    kill(pid, SIGTERM);
    if (WaitFor(pid, 3000ms) == -1) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    pid = 0;
  }
}

// Counts the 8x8 map cells showing the player: a light green at sign.
int PlayerCells(SDL_Surface* shot) {
  int count = 0;
  for (int y = 0; y + 8 <= 320 && y + 8 <= shot->h; y += 8) {
    for (int x = 0; x + 8 <= shot->w; x += 8) {
      if (CellGlyph(shot, x, y) == '@' && CellColor(shot, x, y) == LightGreen) {
        ++count;
      }
    }
  }
  return count;
}

class RealWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::string(TVK_BINARY_PATH).empty() || !Installed("Xvfb") || !Installed("xdotool") ||
        !Installed("import")) {
      GTEST_SKIP() << "needs the tvk binary, Xvfb, xdotool and import";
    }
    folder = std::make_unique<RunFolder>();
    int number = 100 + static_cast<int>(getpid() % 800);
    display = ":" + std::to_string(number);
    xvfb = Spawn({"Xvfb", display, "-screen", "0", "640x400x24", "-nolisten", "tcp"});
    ASSERT_GT(xvfb, 0);
    std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
    for (int i = 0; i < 100 && !fs::exists(socket); ++i) {
      std::this_thread::sleep_for(50ms);
    }
    ASSERT_TRUE(fs::exists(socket)) << "Xvfb did not start on " << display;
    setenv("DISPLAY", display.c_str(), 1);
    setenv("SDL_VIDEO_DRIVER", "x11", 1);
  }

  void TearDown() override {
    Stop(game);
    Stop(xvfb);
    folder.reset();
  }

  // Runs an X tool with a time limit; true when it succeeded.
  bool X(const std::string& command) {
    return std::system(("timeout 20 " + command + " >/dev/null 2>&1").c_str()) == 0;
  }

  bool Press(const std::string& keys) {
    return X(std::string("xdotool search --name '") + kTitle +
             "' windowfocus --sync key --delay 300 " + keys);
  }

  SDL_Surface* Shot(const std::string& name) {
    std::this_thread::sleep_for(700ms);  // a few frames for the picture to settle
    if (!X("import -window root -depth 8 PNG24:" + name)) {
      return nullptr;
    }
    SDL_Surface* loaded = SDL_LoadPNG(name.c_str());
    if (loaded == nullptr) {
      return nullptr;
    }
    SDL_Surface* shot = SDL_ConvertSurface(loaded, SDL_PIXELFORMAT_XRGB8888);
    SDL_DestroySurface(loaded);
    return shot;
  }

  std::unique_ptr<RunFolder> folder;
  std::string display;
  pid_t xvfb = 0;
  pid_t game = 0;
};

TEST_F(RealWindow, MainMenuThenTheFirstFloor) {
  game = Spawn({TVK_BINARY_PATH});
  ASSERT_GT(game, 0);
  ASSERT_TRUE(X(std::string("xdotool search --sync --name '") + kTitle + "'"))
      << "no game window appeared";

  SDL_Surface* menu = Shot("menu.png");
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(PlayerCells(menu), 0);
  SDL_DestroySurface(menu);

  // The first line of the main menu starts a new game.
  ASSERT_TRUE(Press("Return"));
  SDL_Surface* floor = Shot("floor.png");
  ASSERT_NE(floor, nullptr);
  EXPECT_EQ(PlayerCells(floor), 1);
  SDL_DestroySurface(floor);

  // Escape saves and returns to the main menu; Up wraps round to its last line, quit.
  ASSERT_TRUE(Press("Escape"));
  std::this_thread::sleep_for(500ms);
  ASSERT_TRUE(Press("Up Return"));
  EXPECT_EQ(WaitFor(game, 10000ms), 0);
  game = 0;
  EXPECT_TRUE(fs::exists("game.sav"));
  EXPECT_TRUE(fs::exists("game.cfg"));
}

}  // namespace
