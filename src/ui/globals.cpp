#include "ui/globals.h"

RKFont* font = nullptr;
std::list<std::string> option;
std::list<std::string>::iterator optionIterator;
bool showInventory;
bool previousFullscreen;
bool previousMusicEnabled;
int previousMusicVolume;
std::string previousLanguageCode;
RKKeyboard previousKeyboard;
RKPadButtons previousPadButtons;

void ResetMenuState() {
  font = nullptr;
  option.clear();
  optionIterator = option.end();
  showInventory = false;
  previousFullscreen = true;
  previousMusicEnabled = true;
  previousMusicVolume = 75;
  previousLanguageCode.clear();
  previousKeyboard.clear();
  previousPadButtons.clear();
}

namespace {
// A program starts with the values ResetMenuState gives.
[[maybe_unused]] const bool STARTED = (ResetMenuState(), true);
}  // namespace
