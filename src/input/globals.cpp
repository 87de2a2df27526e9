#include "input/globals.h"

bool quitRequested;
RKInput lastInput;
RKDevice lastDevice;
SDL_Scancode selectedKey;
SDL_GamepadButton selectedButton;
SDL_GamepadType lastPadType;
SDL_GamepadButton heldDirection;
SDL_JoystickID heldBy;
std::uint64_t nextRepeatAt;
Sint16 stickX;
Sint16 stickY;
SDL_GamepadButton stickDirection;

void ResetInputState() {
  quitRequested = false;
  lastInput = {};
  lastDevice = RKDevice::Keyboard;
  selectedKey = SDL_SCANCODE_UNKNOWN;
  selectedButton = SDL_GAMEPAD_BUTTON_INVALID;
  lastPadType = SDL_GAMEPAD_TYPE_STANDARD;
  heldDirection = SDL_GAMEPAD_BUTTON_INVALID;
  heldBy = 0;
  nextRepeatAt = 0;
  stickX = 0;
  stickY = 0;
  stickDirection = SDL_GAMEPAD_BUTTON_INVALID;
}

namespace {
// A program starts with the values ResetInputState gives.
[[maybe_unused]] const bool STARTED = (ResetInputState(), true);
}  // namespace
