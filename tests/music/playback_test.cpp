// The music as it plays, in real time on SDL's dummy and disk audio drivers: pattern changes
// at the wrap-around, chaining, switching off and on, the main menu's steps, the fade-in heard
// in the mixed output, and the fade-out at shut-down.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/frames.h"
#include "music_fixture.h"

namespace {

// The frames' clock of a test that measures the menu's fade: it stands at what the test last
// set, the audio the track has played (see PlayFor), so that the fade is measured in what was
// heard, whatever the machine's own pace.
std::uint64_t audioClockMs = 0;
std::uint64_t AudioClock() { return audioClockMs; }

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
  void TearDown() override {
    frameSource = SDL_FRAME_SOURCE;
    MusicTest::TearDown();
  }
  virtual const char* Driver() const { return "dummy"; }

  Sint64 Position() const { return MIX_GetTrackPlaybackPosition(musicTrack); }

  // Sample frames the track has played since the test began, from the positions the mixer
  // reports: a position below the last one seen means the pattern played to its end and the
  // loop, or the next pattern, began again.
  Sint64 Played() {
    const Sint64 now = std::max<Sint64>(Position(), 0);
    const Sint64 loop = MsToFrames(musicPattern.patternLengthMs);
    playedFrames += now >= lastSeen ? now - lastSeen : std::max<Sint64>(loop - lastSeen, 0) + now;
    lastSeen = now;
    return playedFrames;
  }

  // Calls step every few milliseconds, as a running frame loop would, until the track has
  // played `ms` more of audio: the audio's own pace decides, so a machine that stalls for a
  // while only makes it last longer. longestGap is the most audio the track played between two
  // steps, which bounds how late a step can act on what is heard.
  void PlayFor(int ms, const std::function<void()>& step, int everyMs = 10) {
    const Sint64 until = Played() + MsToFrames(ms);
    Sint64 previous = playedFrames;
    const Uint64 giveUpAt = SDL_GetTicks() + 60000;
    while (Played() < until) {
      ASSERT_LT(SDL_GetTicks(), giveUpAt) << "the track does not play";
      longestGap = std::max(longestGap, playedFrames - previous);
      previous = playedFrames;
      step();
      SDL_Delay(static_cast<Uint32>(everyMs));
    }
  }

  // Lets the device play the track until its position has passed `ms`: in real time, at the
  // device's own pace.
  void PlayPast(int ms) {
    ASSERT_TRUE(PollUntil(std::chrono::seconds(5), [&] { return Position() >= MsToFrames(ms); }))
        << "the track does not play";
  }

  // Advances the music every 20 ms while the track plays `ms` of audio and returns the names
  // that played, in order, each once.
  std::vector<std::string> AdvanceFor(int ms) {
    std::vector<std::string> played{musicPattern.currentPatternName};
    PlayFor(
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

  Sint64 playedFrames = 0;
  Sint64 lastSeen = 0;
  Sint64 longestGap = 0;
};

// One device buffer: what the mixer mixes at a time, so what the main thread sets is heard
// at most this much later.
constexpr Sint64 DEVICE_FRAMES = 512;

TEST_F(MusicPlayback, QueuedPatternWaitsForTheWrapAround) {
  RestartFirstPattern();
  ASSERT_EQ(musicPattern.currentPatternName, "calm");
  PlayFor(300, [] { AdvanceMusic(); }, 20);
  musicPattern.SetNextMusicPattern("alert");

  Sint64 calmReached = -1;
  Sint64 alertStartedAt = -1;
  PlayFor(
      1200,
      [&] {
        if (alertStartedAt >= 0) return;
        const Sint64 before = musicPattern.lastPosition;
        AdvanceMusic();
        if (musicPattern.currentPatternName == "alert") {
          calmReached = before;
          alertStartedAt = Position();
        }
      },
      20);

  ASSERT_GE(alertStartedAt, 0) << "alert never started";
  // The last position seen before the change was at most one step short of calm's end.
  EXPECT_GE(calmReached, MsToFrames(1000) - longestGap - DEVICE_FRAMES)
      << "calm was cut off before its end";
  // Read right after the start; the bound leaves room for a main thread held up in between.
  EXPECT_LT(alertStartedAt, MsToFrames(500)) << "alert does not start from its beginning";
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

// The fade is measured in the audio heard: the menu's clock is the audio the track has played,
// so a stalled machine neither speeds the fade up nor makes it jump; it can only make the main
// thread late in setting the gain, by at most the longest gap between two of its steps.
TEST_F(MusicHeard, FirstMenuVisitFadesInFromSilenceOver500ms) {
  musicVolume = 50;
  ASSERT_TRUE(musicPattern.UpdateMusicVolume());
  frameSource.now = AudioClock;
  // A second passes on the clock between the menu's start and the first sound (the device
  // takes its time to open): the fade counts from the first sound, not from the start.
  audioClockMs = 0;
  bool backFromGame = false;
  StartMenuMusic(backFromGame);
  PlayFor(
      2000,
      [&] {
        audioClockMs = 1000 + static_cast<std::uint64_t>(playedFrames * 1000 / RATE);
        UpdateMenuMusicFade();
      },
      5);  // the menu's input wait
  EXPECT_FALSE(menuFadeActive);
  CloseAudio();

  const std::vector<std::int16_t> out = ReadDiskOutput();
  const double begin = FirstSoundMs(out);
  ASSERT_GE(begin, 0.0) << "nothing was heard";
  // A 0.5 sine at volume 50: its RMS, heard in full once the fade is over.
  const double full = 0.5 * 0.5 * 32767.0 / std::sqrt(2.0);
  const double lateMs = static_cast<double>(longestGap + DEVICE_FRAMES) * 1000.0 / RATE;
  // From silence to full over 500 ms, in a straight line: each 20 ms slice is heard between
  // the gain the fade had lateMs before it and the one it has lateMs after it.
  for (double t = 0; t < 500 + lateMs + 100; t += 20) {
    SCOPED_TRACE(testing::Message() << t << " ms after the first sound, " << lateMs << " late");
    const double level = Level(out, begin + t, 20);
    const double lowest = std::clamp((t - lateMs) / 500.0, 0.0, 1.0);
    const double highest = std::min((t + 20 + lateMs) / 500.0, 1.0);
    EXPECT_GE(level, full * (lowest - 0.04));
    EXPECT_LE(level, full * (highest + 0.04));
    if (HasFailure()) break;
  }
  EXPECT_NEAR(Level(out, begin + 500 + lateMs + 100, 200), full, full * 0.05);
}

TEST_F(MusicHeard, ShippedCalmMusicIsHeardInTheMainMenu) {
  ForgetMusicPatterns();
  ASSERT_TRUE(LoadMusicDefinition("music/music_def.cson"));
  frameSource.now = AudioClock;
  audioClockMs = 0;
  bool backFromGame = false;
  StartMenuMusic(backFromGame);
  PlayFor(
      1500,
      [&] {
        audioClockMs = static_cast<std::uint64_t>(playedFrames * 1000 / RATE);
        UpdateMenuMusicFade();
      },
      10);
  EXPECT_EQ(musicPattern.currentPatternName, "calm");
  CloseAudio();

  const std::vector<std::int16_t> out = ReadDiskOutput();
  const double begin = FirstSoundMs(out);
  ASSERT_GE(begin, 0.0) << "nothing was heard";
  EXPECT_GT(Level(out, begin + 600, 600), 500.0) << "the calm music is all but silent";
}

}  // namespace
