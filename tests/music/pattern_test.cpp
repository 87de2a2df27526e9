// The pattern system's rules that need no sound: volume to gain, type names, the queue, the
// in-game choice of mood, and staying harmless without a mixer or patterns.

#include <stdexcept>
#include <string>

#include "music_fixture.h"

namespace {

using System = RKMusicPatternSystem;

TEST(MusicGain, VolumeSettingBecomesAGainWithinZeroToOne) {
  // clang-format off
  const struct { int volume; float gain; } cases[] = {
    {75, 0.75f}, {0, 0.0f}, {100, 1.0f}, {1, 0.01f},
    {-5, 0.0f}, {-2147483647 - 1, 0.0f}, {101, 1.0f}, {150, 1.0f}, {2147483647, 1.0f},
  };
  // clang-format on
  System system;
  EXPECT_EQ(system.GetMusicGain(), 0.0f) << "without a volume source";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.volume);
    int volume = c.volume;
    system.SetVolumeSource(&volume);
    EXPECT_FLOAT_EQ(system.GetMusicGain(), c.gain);
  }
  EXPECT_EQ(system.GetMaxMusicVolume(), 100);
  EXPECT_TRUE(system.UpdateMusicVolume()) << "without a track there is nothing to fail";
}

TEST(MusicPatternType, NamesAreExactAndCaseSensitive) {
  // clang-format off
  const struct { const char* text; System::RKMusicPatternType type; const char* name; } cases[] = {
    {"Zone",  System::Zone,    "Zone"},
    {"Fill",  System::Fill,    "Fill"},
    {"zone",  System::Unknown, "Unknown"},
    {"FILL",  System::Unknown, "Unknown"},
    {"Zone ", System::Unknown, "Unknown"},
    {"",      System::Unknown, "Unknown"},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(System::GetMusicPatternType(c.text), c.type);
    EXPECT_EQ(System::GetMusicPatternTypeName(c.type), c.name);
  }
}

// Two patterns without audio: enough for everything that only names and queues them.
class MusicQueue : public MusicTest {
 protected:
  void SetUp() override {
    MusicTest::SetUp();
    for (const char* name : {"calm", "alert", "calm_drift"}) {
      auto* entry = new System::RKMusicPatternEntry();
      entry->patternName = name;
      entry->type = System::Zone;
      musicPattern.patterns.push_back(entry);
    }
  }
  System::RKMusicPatternEntry* Pattern(int index) { return musicPattern.patterns[index]; }
};

TEST_F(MusicQueue, UnknownNameThrowsAndKeepsTheQueue) {
  musicPattern.SetNextMusicPattern("alert");
  try {
    musicPattern.SetNextMusicPattern("Alert");
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Requested zone or fill could not be found: Alert");
  }
  EXPECT_EQ(musicPattern.queuedPattern, Pattern(1));
}

TEST_F(MusicQueue, LaterRequestReplacesTheQueuedOne) {
  musicPattern.SetNextMusicPattern("alert");
  musicPattern.SetNextMusicPattern("calm_drift");
  EXPECT_EQ(musicPattern.queuedPattern, Pattern(2));
}

TEST_F(MusicQueue, MoodIsAskedForOnlyWhenThePlayerActs) {
  // clang-format off
  const struct {
    const char* name;
    bool acted; bool enemyInView; const char* playing; int queuedBefore; int queuedAfter;  // -1 none
  } cases[] = {
    {"guard walks into view, player stands still", false, true,  "calm",       -1, -1},
    {"guard in view, player moves",                true,  true,  "calm",       -1,  1},
    {"guard gone, player moves",                   true,  false, "alert",      -1,  0},
    {"guard gone, player stands still",            false, false, "alert",      -1, -1},
    {"calm already playing",                       true,  false, "calm",       -1, -1},
    {"alert already playing",                      true,  true,  "alert",      -1, -1},
    {"calm fill playing, calm is asked back",      true,  false, "calm_drift", -1,  0},
    {"guard seen and lost within one loop",        true,  false, "calm",        1, -1},
    {"standing still keeps an earlier request",    false, false, "calm",        1,  1},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    playerMovedOrAttacked = c.acted;
    musicPattern.currentPatternName = c.playing;
    musicPattern.queuedPattern = c.queuedBefore < 0 ? nullptr : Pattern(c.queuedBefore);
    ChooseInGameMusic(c.enemyInView);
    EXPECT_EQ(musicPattern.queuedPattern, c.queuedAfter < 0 ? nullptr : Pattern(c.queuedAfter));
  }
}

// A test, or a start-up that failed before the mixer or the definition existed: every music
// step must quietly do nothing.
TEST_F(MusicTest, StepsDoNothingWithoutMixerOrPatterns) {
  bool backFromGame = true;
  playerMovedOrAttacked = true;
  menuFadeActive = true;
  EXPECT_NO_THROW({
    AdvanceMusic();
    UpdateMenuMusicFade();
    StartMenuMusic(backFromGame);
    RestartFirstPattern();
    StopMusic();
    ChooseInGameMusic(true);
    ChooseInGameMusic(false);
    FadeOutMusic();
    ForgetMusicPatterns();
  });
  System::RKMusicPatternEntry entry;
  EXPECT_FALSE(musicPattern.PlayMusicPattern(&entry, 0)) << "no track";
  EXPECT_FALSE(musicPattern.PlayMusicPattern(nullptr, 0));
  EXPECT_EQ(musicPattern.queuedPattern, nullptr);
}

}  // namespace
