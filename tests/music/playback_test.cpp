// The music as it plays, in real time on SDL's dummy and disk audio drivers: pattern changes
// at the wrap-around, chaining, switching off and on, the main menu's steps, the fade-in heard
// in the mixed output, and the fade-out at shut-down.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "game/frames.h"
#include "music_fixture.h"

namespace {

// Short one-second loops so that a wrap-around comes quickly: calm, alert, and a fill that
// follows calm when nothing else was asked for.
class MusicPlayback : public MusicTest {
 protected:
  void SetUp() override {
    MusicTest::SetUp();
    OpenAudio(Driver());
    WriteToneWav(folder->Path() / "calm.wav", 1.0, 440.0, 0.5);
    WriteToneWav(folder->Path() / "alert.wav", 1.0, 660.0, 0.5);
    WriteToneWav(folder->Path() / "fill.wav", 1.0, 550.0, 0.5);
    ASSERT_TRUE(LoadDefinition(R"(patterns: [
  {patternName: "calm", nextPatternName: "fill", fileName: "calm.wav", type: "Zone"}
  {patternName: "alert", fileName: "alert.wav", type: "Zone"}
  {patternName: "fill", fileName: "fill.wav", type: "Fill"}
]
)"));
  }
  virtual const char* Driver() const { return "dummy"; }

  Sint64 Position() const { return MIX_GetTrackPlaybackPosition(musicTrack); }

  // Lets the device play the track until its position has passed `ms`: in real time, at the
  // device's own pace.
  void PlayPast(int ms) {
    ASSERT_TRUE(PollUntil(std::chrono::seconds(5), [&] { return Position() >= MsToFrames(ms); }))
        << "the track does not play";
  }

