#include "persistence/globals.h"

bool fullscreen;
bool musicEnabled;
int musicVolume;

RKKeyboard keyboard;
RKPadButtons padButtons;

void ResetSettingsState() {
  fullscreen = true;
  musicEnabled = true;
  musicVolume = 75;
  keyboard.clear();
  padButtons.clear();
}

namespace {
// A program starts with the values ResetSettingsState gives.
[[maybe_unused]] const bool STARTED = (ResetSettingsState(), true);
}  // namespace
