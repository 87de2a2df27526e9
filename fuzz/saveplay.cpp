// A saved game played: the input is a "game.sav", then a line "#KEYS", then bytes that become
// one key or click each. A save the reader accepts is played through the real turn loop with
// those keys (moves, take, drop, use with aim, stairs, the level-up choice, the boxes' keys),
// left with a close request, which saves it, and read again: every game the loader accepts must
// play without a sanitizer report and save into a file it accepts again.

#include "saveplay.h"

#include <SDL3/SDL.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "fuzz_support.h"

namespace {

int Run(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find(tvksaveplay::KEYS_MARK);
  const std::string_view save = input.substr(0, split);
  const std::string_view keys = split == std::string_view::npos
                                    ? std::string_view()
                                    : input.substr(split + tvksaveplay::KEYS_MARK.size());
  tvkfuzz::WriteInput("game.sav", reinterpret_cast<const std::uint8_t*>(save.data()), save.size());
  if (!tvksaveplay::PlaySavedGame(keys)) std::abort();
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  tvkfuzz::MakeRunFolder("saveplay");
  tvksaveplay::StartHeadless(TVK_DATA_DIR);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return tvkfuzz::RunInFolder(Run, data, size);
}