  // Advances the music every 20 ms for the given time and returns the names that played, in
  // order, each once.
  std::vector<std::string> AdvanceFor(int ms) {
    std::vector<std::string> played{musicPattern.currentPatternName};
    RunFor(
        ms,
        [&] {
          AdvanceMusic();
          if (musicPattern.currentPatternName != played.back()) {
            played.push_back(musicPattern.currentPatternName);
          }
        },
        20);
    return played;
  }
};

TEST_F(MusicPlayback, QueuedPatternWaitsForTheWrapAround) {
  RestartFirstPattern();
  ASSERT_EQ(musicPattern.currentPatternName, "calm");
  const Uint64 started = SDL_GetTicks();
  RunFor(300, [] { AdvanceMusic(); }, 20);
  musicPattern.SetNextMusicPattern("alert");

  Sint64 calmReached = -1;
  Sint64 alertStartedAt = -1;
  Uint64 changedAt = 0;
  RunFor(
      1200,
      [&] {
        if (changedAt != 0) return;
        const Sint64 before = musicPattern.lastPosition;
        AdvanceMusic();
        if (musicPattern.currentPatternName == "alert") {
          changedAt = SDL_GetTicks();
          calmReached = before;
          alertStartedAt = Position();
        }
      },
      20);

  ASSERT_NE(changedAt, 0u) << "alert never started";
  EXPECT_GE(changedAt - started, 900u) << "calm was cut off before its end";
  EXPECT_GE(calmReached, MsToFrames(900)) << "calm was cut off before its end";
  EXPECT_LT(alertStartedAt, MsToFrames(100)) << "alert does not start from its beginning";
  EXPECT_EQ(musicPattern.queuedPattern, nullptr);
}

TEST_F(MusicPlayback, SuccessorFollowsThenAnEmptyOneLoopsForever) {
  RestartFirstPattern();
  const std::vector<std::string> played = AdvanceFor(2600);
  EXPECT_EQ(played, (std::vector<std::string>{"calm", "fill"}));
  EXPECT_TRUE(MIX_TrackPlaying(musicTrack));
  EXPECT_EQ(MIX_GetTrackLoops(musicTrack), -1);
}

TEST_F(MusicPlayback, RequestWinsOverTheSuccessor) {
  RestartFirstPattern();
  musicPattern.SetNextMusicPattern("alert");
  EXPECT_EQ(AdvanceFor(1400), (std::vector<std::string>{"calm", "alert"}));
}

// A still game sleeps between frames for as long as MusicWaitMs allows: waking no more often
// than that still hands calm over to its successor at the wrap-around. With nothing left to
// change there is no limit at all.
TEST_F(MusicPlayback, SleepingAsLongAsTheMusicAllowsKeepsItsChanges) {
  RestartFirstPattern();
  const int first = MusicWaitMs();
  EXPECT_GT(first, 0);
  EXPECT_LE(first, 1000) << "longer than the pattern";
  int wakeUps = 0;
  const Uint64 giveUpAt = SDL_GetTicks() + 5000;
  while (musicPattern.currentPatternName == "calm" && SDL_GetTicks() < giveUpAt) {
    const int wait = MusicWaitMs();
    ASSERT_NE(wait, NO_TIME_LIMIT) << "fill is to follow calm";
    SDL_Delay(static_cast<Uint32>(std::max(wait, 10)));  // 10 ms: a frame's least
    AdvanceMusic();
    ++wakeUps;
  }
  EXPECT_EQ(musicPattern.currentPatternName, "fill");
  EXPECT_LE(wakeUps, 20) << "a wake-up every 10 ms would be 100";

  // clang-format off
  const struct { const char* name; std::function<void()> arrange; bool limited; } cases[] = {
    {"fill loops on with nothing queued", [] {}, false},
    {"a queued pattern waits for the end", [] { musicPattern.SetNextMusicPattern("alert"); }, true},
    {"music switched off", [] { musicEnabled = false; }, false},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    c.arrange();
    EXPECT_EQ(MusicWaitMs() != NO_TIME_LIMIT, c.limited);
  }
}

TEST_F(MusicPlayback, FailuresAtTheWrapAroundThrow) {
  // clang-format off
  // A definition whose successor names no pattern fails start-up; the successor of a pattern
  // that is playing is set here by hand.
  const struct { const char* name; const char* play; const char* successor; bool queueSilentEntry; const char* what; } cases[] = {
    {"successor not defined", "calm", "nowhere", false, "Requested zone or fill could not be found: nowhere"},
    {"queued entry cannot play", "alert", nullptr, true, "Failed to play music! SDL_mixer Error: "},
  };
  // clang-format on
  RKMusicPatternSystem::RKMusicPatternEntry silent;  // no audio: the track cannot start it
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    musicPattern.SetNextMusicPattern(c.play);
    ASSERT_TRUE(musicPattern.PlayMusicPattern(musicPattern.queuedPattern, 0));
    if (c.successor != nullptr) musicPattern.nextPatternName = c.successor;
    musicPattern.queuedPattern = c.queueSilentEntry ? &silent : nullptr;
    AdvanceMusic();
    // Pretend the last frame saw the pattern near its end: the next advance sees it wrap.
    musicPattern.lastPosition = MsToFrames(999);
    try {
      AdvanceMusic();
      ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(std::string(e.what()).rfind(c.what, 0), 0u) << e.what();
    }
    musicPattern.queuedPattern = nullptr;
  }
}

TEST_F(MusicPlayback, MusicOffStopsAtOnceAndOnRestartsTheFirstPattern) {
  musicPattern.SetNextMusicPattern("alert");
  ASSERT_TRUE(musicPattern.PlayMusicPattern(musicPattern.queuedPattern, 0));
  PlayPast(200);
  StopMusic();
  EXPECT_FALSE(MIX_TrackPlaying(musicTrack));

  musicPattern.SetNextMusicPattern("alert");  // left over from the game: must not survive
  RestartFirstPattern();
  EXPECT_TRUE(MIX_TrackPlaying(musicTrack));
  EXPECT_EQ(musicPattern.currentPatternName, "calm");
  EXPECT_EQ(musicPattern.queuedPattern, nullptr);
  EXPECT_LT(Position(), MsToFrames(100));

  // Restore and discard restart it from its beginning even while it plays.
  PlayPast(200);
  RestartFirstPattern();
  EXPECT_LT(Position(), MsToFrames(100));
}

