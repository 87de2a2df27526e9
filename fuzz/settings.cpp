// Arbitrary bytes as "game.cfg": the reader must never crash, every setting it accepts must be
// one the game can use, and writing the settings back must read back the same.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/globals.h"
#include "localization/localization.h"
#include "music/globals.h"
#include "persistence/globals.h"
#include "persistence/settings.h"

#include "fuzz_support.h"

namespace {

void StartValues() {
  fullscreen = true;
  musicEnabled = true;
  musicVolume = 75;
  keyboard.clear();
  gLocalization->SetLanguageCode("en");
}

bool Usable() {
  if (musicVolume < 0 || musicVolume > musicPattern.GetMaxMusicVolume()) return false;
  if (keyboard.size() != static_cast<std::size_t>(ACTION_COUNT)) return false;
  for (const auto& [action, key] : keyboard) {
    if (action < 0 || action >= ACTION_COUNT || key < 0 || key >= SDL_SCANCODE_COUNT) {
      return false;
    }
  }
  return true;
}

int Run(const std::uint8_t* data, std::size_t size) {
  tvkfuzz::WriteInput("game.cfg", data, size);

  StartValues();
  if (!LoadGameSettings()) {
    return 0;
  }
  if (!Usable()) std::abort();

  const bool savedFullscreen = fullscreen;
  const bool savedMusic = musicEnabled;
  const int savedVolume = musicVolume;
  const std::string savedLanguage = gLocalization->GetCurrentLanguageCode();
  const RKKeyboard savedKeys = keyboard;
  if (!SaveGameSettings()) std::abort();
  StartValues();
  if (!LoadGameSettings() || fullscreen != savedFullscreen || musicEnabled != savedMusic ||
      musicVolume != savedVolume || gLocalization->GetCurrentLanguageCode() != savedLanguage ||
      keyboard != savedKeys) {
    std::abort();
  }
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  tvkfuzz::MakeRunFolder("settings");
  gLocalization = new RKLocalization();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return tvkfuzz::RunInFolder(Run, data, size);
}
