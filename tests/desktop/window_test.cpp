// The real program in a real X window, driven with xdotool and wmctrl and photographed with
// ImageMagick's import as a player would see it: a bare 640x400 display, and a 1920x1080
// desktop with a window manager, where the game starts fullscreen.

#include <SDL3/SDL.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "core/globals.h"
#include "localization/localization.h"
#include "support/desktop.h"
#include "support/harness.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class RealWindow : public ::testing::Test {
 protected:
  // A bare X display of the game's own size, or a large desktop with a window manager.
  void Open(int width, int height, bool windowManager) {
    const std::string missing = XDesktop::Missing(windowManager);
    if (!missing.empty()) GTEST_SKIP() << "needs " << missing;
    folder = std::make_unique<RunFolder>();
    desktop = std::make_unique<XDesktop>();
    ASSERT_TRUE(desktop->Start(width, height, windowManager)) << desktop->error;
  }

  void TearDown() override {
    desktop.reset();
    folder.reset();
  }

  void StartGame() {
    ASSERT_GT(desktop->StartGame(), 0);
    ASSERT_TRUE(desktop->WaitForWindow()) << ReadText("game.log") << ReadText("x.log");
  }

  void Keys(const std::string& keys) { ASSERT_TRUE(desktop->Keys(keys)); }

  // The game ended on its own, with exit code 0.
  void ExpectEnded() { EXPECT_EQ(desktop->WaitForExit(20s), 0) << ReadText("game.log"); }

  std::unique_ptr<RunFolder> folder;
  std::unique_ptr<XDesktop> desktop;
};

TEST_F(RealWindow, MainMenuThenTheFirstFloor) {
  Open(640, 400, false);
  StartGame();
  const std::string newGame = SelectedLine("menu.main.newGame");
  ASSERT_TRUE(desktop->Eventually([&](SDL_Surface* shot) { return ShowsCentred(shot, newGame); }))
      << "no main menu; see shot.png";
  SDL_Surface* menu = desktop->Screenshot("menu.png");
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(PlayerCells(menu), 0);
  SDL_DestroySurface(menu);

  // The first line of the main menu starts a new game.
  Keys("Return");
  EXPECT_TRUE(desktop->Eventually([](SDL_Surface* shot) { return PlayerCells(shot) == 1; }));

  // Escape saves and returns to the main menu; Up wraps round to its last line, quit.
  Keys("Escape");
  EXPECT_TRUE(desktop->Eventually([&](SDL_Surface* shot) { return ShowsCentred(shot, newGame); }))
      << "not back in the main menu; see shot.png";
  Keys("Up Return");
  ExpectEnded();
  EXPECT_TRUE(fs::exists("game.sav"));
  EXPECT_TRUE(fs::exists("game.cfg"));
}

// On a 1920x1080 desktop the game starts fullscreen, its picture 2.7 times as large both ways
// and centred, with black bars left and right.
class Desktop : public RealWindow {
 protected:
  void SetUp() override {
    Open(1920, 1080, true);
    if (IsSkipped() || HasFatalFailure()) return;
    StartGame();
  }

  // Waits until the letterboxed picture shows the player on the map.
  void WaitForPlay() {
    ASSERT_TRUE(desktop->Eventually([](SDL_Surface* shot) {
      SDL_Surface* picture = LetterboxedPicture(shot);
      const bool playing = PlayerCells(picture) == 1;
      SDL_DestroySurface(picture);
      return playing;
    })) << "no game on screen; see shot.png";
  }

  void WaitForWindowSize(int width, int height) {
    PollUntil(10s, [&] { return desktop->WindowSize() == std::pair{width, height}; }, 100ms);
    ASSERT_EQ(desktop->WindowSize(), (std::pair{width, height}));
  }

