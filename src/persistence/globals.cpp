#include "persistence/globals.h"

bool fullscreen;
bool musicEnabled;
int musicVolume;

RKKeyboard keyboard;

void ResetSettingsState() {
  fullscreen = true;
  musicEnabled = true;
  musicVolume = 75;
  keyboard.clear();
}

namespace {
// A program starts with the values ResetSettingsState gives.
[[maybe_unused]] const bool STARTED = (ResetSettingsState(), true);
}  // namespace
