#include "persistence/globals.h"

bool fullscreen;
bool musicEnabled;
int musicVolume;

RKKeyboard keyboard;
SDL_Scancode selectedKey;

void ResetSettingsState() {
  fullscreen = true;
  musicEnabled = true;
  musicVolume = 75;
  keyboard.clear();
  selectedKey = SDL_SCANCODE_UNKNOWN;
}

namespace {
// A program starts with the values ResetSettingsState gives.
[[maybe_unused]] const bool STARTED = (ResetSettingsState(), true);
}  // namespace