  // Waits until the game is fullscreen, has the keyboard (going fullscreen may have moved it)
  // and shows its main menu, ready for keys.
  void WaitForMainMenu() {
    WaitForWindowSize(1920, 1080);
    ASSERT_TRUE(desktop->WaitForWindow());
    const std::string newGame = SelectedLine("menu.main.newGame");
    ASSERT_TRUE(desktop->Eventually([&](SDL_Surface* shot) {
      SDL_Surface* picture = LetterboxedPicture(shot);
      const bool shown = ShowsCentred(picture, newGame);
      SDL_DestroySurface(picture);
      return shown;
    })) << "no main menu; see shot.png";
  }
};

TEST_F(Desktop, FullscreenKeepsThePicturesShapeAndTheCursorUnderThePointer) {
  WaitForMainMenu();
  Keys("Return");
  // Read back at one scale across and down, the HUD frame stands on its own cells.
  const auto frameInPlace = [](SDL_Surface* shot) {
    SDL_Surface* picture = LetterboxedPicture(shot);
    bool inPlace = true;
    // clang-format off
    const struct {
      int x, y, glyph;
    } frame[] = {{0, 320, 201},   {632, 320, 187}, {168, 336, 203},
                 {0, 392, 200},   {168, 392, 202}, {632, 392, 188}};
    // clang-format on
    for (const auto& piece : frame) {
      inPlace &= CellGlyph(picture, piece.x, piece.y) == piece.glyph &&
                 CellColor(picture, piece.x, piece.y) == White;
    }
    SDL_DestroySurface(picture);
    return inPlace;
  };
  EXPECT_TRUE(desktop->Eventually(frameInPlace)) << "see shot.png";

  // The drawn cursor, a block of 8x8 game pixels (21 or 22 screen pixels), covers the pointer
  // with its top-left corner less than one game pixel up and left of it. F2 first: the game
  // starts with the mouse captured, where only the movements of a real mouse count. F2 may
  // still be on its way when the pointer moves, and leaving the captured mode may put the
  // pointer back, so a look that misses the cursor moves the pointer to its place afresh.
  Keys("F2");
  for (auto [x, y] : {std::pair{700, 300}, std::pair{1500, 900}}) {
    SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
    const std::string move = "xdotool mousemove " + std::to_string(x + 1) + " " +
                             std::to_string(y + 1) + " mousemove " + std::to_string(x) + " " +
                             std::to_string(y);
    ASSERT_EQ(desktop->Run(move), 0);
    const auto cursorUnderPointer = [x, y](SDL_Surface* shot) {
      const auto red = [shot](int px, int py) {
        Uint8 r = 0, g = 0, b = 0;
        SDL_ReadSurfacePixel(shot, px, py, &r, &g, &b, nullptr);
        return r == EGAColors[Red].r && g == EGAColors[Red].g && b == EGAColors[Red].b;
      };
      int left = x + 4, top = y + 4;
      while (red(left - 1, y + 4)) --left;
      while (red(x + 4, top - 1)) --top;
      return red(x + 4, y + 4) && left <= x && left >= x - 3 && top <= y && top >= y - 3 &&
             red(left + 20, top + 20);
    };
    EXPECT_TRUE(desktop->Eventually([&](SDL_Surface* shot) {
      if (cursorUnderPointer(shot)) return true;
      desktop->Run(move);
      return false;
    })) << "see shot.png";
  }
}

// The options menu's fullscreen line reads the window's state as soon as the switch is made,
// without waiting for another key.
TEST_F(Desktop, FullscreenLineTellsTheNewStateAtOnce) {
  WaitForMainMenu();
  RKLocalization english;
  ASSERT_TRUE(english.LoadLanguageList("languages/languages.cson"));
  ASSERT_TRUE(english.LoadLanguageByCode("en"));
  const auto line = [&english](const char* yesOrNo) {
    return "> " + english.TFormat("options.fullscreen", {english.T(yesOrNo)}) + " <";
  };
  Keys("Down Down Return");
  Keys("Down Down Down Down Down Down Down Down Down");
  EXPECT_TRUE(desktop->Eventually([&](SDL_Surface* shot) {
    SDL_Surface* picture = LetterboxedPicture(shot);
    const bool shows = ShowsCentred(picture, line("common.yes"));
    SDL_DestroySurface(picture);
    return shows;
  }));

  // Out of fullscreen the window is the largest whole multiple of 640x400 that fits.
  Keys("Return");
  WaitForWindowSize(1280, 800);
  EXPECT_TRUE(desktop->Eventually(
      [&](SDL_Surface* shot) {
        SDL_Surface* picture = GamePicture(shot, 2, 0, 0);
        const bool shows = ShowsCentred(picture, line("common.no"));
        SDL_DestroySurface(picture);
        return shows;
      },
      true))
      << "see shot.png";
}

