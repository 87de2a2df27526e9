// The music inside the running game: the real start-up with the shipped music, the main menu
// heard through the disk driver, and the calm/alert choice made while a frame is drawn.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <system_error>
#include <vector>

#include "core/globals.h"
#include "dungeon/map.h"
#include "music/globals.h"
#include "music_fixture.h"
#include "play/lifecycle.h"
#include "play/mainmenu.h"
#include "play/turnloop.h"
#include "ui/render.h"
#include "world/entity.h"
#include "world/tile.h"

namespace {

// The real start-up, with the mixer writing what it plays to a file in the run folder.
class GameMusicHeard : public HeadlessGame {
 protected:
  void SetUp() override {
    folder = std::make_unique<RunFolder>();
    output = folder->Path() / "mixed.raw";
    SDL_SetHintWithPriority(SDL_HINT_AUDIO_DRIVER, "disk", SDL_HINT_OVERRIDE);
    SDL_SetHintWithPriority(SDL_HINT_AUDIO_DISK_OUTPUT_FILE, output.string().c_str(),
                            SDL_HINT_OVERRIDE);
    ASSERT_TRUE(StartGame()) << "InitGame failed: " << SDL_GetError();
  }
  void TearDown() override {
    HeadlessGame::TearDown();
    SDL_ResetHint(SDL_HINT_AUDIO_DRIVER);
    SDL_ResetHint(SDL_HINT_AUDIO_DISK_OUTPUT_FILE);
  }
  std::filesystem::path output;
};

TEST_F(GameMusicHeard, MainMenuPlaysTheCalmMusic) {
  bool calmPlaying = false;
  bool heardAtFullGain = false;
  InputScript script;
  // The menu's frames are stepped, its fade-in with them; the device plays in real time, so
  // the menu stays open until the device has written a third of a second past the fade.
  script.Idle(1200)
      .Probe([&] {
        calmPlaying = MIX_TrackPlaying(musicTrack) && musicPattern.currentPatternName == "calm";
        const auto written = [this] {
          std::error_code ignored;
          return std::filesystem::file_size(output, ignored);
        };
        const std::uintmax_t afterFade = written();
        heardAtFullGain = PollUntil(std::chrono::seconds(10), [&] {
          return written() >= afterFade + std::uintmax_t{RATE} * 4 / 3;  // 16-bit stereo
        });
      })
      .Key(SDL_SCANCODE_UP)  // to the quit line
      .Key(SDL_SCANCODE_RETURN);
  script.Start();
  MainMenu();
  EXPECT_TRUE(heardAtFullGain) << "the device wrote nothing for ten seconds";
  EXPECT_TRUE(calmPlaying);
  EXPECT_FALSE(menuFadeActive) << "the fade-in never ended";
  EXPECT_FLOAT_EQ(MIX_GetTrackGain(musicTrack), 0.75f) << "not back at the volume setting";

  QuitGame();  // closes the device, which completes the file
  started = false;
  const std::vector<std::int16_t> samples = ReadSamples(output);
  const auto loudest = std::max_element(samples.begin(), samples.end(),
                                        [](auto a, auto b) { return std::abs(a) < std::abs(b); });
  ASSERT_NE(loudest, samples.end());
  EXPECT_GT(std::abs(*loudest), 2000) << "the written output is all but silent";
}

// Music cut off in the middle is still music: it plays to where it was cut and loops from
// there, the audio thread never stuck at the cut (a frozen thread would write no more).
TEST_F(GameMusicHeard, MusicCutInTheMiddleKeepsPlaying) {
  const std::filesystem::path calm = "music/calm.ogg";
  std::filesystem::resize_file(calm, std::filesystem::file_size(calm) / 2);
  ASSERT_TRUE(LoadMusicDefinition("music/music_def.cson"));

  bool heardPastTheCut = false;
  InputScript script;
  script.Idle(10)
      .Probe([&] {
        const auto written = [this] {
          std::error_code ignored;
          return std::filesystem::file_size(output, ignored);
        };
        // Half of the shipped twelve seconds, and two more: the loop came round at least once.
        heardPastTheCut = PollUntil(std::chrono::seconds(60), [&] {
          return written() >= std::uintmax_t{RATE} * 4 * 8;  // 16-bit stereo
        });
      })
      .Key(SDL_SCANCODE_UP)  // to the quit line
      .Key(SDL_SCANCODE_RETURN);
  script.Start();
  MainMenu();
  EXPECT_TRUE(heardPastTheCut) << "the device stopped writing";
  EXPECT_TRUE(MIX_TrackPlaying(musicTrack));
}

// A floor of the real game with a single guard that the test puts in or out of view.
class GameMood : public HeadlessGame {
 protected:
  void SetUp() override {
    SDL_SetHintWithPriority(SDL_HINT_AUDIO_DRIVER, "dummy", SDL_HINT_OVERRIDE);
    HeadlessGame::SetUp();
    ASSERT_TRUE(NewGame());
    RestartFirstPattern();  // the main menu left the calm music playing
    for (auto it = entities.begin(); it != entities.end();) {
      RKEntity* e = *it;
      if (e->ai == nullptr || guard == nullptr) {
        if (e->ai != nullptr) guard = e;
        ++it;
        continue;
      }
      if (e->blocks) theMap->TileAt(e->x, e->y)->blocked = false;
      it = entities.erase(it);
      delete e;
    }
    ASSERT_NE(guard, nullptr) << "floor 1 has no guard";
  }

  // Moves the guard onto the first free floor cell that is (or is not) in the player's view.
  void PlaceGuard(bool inView) {
    theMap->ComputeFOV(player);
    for (int y = 0; y < MAP_HEIGHT; ++y) {
      for (int x = 0; x < MAP_WIDTH; ++x) {
        const RKTile* tile = theMap->TileAt(x, y);
        const bool near = std::abs(x - player->x) <= 1 && std::abs(y - player->y) <= 1;
        if (tile->blocked || tile->blockSight || theMap->InView(x, y) != inView) continue;
        if (inView && !near) continue;
        theMap->TileAt(guard->x, guard->y)->blocked = false;
        guard->x = x;
        guard->y = y;
        theMap->TileAt(x, y)->blocked = true;
        return;
      }
    }
    FAIL() << "no free cell " << (inView ? "beside" : "out of view of") << " the player";
  }

  void TearDown() override {
    HeadlessGame::TearDown();
    SDL_ResetHint(SDL_HINT_AUDIO_DRIVER);
  }

  RKEntity* guard = nullptr;
};

TEST_F(GameMood, GuardComingIntoViewChangesNothingUntilThePlayerActs) {
  PlaceGuard(false);
  playerMovedOrAttacked = true;
  Render();
  EXPECT_EQ(musicPattern.queuedPattern, nullptr) << "calm asked for while calm plays";

  PlaceGuard(true);
  playerMovedOrAttacked = false;
  Render();
  EXPECT_EQ(musicPattern.queuedPattern, nullptr) << "changed while the player stood still";

  playerMovedOrAttacked = true;
  Render();
  EXPECT_EQ(musicPattern.queuedPattern, musicPattern.patterns[1]);
  EXPECT_EQ(musicPattern.currentPatternName, "calm") << "the change must wait for the loop's end";

  musicPattern.lastPosition = INT64_MAX;  // as if calm had just wrapped around
  AdvanceMusic();
  EXPECT_EQ(musicPattern.currentPatternName, "alert");
}

}  // namespace
