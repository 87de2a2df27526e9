// The installed game: the tree `cmake --install` lays out, the launcher that gives the game the
// player's own folder wherever it is started, and the files the desktop reads.

#include <SDL3/SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/globals.h"
#include "cson/cson.h"
#include "support/desktop.h"
#include "support/harness.h"

namespace {

namespace fs = std::filesystem;

const fs::path SOURCE = TVK_SOURCE_DIR;

bool Installed(const char* tool) {
  return std::system(("command -v " + std::string(tool) + " >/dev/null 2>&1").c_str()) == 0;
}

// A fresh install of the build into a folder of its own, and a home for the player.
class InstalledGame : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = std::make_unique<RunFolder>();
    root = folder->Path();
    prefix = root / "prefix";
    home = root / "home";
    fs::create_directories(home);
    const std::string command = "cmake --install \"" + std::string(TVK_BUILD_DIR) +
                                "\" --prefix \"" + prefix.string() + "\" >install.log 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << ReadText("install.log");
    launcher = (prefix / "bin" / "tvk").string();
  }

  // Runs the launcher from the folder with a video driver that does not exist: the game then
  // ends at once with the exit code of a failed start-up, 1, after it has read its data and
  // written its settings where it runs.
  int RunHeadless(const fs::path& from, const std::vector<std::string>& changes) {
    fs::create_directories(from);
    std::vector<std::string> all = {"HOME=" + home.string(), "XDG_DATA_HOME",
                                    "SDL_VIDEO_DRIVER=none-such"};
    all.insert(all.end(), changes.begin(), changes.end());
    const pid_t pid =
        SpawnProgram({launcher}, from.string(), all, (root / "launcher.log").string());
    return pid > 0 ? WaitForProcess(pid, std::chrono::seconds(60)) : -2;
  }

  std::unique_ptr<RunFolder> folder;
  fs::path root, prefix, home;
  std::string launcher;
};

TEST_F(InstalledGame, LaysOutProgramsDataAndDesktopFiles) {
  for (const char* file :
       {"bin/tvk", "bin/tvk-game", "bin/cson", "bin/tvk-lang", "share/tvk/gfx/font.png",
        "share/tvk/languages/languages.cson", "share/tvk/music/music_def.cson",
        "share/applications/tvk.desktop",
        "share/metainfo/invalid.tvk.TowerVaultKeeper.metainfo.xml",
        "share/icons/hicolor/32x32/apps/tvk.png", "share/icons/hicolor/256x256/apps/tvk.png",
        "share/man/man1/cson.1", "share/man/man1/tvk-lang.1", "share/man/man6/tvk.6",
        "share/man/man6/tvk-game.6"}) {
    EXPECT_TRUE(fs::exists(prefix / file)) << file;
  }
  EXPECT_FALSE(fs::exists(prefix / "share/tvk/gfx/README.md"));
  EXPECT_FALSE(fs::exists(prefix / "tvk")) << "nothing is left at the top, as before";
}

TEST_F(InstalledGame, LauncherGivesTheGameThePlayersFolder) {
  const fs::path data = fs::canonical(prefix / "share/tvk");
  struct RKCase {
    const char* name;
    std::vector<std::string> environment;
    fs::path folder;  // where the game must have run
  };
  const RKCase cases[] = {
      {"by default in the home's data folder", {}, home / ".local/share/tvk"},
      {"in XDG_DATA_HOME when it is set",
       {"XDG_DATA_HOME=" + (root / "xdg").string()},
       root / "xdg/tvk"},
      {"a relative XDG_DATA_HOME does not count",
       {"XDG_DATA_HOME=relative"},
       home / ".local/share/tvk"},
  };
  for (const RKCase& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path from = root / "started-here";
    ASSERT_EQ(RunHeadless(from, c.environment), 1) << ReadText(root / "launcher.log");
    EXPECT_TRUE(fs::exists(c.folder / "game.cfg")) << ReadText(root / "launcher.log");
    for (const char* part : {"gfx", "languages", "music"}) {
      EXPECT_TRUE(fs::is_symlink(c.folder / part)) << part;
      EXPECT_EQ(fs::read_symlink(c.folder / part), data / part);
    }
    EXPECT_TRUE(fs::is_empty(from)) << "nothing lands where the game was started";
    fs::remove_all(from);
    fs::remove_all(c.folder);
  }
}