TEST_F(MusicPlayback, VolumeSettingIsTheTrackGain) {
  musicVolume = 75;
  ASSERT_TRUE(musicPattern.UpdateMusicVolume());
  EXPECT_FLOAT_EQ(MIX_GetTrackGain(musicTrack), 0.75f);
  musicVolume = 140;
  ASSERT_TRUE(musicPattern.UpdateMusicVolume());
  EXPECT_FLOAT_EQ(MIX_GetTrackGain(musicTrack), 1.0f);
}

TEST_F(MusicPlayback, MainMenuArmsTheFadeOnlyOnItsFirstStart) {
  bool backFromGame = false;
  StartMenuMusic(backFromGame);
  EXPECT_EQ(musicPattern.currentPatternName, "calm");
  EXPECT_TRUE(MIX_TrackPlaying(musicTrack));
  EXPECT_TRUE(menuFadeActive && menuFadeWaitingForPlayback && menuFadeDone);

  // Music switched off in the options, then on again by entering the menu with the track
  // silent: the first pattern starts again, without a second fade.
  StopMusic();
  StartMenuMusic(backFromGame);
  EXPECT_TRUE(MIX_TrackPlaying(musicTrack));
  EXPECT_FALSE(menuFadeActive);
}

TEST_F(MusicPlayback, MainMenuLeavesTheCalmPatternRunning) {
  bool backFromGame = false;
  StartMenuMusic(backFromGame);
  PlayPast(200);
  const Sint64 before = Position();
  StartMenuMusic(backFromGame);
  EXPECT_GE(Position(), before) << "restarted on a menu pass";
}

TEST_F(MusicPlayback, BackFromGameRestartsTheFirstPatternWithoutFade) {
  bool backFromGame = false;
  StartMenuMusic(backFromGame);
  // A game ran (ending on calm) while the first fade-in had not finished yet.
  musicPattern.SetNextMusicPattern("calm");
  ASSERT_TRUE(musicPattern.PlayMusicPattern(musicPattern.queuedPattern, 0));
  PlayPast(200);
  backFromGame = true;
  StartMenuMusic(backFromGame);
  EXPECT_FALSE(backFromGame);
  EXPECT_FALSE(menuFadeActive);
  EXPECT_FLOAT_EQ(MIX_GetTrackGain(musicTrack), 0.75f) << "left at the fade's gain";
  EXPECT_EQ(musicPattern.currentPatternName, "calm");
  EXPECT_LT(Position(), MsToFrames(100)) << "not from its beginning";
}

TEST_F(MusicPlayback, MusicOffInTheMenuStartsNothingAndAbandonsTheFade) {
  bool backFromGame = false;
  StartMenuMusic(backFromGame);
  StopMusic();
  musicEnabled = false;
  StartMenuMusic(backFromGame);
  EXPECT_FALSE(MIX_TrackPlaying(musicTrack));
  EXPECT_FALSE(menuFadeActive);
  EXPECT_FALSE(menuFadeWaitingForPlayback);
  // The tag gain is the track's own gain: the abandoned fade must leave the volume setting
  // behind, not silence and not full volume.
  EXPECT_FLOAT_EQ(MIX_GetTrackGain(musicTrack), 0.75f);
  // And the game does not advance patterns while music is off.
  musicPattern.SetNextMusicPattern("alert");
  musicPattern.lastPosition = MsToFrames(999);
  AdvanceMusic();
  EXPECT_FALSE(MIX_TrackPlaying(musicTrack));
}

TEST_F(MusicPlayback, ShutDownFadesOutWithinItsBound) {
  RestartFirstPattern();
  PlayPast(50);
  const Uint64 start = SDL_GetTicks();
  FadeOutMusic();
  const Uint64 took = SDL_GetTicks() - start;
  EXPECT_FALSE(MIX_TrackPlaying(musicTrack));
  EXPECT_GE(took, 400u) << "did not wait for the fade";
  EXPECT_LE(took, 2100u);
}

