// Start-up and shut-down of the real program, headless: what exists after InitGame, what a
// failing step prints, and that QuitGame releases everything (and still writes the settings)
// after a full or a partial start.

#include <SDL3/SDL.h>
#include <SDL3_mixer/SDL_mixer.h>
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/window.h"
#include "core/globals.h"
#include "core/message.h"
#include "localization/localization.h"
#include "music/globals.h"
#include "play/lifecycle.h"
#include "support/desktop.h"
#include "support/harness.h"
#include "ui/font.h"
#include "ui/globals.h"

namespace fs = std::filesystem;

namespace {

// Everything QuitGame must leave behind: no window, no surfaces, no owned objects.
void ExpectAllReleased() {
  EXPECT_EQ(window, nullptr);
  EXPECT_EQ(renderer, nullptr);
  EXPECT_EQ(texture, nullptr);
  EXPECT_EQ(screen, nullptr);
  EXPECT_EQ(tempSurface, nullptr);
  EXPECT_EQ(mapPanel, nullptr);
  EXPECT_EQ(panel, nullptr);
  EXPECT_EQ(inventoryPanel, nullptr);
  EXPECT_EQ(windowIcon, nullptr);
  EXPECT_EQ(font, nullptr);
  EXPECT_EQ(message, nullptr);
  EXPECT_EQ(gLocalization, nullptr);
  EXPECT_EQ(musicMixer, nullptr);
  EXPECT_EQ(musicTrack, nullptr);
  EXPECT_TRUE(musicPattern.patterns.empty());
  EXPECT_EQ(SDL_WasInit(0), 0u) << "SDL is still initialised";
}

}  // namespace

TEST(Spine, StartsWithItsWindowSurfacesAndFontAndShutsDownInOrder) {
  RunFolder folder;
  ResetProgramState();
  ASSERT_TRUE(InitGame(640, 400, false)) << SDL_GetError();

  ASSERT_NE(window, nullptr);
  EXPECT_STREQ(SDL_GetWindowTitle(window), "Tower Vault Keeper (T.V.K.) v0.4");
  EXPECT_TRUE(SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) << "fullscreen by default";
  ASSERT_NE(renderer, nullptr);
  EXPECT_STREQ(SDL_GetRendererName(renderer), "software");
  EXPECT_NE(screenFormat, SDL_PIXELFORMAT_UNKNOWN);

  struct Size {
    const char* name;
    SDL_Surface* surface;
    int w, h;
  };
  // surface          width height
  const Size sizes[] = {
      {"screen", screen, 640, 400},
      {"tempSurface", tempSurface, 640, 400},
      {"mapPanel", mapPanel, 640, 320},
      {"panel", panel, 640, 80},
      {"inventoryPanel", inventoryPanel, 456, 40},
  };
  for (const Size& size : sizes) {
    SCOPED_TRACE(size.name);
    ASSERT_NE(size.surface, nullptr);
    EXPECT_EQ(size.surface->w, size.w);
    EXPECT_EQ(size.surface->h, size.h);
    EXPECT_EQ(size.surface->format, screenFormat);
  }
  ASSERT_NE(texture, nullptr);
  float textureW = 0, textureH = 0;
  SDL_GetTextureSize(texture, &textureW, &textureH);
  EXPECT_EQ(textureW, 640);
  EXPECT_EQ(textureH, 400);

  ASSERT_NE(font, nullptr);
  for (SDL_Surface* sheet : font->glyphSurfaces) EXPECT_NE(sheet, nullptr);
  ASSERT_NE(message, nullptr);
  EXPECT_EQ(message->surface, panel);
  ASSERT_NE(musicTrack, nullptr);
  EXPECT_GE(musicPattern.patterns.size(), 2u);
  EXPECT_GE(mousePos.x, 0);
  EXPECT_LT(mousePos.x, 640);
  EXPECT_GE(mousePos.y, 0);
  EXPECT_LT(mousePos.y, 400);

  QuitGame();
  ExpectAllReleased();
  EXPECT_TRUE(fs::exists("game.cfg")) << "shut-down writes the settings";
}