TEST_F(InstalledGame, LauncherRefreshesItsLinksAndLeavesThePlayersOwnFilesAlone) {
  const fs::path player = home / ".local/share/tvk";
  fs::create_directories(player / "languages");
  std::ofstream(player / "languages" / "mine.cson") << "hud:\n  hp: \"HP\"\n";
  fs::create_directory_symlink(root / "an-old-install/gfx", player / "gfx");
  std::ofstream(player / "notes.txt") << "the player's own";

  ASSERT_EQ(RunHeadless(root / "anywhere", {}), 1) << ReadText(root / "launcher.log");
  EXPECT_EQ(fs::read_symlink(player / "gfx"), fs::canonical(prefix / "share/tvk/gfx"));
  EXPECT_TRUE(fs::is_symlink(player / "music"));
  EXPECT_FALSE(fs::is_symlink(player / "languages"));
  EXPECT_TRUE(fs::exists(player / "languages" / "mine.cson"));
  EXPECT_EQ(ReadText(player / "notes.txt"), "the player's own");
  EXPECT_NE(ReadText(root / "launcher.log").find("languages is not a link to the installed data"),
            std::string::npos);
}

TEST(DesktopFiles, IconsAreTheGameIconScaledByWholePixels) {
  SDL_Surface* loaded = SDL_LoadPNG((SOURCE / "data/gfx/icon.png").c_str());
  ASSERT_NE(loaded, nullptr) << SDL_GetError();
  SDL_Surface* icon = SDL_ConvertSurface(loaded, SDL_PIXELFORMAT_RGBA32);
  SDL_DestroySurface(loaded);
  ASSERT_NE(icon, nullptr);
  for (int size : {32, 64, 128, 256}) {
    SCOPED_TRACE(size);
    const fs::path path = SOURCE / "dist/icons" / ("tvk-" + std::to_string(size) + ".png");
    SDL_Surface* read = SDL_LoadPNG(path.c_str());
    ASSERT_NE(read, nullptr) << SDL_GetError();
    SDL_Surface* scaled = SDL_ConvertSurface(read, SDL_PIXELFORMAT_RGBA32);
    SDL_DestroySurface(read);
    ASSERT_NE(scaled, nullptr);
    ASSERT_EQ(scaled->w, size);
    ASSERT_EQ(scaled->h, size);
    int wrong = 0;
    const int step = size / icon->w;
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) {
        const auto* big = static_cast<const Uint32*>(scaled->pixels) + y * scaled->pitch / 4 + x;
        const auto* small =
            static_cast<const Uint32*>(icon->pixels) + (y / step) * icon->pitch / 4 + x / step;
        if (*big != *small) ++wrong;
      }
    }
    EXPECT_EQ(wrong, 0) << "pixels that are not their icon pixel's";
    SDL_DestroySurface(scaled);
  }
  SDL_DestroySurface(icon);
}

TEST(DesktopFiles, EntryAndMetainfoPassTheirCheckersAndNameThisVersion) {
  const fs::path entry = SOURCE / "dist/tvk.desktop";
  const fs::path metainfo = SOURCE / "dist/invalid.tvk.TowerVaultKeeper.metainfo.xml";
  const std::string desktop = ReadText(entry);
  EXPECT_NE(desktop.find("\nExec=tvk\n"), std::string::npos) << "the launcher, from the PATH";
  EXPECT_NE(desktop.find("\nIcon=tvk\n"), std::string::npos);
  const std::string releases = ReadText(metainfo);
  EXPECT_NE(releases.find("<release version=\"" + GAMEVERSION + "\""), std::string::npos)
      << "the newest release is this game's version";
  // Every version the Debian changelog names ("tvk (VERSION) unstable; ...") is a release, the
  // newest first and this game's.
  std::ifstream changelog(SOURCE / "debian/changelog");
  std::vector<std::string> versions;
  for (std::string line; std::getline(changelog, line);) {
    if (!line.starts_with("tvk (")) continue;
    versions.push_back(line.substr(5, line.find(')') - 5));
    EXPECT_NE(releases.find("<release version=\"" + versions.back() + "\""), std::string::npos)
        << versions.back();
  }
  ASSERT_FALSE(versions.empty()) << "debian/changelog names no version";
  EXPECT_EQ(versions.front(), GAMEVERSION);
  if (!Installed("desktop-file-validate") || !Installed("appstreamcli")) {
    GTEST_SKIP() << "desktop-file-validate or appstreamcli is not installed";
  }
  EXPECT_EQ(std::system(("desktop-file-validate \"" + entry.string() + "\"").c_str()), 0);
  EXPECT_EQ(std::system(("appstreamcli validate --no-net \"" + metainfo.string() + "\"").c_str()),
            0);
}

