#include "input/globals.h"

bool quitRequested;
RKInput lastInput;
RKDevice lastDevice;
SDL_Scancode selectedKey;

void ResetInputState() {
  quitRequested = false;
  lastInput = {};
  lastDevice = RKDevice::Keyboard;
  selectedKey = SDL_SCANCODE_UNKNOWN;
}

namespace {
// A program starts with the values ResetInputState gives.
[[maybe_unused]] const bool STARTED = (ResetInputState(), true);
}  // namespace