// A close request during play (the window manager's close button, or SIGTERM at log-out)
// saves the game as Escape does and ends the program; Continue then brings back that game.
TEST_F(Desktop, ClosingDuringPlaySavesAndEndsAndContinueRestoresTheGame) {
  struct Row {
    const char* name;
    bool bySignal;
  };
  for (const Row& row : {Row{"close button", false}, Row{"SIGTERM", true}}) {
    SCOPED_TRACE(row.name);
    fs::remove("game.sav");
    if (!desktop->Running()) StartGame();
    WaitForMainMenu();
    Keys("Return");
    WaitForPlay();
    Keys("Right Down");
    if (row.bySignal) {
      kill(desktop->game, SIGTERM);
    } else {
      ASSERT_EQ(desktop->Run("wmctrl -c 'Tower Vault Keeper'"), 0);
    }
    ExpectEnded();
    const std::string left = ReadText("game.sav");
    ASSERT_FALSE(left.empty()) << "no game saved";

    // Continued and closed at once, the game is saved again exactly as it was.
    StartGame();
    WaitForMainMenu();
    Keys("Down Return");
    WaitForPlay();
    ASSERT_EQ(desktop->Run("wmctrl -c 'Tower Vault Keeper'"), 0);
    ExpectEnded();
    EXPECT_EQ(ReadText("game.sav"), left);
  }
}

// Started windowed, the window carries the game's icon from the start, and the window manager
// cannot make it smaller than the picture.
TEST_F(RealWindow, AWindowedStartHasTheIconAndNoLessThanThePicturesSize) {
  Open(1920, 1080, true);
  if (IsSkipped() || HasFatalFailure()) return;
  std::ofstream("game.cfg") << "Fullscreen: false\n";
  StartGame();
  PollUntil(10s, [&] { return desktop->WindowSize() == std::pair{1280, 800}; }, 100ms);
  ASSERT_EQ(desktop->WindowSize(), (std::pair{1280, 800}));

  // The icon, 32x32 pixels, is a property of the window: its width and height lead the list.
  // The window manager gives a window a blank 48x48 one until the game sets its own.
  const auto icon = [&] {
    std::filesystem::remove("icon.txt");
    desktop->Run(
        "obxprop --id $(xdotool search --name 'Tower Vault Keeper' | head -n 1) "
        "_NET_WM_ICON | head -c 40 | tee icon.txt");
    return ReadText("icon.txt");
  };
  PollUntil(10s, [&] { return icon().find("= 32, 32,") != std::string::npos; }, 100ms);
  EXPECT_NE(icon().find("_NET_WM_ICON(CARDINAL) = 32, 32,"), std::string::npos) << icon();

  ASSERT_EQ(desktop->Run("xdotool search --name 'Tower Vault Keeper' windowsize 400 250"), 0);
  ASSERT_EQ(desktop->Run("xdotool search --name 'Tower Vault Keeper' windowsize 600 380"), 0);
  PollUntil(10s, [&] { return desktop->WindowSize() != std::pair{1280, 800}; }, 100ms);
  EXPECT_EQ(desktop->WindowSize(), (std::pair{640, 400}));

  ASSERT_EQ(desktop->Run("wmctrl -c 'Tower Vault Keeper'"), 0);
  ExpectEnded();
}

TEST_F(Desktop, ClosingTheMainMenuEndsTheProgram) {
  ASSERT_EQ(desktop->Run("wmctrl -c 'Tower Vault Keeper'"), 0);
  ExpectEnded();
  EXPECT_FALSE(fs::exists("game.sav"));
  EXPECT_TRUE(fs::exists("game.cfg"));
}

}  // namespace