// Two games on a real X display, started by the launcher from two different folders: the
// second continues the game the first left.
class LauncherOnAScreen : public InstalledGame {
 protected:
  void SetUp() override {
    const std::string missing = XDesktop::Missing(false);
    if (!missing.empty()) GTEST_SKIP() << "needs " << missing;
    InstalledGame::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(desktop.Start(640, 400, false)) << desktop.error;
  }

  void TearDown() override {
    desktop.Stop();
    InstalledGame::TearDown();
  }

  // Starts the launcher from the folder and waits for the main menu, its line `selected`
  // marked.
  void Start(const fs::path& from, const char* selected) {
    fs::create_directories(from);
    ASSERT_GT(
        desktop.StartProgram({launcher}, from.string(), {"HOME=" + home.string(), "XDG_DATA_HOME"},
                             (root / "game.log").string()),
        0);
    ASSERT_TRUE(desktop.WaitForWindow()) << ReadText(root / "game.log");
    ASSERT_TRUE(ShowsMenu(selected)) << ReadText(root / "game.log");
  }

  // Waits until the main menu is on screen with the line of the key marked.
  bool ShowsMenu(const char* key) {
    const std::string line = SelectedLine(key);
    return desktop.Eventually([&](SDL_Surface* shot) { return ShowsCentred(shot, line); });
  }

  // Waits until a floor is on screen: the player's light green at sign on the map.
  bool ShowsPlay() {
    return desktop.Eventually([](SDL_Surface* shot) { return PlayerCells(shot) == 1; });
  }

  void Keys(const std::string& keys) { ASSERT_TRUE(desktop.Keys(keys)); }

  void WaitForTheEnd() {
    EXPECT_EQ(desktop.WaitForExit(std::chrono::seconds(10)), 0) << ReadText(root / "game.log");
  }

  XDesktop desktop;
};

// Where the player stands in a saved game, as written; empty when there is no save.
std::string PlayerPlace(const fs::path& save) {
  zokCSON::Value root;
  if (zokCSON::ParseFile(save.string(), root, nullptr) != zokCSON::ErrorCode::Ok) return "";
  for (const zokCSON::Value& entity : root["Entities"].AsArray()) {
    if (entity.Find("Name")->AsString() == "Player") {
      return std::to_string(entity.Find("X")->AsNumber()) + "," +
             std::to_string(entity.Find("Y")->AsNumber()) + " on " +
             std::to_string(root.Find("CurrentFloor")->AsNumber());
    }
  }
  return "";
}

TEST_F(LauncherOnAScreen, TwoStartsFromDifferentFoldersContinueTheSameGame) {
  const fs::path save = home / ".local/share/tvk/game.sav";
  // Windowed: no window manager runs on this display.
  fs::create_directories(save.parent_path());
  std::ofstream(save.parent_path() / "game.cfg") << "Fullscreen: false\n";

  Start(root / "monday", "menu.main.newGame");
  Keys("Return");  // a new game
  ASSERT_TRUE(ShowsPlay()) << "see shot.png";
  Keys("Right Down Right Down");
  Keys("Escape");  // saves and goes back to the main menu
  ASSERT_TRUE(ShowsMenu("menu.main.newGame")) << "see shot.png";
  Keys("Up Return");  // quit, the menu's last line
  EXPECT_EQ(desktop.WaitForExit(std::chrono::seconds(10)), 0) << ReadText(root / "game.log");
  const std::string left = PlayerPlace(save);
  ASSERT_NE(left, "") << ReadText(root / "game.log");

  const auto firstSave = fs::last_write_time(save);
  Start(root / "tuesday" / "elsewhere", "menu.main.newGame");
  Keys("Down Return");  // continue
  ASSERT_TRUE(ShowsPlay()) << "see shot.png";
  Keys("Escape");
  ASSERT_TRUE(ShowsMenu("menu.main.loadGame")) << "see shot.png";
  Keys("Down Down Down Return");  // from "Continue" down to quit
  EXPECT_EQ(desktop.WaitForExit(std::chrono::seconds(10)), 0) << ReadText(root / "game.log");
  EXPECT_GT(fs::last_write_time(save), firstSave) << "the continued game was left and saved";
  EXPECT_EQ(PlayerPlace(save), left) << "and it is the game left the day before";
  EXPECT_TRUE(fs::is_empty(root / "monday"));
  EXPECT_TRUE(fs::is_empty(root / "tuesday" / "elsewhere"));
}

}  // namespace
