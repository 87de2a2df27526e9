// Damaged sound behind whole Ogg Vorbis headers, as a half-finished download or a careless edit
// leaves a music file: the start-up check must end, never crash, and whatever it accepts must
// decode to its end as the music track would play it. An input that is an Ogg stream of its
// own ("OggS" first) is checked as it is, headers and all.

#include <SDL3/SDL.h>
#include <SDL3_mixer/SDL_mixer.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "music/music.h"

namespace {

std::string headers;  // the shipped calm music's first two Ogg pages: its three Vorbis headers

// Decodes what a track would play, with a cap on the calls: each call must use up input, so the
// cap is only reached by a decoder that stopped advancing.
void DecodeToTheEnd(const std::string& file) {
  SDL_IOStream* io = SDL_IOFromConstMem(file.data(), file.size());
  MIX_AudioDecoder* decoder = MIX_CreateAudioDecoder_IO(io, true, 0);
  if (decoder == nullptr) std::abort();  // the check opened it a moment ago
  const SDL_AudioSpec spec{SDL_AUDIO_S16, 2, 44100};
  std::vector<char> buffer(16384);
  int calls = 0;
  while (MIX_DecodeAudio(decoder, buffer.data(), static_cast<int>(buffer.size()), &spec) > 0) {
    if (++calls > 1000000) std::abort();
  }
  MIX_DestroyAudioDecoder(decoder);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (!MIX_Init()) std::abort();
  std::ifstream in(TVK_DATA_DIR "/music/calm.ogg", std::ios::binary);
  const std::string shipped((std::istreambuf_iterator<char>(in)), {});
  const std::size_t second = shipped.find("OggS", 1);
  const std::size_t third = shipped.find("OggS", second + 1);
  if (second == std::string::npos || third == std::string::npos) std::abort();
  headers = shipped.substr(0, third);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::string file = input.starts_with("OggS") ? input : headers + input;
  std::string reason;
  if (CheckPatternAudio(SDL_IOFromConstMem(file.data(), file.size()), reason)) {
    DecodeToTheEnd(file);
  } else if (reason.empty()) {
    std::abort();  // a refusal the player would not be told the reason of
  }
  return 0;
}
