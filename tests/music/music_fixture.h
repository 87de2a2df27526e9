#pragma once
// A music track of its own for the music tests: SDL audio and a mixer on the dummy or the disk
// driver, the globals musicMixer/musicTrack and musicPattern wired as start-up wires them, in a
// throw-away working folder holding a copy of the game's data, with short test loops written
// on demand. Nothing else of the game is started.

#include <SDL3/SDL.h>
#include <SDL3_mixer/SDL_mixer.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "music/globals.h"
#include "music/music.h"
#include "persistence/globals.h"
#include "play/lifecycle.h"
#include "support/harness.h"

inline constexpr int RATE = 44100;

// Writes a 16-bit stereo WAV of a steady sine: a pattern whose loudness is the same everywhere.
inline void WriteToneWav(const std::filesystem::path& path, double seconds, double hz,
                         double amplitude) {
  const std::uint32_t frames = static_cast<std::uint32_t>(seconds * RATE);
  std::vector<std::int16_t> samples;
  samples.reserve(std::size_t{frames} * 2);
  for (std::uint32_t i = 0; i < frames; ++i) {
    const double x = amplitude * std::sin(2.0 * M_PI * hz * i / RATE);
    const auto s = static_cast<std::int16_t>(std::lround(x * 32767.0));
    samples.push_back(s);
    samples.push_back(s);
  }
  const std::uint32_t dataBytes = frames * 4;
  std::ofstream out(path, std::ios::binary);
  auto u32 = [&out](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&out](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
  out.write("RIFF", 4);
  u32(36 + dataBytes);
  out.write("WAVEfmt ", 8);
  u32(16);
  u16(1);  // PCM
  u16(2);
  u32(RATE);
  u32(RATE * 4);
  u16(4);
  u16(16);
  out.write("data", 4);
  u32(dataBytes);
  out.write(reinterpret_cast<const char*>(samples.data()), dataBytes);
}

// What the disk audio driver wrote: interleaved S16LE stereo samples at 44100 Hz.
inline std::vector<std::int16_t> ReadSamples(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

inline void WriteText(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

class MusicTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = std::make_unique<RunFolder>();
    ResetProgramState();
    ForgetMusicPatterns();
  }

  void TearDown() override {
    CloseAudio();
    ForgetMusicPatterns();
    // The next test (perhaps a whole game on the environment's dummy driver) gets SDL as the
    // environment sets it up.
    SDL_ResetHint(SDL_HINT_AUDIO_DRIVER);
    SDL_ResetHint(SDL_HINT_AUDIO_DISK_OUTPUT_FILE);
    SDL_ResetHint(SDL_HINT_AUDIO_DEVICE_SAMPLE_FRAMES);
    folder.reset();
  }

  // Opens SDL audio and the mixer on the named driver ("dummy", or "disk" writing to
  // DiskFile()), creates the tagged track and hands it to musicPattern as start-up does.
  void OpenAudio(const char* driver = "dummy") {
    // The test environment names the dummy driver in the environment, which beats a normal hint.
    SDL_SetHintWithPriority(SDL_HINT_AUDIO_DRIVER, driver, SDL_HINT_OVERRIDE);
    SDL_SetHintWithPriority(SDL_HINT_AUDIO_DISK_OUTPUT_FILE, DiskFile().string().c_str(),
                            SDL_HINT_OVERRIDE);
    // Small device buffers keep what the disk driver writes close to the main thread's clock.
    SDL_SetHintWithPriority(SDL_HINT_AUDIO_DEVICE_SAMPLE_FRAMES, "512", SDL_HINT_OVERRIDE);
    ASSERT_TRUE(SDL_Init(SDL_INIT_AUDIO)) << SDL_GetError();
    ASSERT_TRUE(MIX_Init()) << SDL_GetError();
    const SDL_AudioSpec spec{SDL_AUDIO_S16LE, 2, RATE};
    musicMixer = MIX_CreateMixerDevice(SDL_AUDIO_DEVICE_DEFAULT_PLAYBACK, &spec);
    ASSERT_NE(musicMixer, nullptr) << SDL_GetError();
    musicTrack = MIX_CreateTrack(musicMixer);
    ASSERT_NE(musicTrack, nullptr) << SDL_GetError();
    ASSERT_TRUE(MIX_TagTrack(musicTrack, "music")) << SDL_GetError();
    musicPattern.SetTrack(musicTrack);
    musicPattern.SetVolumeSource(&musicVolume);
    ASSERT_TRUE(musicPattern.UpdateMusicVolume()) << SDL_GetError();
    audioOpen = true;
  }

  // Closes the device (which finishes the disk driver's file) and SDL.
  void CloseAudio() {
    if (!audioOpen) return;
    ForgetMusicPatterns();
    MIX_DestroyMixer(musicMixer);
    musicMixer = nullptr;
    musicTrack = nullptr;
    musicPattern.SetTrack(nullptr);
    MIX_Quit();
    SDL_Quit();
    audioOpen = false;
  }

  std::filesystem::path DiskFile() const { return folder->Path() / "mixed.raw"; }

  std::vector<std::int16_t> ReadDiskOutput() const { return ReadSamples(DiskFile()); }

  // Writes the definition text into the run folder and loads it.
  bool LoadDefinition(const std::string& text) {
    WriteText(folder->Path() / "test_def.cson", text);
    return LoadMusicDefinition("test_def.cson");
  }

  static Sint64 MsToFrames(Sint64 ms) { return ms * RATE / 1000; }

  std::unique_ptr<RunFolder> folder;
  bool audioOpen = false;
};