// The same loops on the disk driver, whose output file holds what the player would hear.
class MusicHeard : public MusicPlayback {
 protected:
  const char* Driver() const override { return "disk"; }

  // RMS level of one channel over [fromMs, fromMs + lengthMs) of the mixed output.
  static double Level(const std::vector<std::int16_t>& out, double fromMs, double lengthMs) {
    const auto first = static_cast<std::size_t>(fromMs * RATE / 1000.0) * 2;
    const auto count = static_cast<std::size_t>(lengthMs * RATE / 1000.0);
    double sum = 0.0;
    std::size_t used = 0;
    for (std::size_t i = 0; i < count && first + 2 * i < out.size(); ++i, ++used) {
      sum += static_cast<double>(out[first + 2 * i]) * out[first + 2 * i];
    }
    return used == 0 ? 0.0 : std::sqrt(sum / static_cast<double>(used));
  }

  static double FirstSoundMs(const std::vector<std::int16_t>& out) {
    const auto it = std::find_if(out.begin(), out.end(), [](std::int16_t s) { return s != 0; });
    if (it == out.end()) return -1.0;
    const auto frame = (it - out.begin()) / 2;  // two samples, left and right, a frame
    return static_cast<double>(frame) * 1000.0 / RATE;
  }
};

TEST_F(MusicHeard, FirstMenuVisitFadesInFromSilenceOver500ms) {
  musicVolume = 50;
  ASSERT_TRUE(musicPattern.UpdateMusicVolume());
  bool backFromGame = false;
  StartMenuMusic(backFromGame);
  RunFor(1300, [] { UpdateMenuMusicFade(); }, 5);  // the menu's input wait
  EXPECT_FALSE(menuFadeActive);
  CloseAudio();

  const std::vector<std::int16_t> out = ReadDiskOutput();
  const double begin = FirstSoundMs(out);
  ASSERT_GE(begin, 0.0) << "nothing was heard";
  // A 0.5 sine at volume 50: its RMS, heard in full once the fade is over.
  const double full = 0.5 * 0.5 * 32767.0 / std::sqrt(2.0);
  EXPECT_NEAR(Level(out, begin + 800, 200), full, full * 0.05);
  EXPECT_LT(Level(out, begin, 20), full * 0.15) << "did not start from silence";
  const double half = Level(out, begin + 240, 20);
  EXPECT_GT(half, full * 0.3);
  EXPECT_LT(half, full * 0.7);
  // Full volume arrives about 500 ms after the first sound, smoothly: no step between two
  // neighbouring 10 ms slices is larger than a fade of 500 ms can make.
  double reached = -1.0;
  double previous = 0.0;
  double largestStep = 0.0;
  for (double t = 0; t < 1000; t += 10) {
    const double level = Level(out, begin + t, 10);
    if (reached < 0 && level >= full * 0.95) reached = t;
    largestStep = std::max(largestStep, level - previous);
    previous = level;
  }
  EXPECT_GE(reached, 350.0);
  EXPECT_LE(reached, 700.0);
  EXPECT_LT(largestStep, full * 0.15) << "the fade jumps";
}

TEST_F(MusicHeard, ShippedCalmMusicIsHeardInTheMainMenu) {
  ForgetMusicPatterns();
  ASSERT_TRUE(LoadMusicDefinition("music/music_def.cson"));
  bool backFromGame = false;
  StartMenuMusic(backFromGame);
  RunFor(1500, [] { UpdateMenuMusicFade(); }, 10);
  EXPECT_EQ(musicPattern.currentPatternName, "calm");
  CloseAudio();

  const std::vector<std::int16_t> out = ReadDiskOutput();
  const double begin = FirstSoundMs(out);
  ASSERT_GE(begin, 0.0) << "nothing was heard";
  EXPECT_GT(Level(out, begin + 600, 600), 500.0) << "the calm music is all but silent";
}

}  // namespace