// The settings file is read before the window and the mixer exist: its fullscreen switch
// decides the window's flags and its volume is the music track's gain from the start.
TEST(Spine, SettingsFileShapesTheWindowAndTheMusicVolume) {
  RunFolder folder;
  ResetProgramState();
  std::ofstream("game.cfg") << "Fullscreen: false\nMusicVolume: 40\n";
  ASSERT_TRUE(InitGame(640, 400, false)) << SDL_GetError();
  EXPECT_FALSE(SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN);
  EXPECT_FLOAT_EQ(MIX_GetTrackGain(musicTrack), 0.4f);
  QuitGame();
  ExpectAllReleased();
}

// A step that fails stops the start-up with its message naming the file; QuitGame then releases
// whatever exists and still writes the settings file. The font said nothing, and a sheet of
// another size drew garbage (a 4096x4096 one took 11 s and 1.46 GB).
struct FailingStep {
  const char* name;
  std::function<void()> damage;  // done to the copy of the data files before start-up
  const char* expected;          // what the failure prints
  bool onStderr;
};

void PrintTo(const FailingStep& step, std::ostream* out) { *out << step.name; }

void WriteText(const char* path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

void WritePicture(const char* path, int width, int height) {
  SDL_Surface* picture = SDL_CreateSurface(width, height, SDL_PIXELFORMAT_RGBA32);
  SavePng(picture, path);
  SDL_DestroySurface(picture);
}

void ReplaceInFile(const char* path, const std::string& from, const std::string& to) {
  std::ifstream in(path, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  text.replace(text.find(from), from.size(), to);
  WriteText(path, text);
}

std::string ReadBytes(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return {(std::istreambuf_iterator<char>(in)), {}};
}

// The generator of Python's random.Random(5): the same garbage as the reproducer a player
// reported, made by seeding the state words as Python does and handing them to the standard
// engine, which then twists exactly as Python's does.
std::mt19937 PythonRandom(std::uint32_t seed) {
  constexpr int N = 624;
  std::vector<std::uint32_t> mt(N);
  mt[0] = 19650218U;
  for (int i = 1; i < N; ++i) {
    mt[i] = 1812433253U * (mt[i - 1] ^ (mt[i - 1] >> 30)) + static_cast<std::uint32_t>(i);
  }
  int i = 1;
  for (int k = N; k > 0; --k) {
    mt[i] = (mt[i] ^ ((mt[i - 1] ^ (mt[i - 1] >> 30)) * 1664525U)) + seed;
    if (++i >= N) {
      mt[0] = mt[N - 1];
      i = 1;
    }
  }
  for (int k = N - 1; k > 0; --k) {
    mt[i] =
        (mt[i] ^ ((mt[i - 1] ^ (mt[i - 1] >> 30)) * 1566083941U)) - static_cast<std::uint32_t>(i);
    if (++i >= N) {
      mt[0] = mt[N - 1];
      i = 1;
    }
  }
  mt[0] = 0x80000000U;
  std::stringstream state;
  for (const std::uint32_t word : mt) state << word << ' ';
  std::mt19937 engine;
  state >> engine;
  return engine;
}

// Every 97th byte from offset 8000 on replaced: the Ogg headers stay whole, the audio packets
// are garbage. A Vorbis decoder finds no sound in them at all.
void OverwritePackets(const char* path) {
  std::string bytes = ReadBytes(path);
  std::mt19937 random = PythonRandom(5);
  for (std::size_t i = 8000; i < bytes.size(); i += 97) {
    std::uint32_t value = 256;
    while (value >= 256) value = random() >> 23;  // randrange(256): 9 bits, the rest refused
    bytes[i] = static_cast<char>(value);
  }
  WriteText(path, bytes);
}

// The first two Ogg pages hold the three Vorbis headers; the sound starts at the third.
void CutAfterHeaders(const char* path) {
  const std::string bytes = ReadBytes(path);
  const std::size_t second = bytes.find("OggS", 1);
  WriteText(path, bytes.substr(0, bytes.find("OggS", second + 1)));
}

// A whole, valid Ogg stream of one page whose codec is Speex, which the game cannot play.
void WriteOggOfAnotherCodec(const char* path) {
  std::string body = "Speex   ";
  body.resize(80, '\0');
  std::string page = std::string("OggS\0\x06", 6) + std::string(8, '\0');  // first and last page
  page += std::string("\x01\0\0\0", 4) + std::string(8, '\0');             // serial, number, CRC
  page += '\x01';
  page += static_cast<char>(body.size());
  page += body;
  std::uint32_t crc = 0;
  for (const char c : page) {
    crc ^= static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 24;
    for (int bit = 0; bit < 8; ++bit)
      crc = (crc & 0x80000000U) ? (crc << 1) ^ 0x04c11db7U : crc << 1;
  }
  for (int b = 0; b < 4; ++b) page[22 + b] = static_cast<char>(crc >> (8 * b));
  WriteText(path, page);
}

// clang-format off
const FailingStep FAILING_STEPS[] = {
  {"FontMissing", [] { fs::remove("gfx/font.png"); },
   "Couldn't load the font: gfx/font.png is missing\n", true},
  {"FontIsAFolder", [] { fs::remove("gfx/font.png"); fs::create_directory("gfx/font.png"); },
   "Couldn't load the font: gfx/font.png is not a regular file\n", true},
  {"FontIsNoPicture", [] { WriteText("gfx/font.png", "not a picture at all, only text"); },
   "Couldn't load the font: gfx/font.png is not a PNG picture\n", true},
  {"FontOfAnotherSize", [] { WritePicture("gfx/font.png", 256, 128); },
   "Couldn't load the font: gfx/font.png is 256x128 pixels, the font needs 128x128\n", true},
  {"MusicDefinitionMissing", [] { fs::remove("music/music_def.cson"); },
   "Failed to load music definition file!\nCSON error: music/music_def.cson:1:1: Failed to open file\n", true},
  {"MusicDefinitionIsAFolder", [] { fs::remove("music/music_def.cson"); fs::create_directory("music/music_def.cson"); },
   "Failed to load music definition file!\nCSON error: music/music_def.cson:1:1: Not a regular file\n", true},
  {"MusicSuccessorUnknown", [] { ReplaceInFile("music/music_def.cson", "nextPatternName: \"calm_drift\"", "nextPatternName: \"calm_drfit\""); },
   "Music pattern \"calm\" names an unknown next pattern \"calm_drfit\"! (music/music_def.cson)\n", true},
  {"AudioMissing", [] { fs::remove("music/calm.ogg"); },
   "Failed to load music! SDL_mixer Error: music/calm.ogg is missing or not a regular file (music/calm.ogg)\n", true},
  {"AudioPacketsOverwritten", [] { OverwritePackets("music/calm.ogg"); },
   "music/calm.ogg: no audio could be decoded\n", true},
  {"AudioCutAfterItsHeaders", [] { CutAfterHeaders("music/calm.ogg"); },
   "music/calm.ogg: no audio could be decoded\n", true},
  {"AudioOfAnotherCodec", [] { WriteOggOfAnotherCodec("music/alert.ogg"); },
   "music/alert.ogg: Audio data is in unknown/unsupported/corrupt format\n", true},
  {"AudioEmpty", [] { WriteText("music/calm_drift.ogg", ""); },
   "music/calm_drift.ogg: Audio data is in unknown/unsupported/corrupt format\n", true},
};
// clang-format on

class SpineFailure : public ::testing::TestWithParam<FailingStep> {};

TEST_P(SpineFailure, ShutsDownCleanlyWithItsMessage) {
  const FailingStep& step = GetParam();
  RunFolder folder;
  step.damage();
  ResetProgramState();

  ::testing::internal::CaptureStderr();
  ::testing::internal::CaptureStdout();
  const bool started = InitGame(640, 400, false);
  const std::string out = ::testing::internal::GetCapturedStdout();
  const std::string err = ::testing::internal::GetCapturedStderr();

  EXPECT_FALSE(started);
  EXPECT_EQ(step.onStderr ? err : out, step.expected);
  EXPECT_NE(window, nullptr) << "the failing step comes after the window";

  QuitGame();
  ExpectAllReleased();
  EXPECT_TRUE(fs::exists("game.cfg")) << "settings are written also after a failed start";
}

// The real program said nothing for a missing font and ended with exit code 0: a failure
// reported as success. It now exits with 1 after its message, the settings written.
TEST_P(SpineFailure, TheProgramExitsWithOne) {
  if (std::string(TVK_BINARY_PATH).empty()) GTEST_SKIP() << "the game is not built";
  const FailingStep& step = GetParam();
  RunFolder folder;
  step.damage();
  // A damaged file once hung the program in its menu: its answer is awaited, not trusted.
  const pid_t game = SpawnProgram({TVK_BINARY_PATH}, fs::current_path().string(), {}, "output.txt");
  ASSERT_GT(game, 0);
  const int code = WaitForProcess(game, std::chrono::seconds(60));
  if (code == -1) {
    kill(game, SIGKILL);
    waitpid(game, nullptr, 0);
  }
  EXPECT_EQ(code, 1);
  std::ifstream said("output.txt");
  const std::string text((std::istreambuf_iterator<char>(said)), {});
  EXPECT_NE(text.find(step.expected), std::string::npos) << text;
  EXPECT_TRUE(fs::exists("game.cfg"));
}

INSTANTIATE_TEST_SUITE_P(Steps, SpineFailure, ::testing::ValuesIn(FAILING_STEPS),
                         [](const auto& info) { return std::string(info.param.name); });

// Without a language the game still starts, showing its text keys, but the console says which
// file failed.
TEST(Spine, AMissingLanguageIsReportedAndTheGameStillStarts) {
  struct Case {
    const char* name;
    std::function<void()> damage;
    const char* expected;
  };
  const Case cases[] = {
      {"no language list", [] { fs::remove("languages/languages.cson"); },
       "Couldn't read a language from the list languages/languages.cson\n"},
      {"the list names a folder",
       [] {
         fs::rename("languages/en.cson", "languages/en-moved.cson");
         fs::create_directory("languages/en.cson");
       },
       "Couldn't load the language \"en\" from languages/en.cson\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RunFolder folder;
    c.damage();
    ResetProgramState();
    ::testing::internal::CaptureStderr();
    const bool started = InitGame(640, 400, false);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(started);
    EXPECT_EQ(err, c.expected);
    EXPECT_EQ(gLocalization->T("menu.main.quit"), "menu.main.quit");
    QuitGame();
  }
}

// Without a window there is nothing to draw with: the first fatal step fails, and QuitGame is
// still safe, also when called twice.
TEST(Spine, QuitGameIsSafeAfterAFailedVideoStart) {
  RunFolder folder;
  ResetProgramState();
  SDL_SetHintWithPriority(SDL_HINT_VIDEO_DRIVER, "no-such-driver", SDL_HINT_OVERRIDE);
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(InitGame(640, 400, false));
  const std::string err = ::testing::internal::GetCapturedStderr();
  SDL_ResetHint(SDL_HINT_VIDEO_DRIVER);
  EXPECT_EQ(err.rfind("Couldn't initialize SDL: ", 0), 0u) << err;
  QuitGame();
  QuitGame();
  ExpectAllReleased();
}

// The icon is set only on leaving fullscreen, never at start-up, and a missing icon file is
// silent. The converted icon takes the screen's format only when that has an alpha channel.
TEST(Spine, TheWindowHasItsIconFromTheStartAndAgainAfterFullscreen) {
  RunFolder folder;
  ResetProgramState();
  ASSERT_TRUE(InitGame(640, 400, false)) << SDL_GetError();
  EXPECT_NE(windowIcon, nullptr) << "a windowed start must show the icon too";

  // Twice: the icon of the first return from fullscreen is replaced, not leaked.
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    EXPECT_FALSE(ToggleFullscreen()) << "fullscreen by default, so the toggle leaves it";
    SDL_SyncWindow(window);
    EXPECT_FALSE(SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN);
    ASSERT_NE(windowIcon, nullptr);
    EXPECT_EQ(windowIcon->format,
              SDL_ISPIXELFORMAT_ALPHA(screenFormat) ? screenFormat : SDL_PIXELFORMAT_ABGR8888);

    EXPECT_TRUE(ToggleFullscreen());
    SDL_SyncWindow(window);
    EXPECT_TRUE(SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN);
  }

  // Without the file, leaving fullscreen keeps the icon there is and prints nothing.
  SDL_Surface* icon = windowIcon;
  fs::remove("gfx/icon.png");
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(ToggleFullscreen());
  EXPECT_EQ(::testing::internal::GetCapturedStdout() + ::testing::internal::GetCapturedStderr(),
            "");
  EXPECT_EQ(windowIcon, icon);

  QuitGame();
  ExpectAllReleased();
}
