#include "persistence/keybindings.h"

#include <iterator>
#include <string>

#include "app/frames.h"
#include "core/globals.h"
#include "localization/localization.h"
#include "persistence/globals.h"

namespace {

struct RKDefaultBinding {
  RKActionTypes action;
  SDL_Scancode scancode;
  SDL_GamepadButton button;
};

// A pad made for a turn-based game: the D-pad moves one cell a press, the bottom face button acts
// on the cell (take, or else the stairs), the other face buttons open the pack, drop and the
// character. Start leaves, and is not bound here: no rebinding can take it.
// clang-format off
// action               default key            default button
const RKDefaultBinding DEFAULT_BINDINGS[] = {
    {ActionMoveUp,        SDL_SCANCODE_UP,    SDL_GAMEPAD_BUTTON_DPAD_UP},
    {ActionMoveDown,      SDL_SCANCODE_DOWN,  SDL_GAMEPAD_BUTTON_DPAD_DOWN},
    {ActionMoveLeft,      SDL_SCANCODE_LEFT,  SDL_GAMEPAD_BUTTON_DPAD_LEFT},
    {ActionMoveRight,     SDL_SCANCODE_RIGHT, SDL_GAMEPAD_BUTTON_DPAD_RIGHT},
    {ActionTake,          SDL_SCANCODE_G,     SDL_GAMEPAD_BUTTON_SOUTH},
    {ActionUse,           SDL_SCANCODE_SPACE, SDL_GAMEPAD_BUTTON_SOUTH},
    {ActionDrop,          SDL_SCANCODE_D,     SDL_GAMEPAD_BUTTON_NORTH},
    {ActionCharacterInfo, SDL_SCANCODE_C,     SDL_GAMEPAD_BUTTON_EAST},
    {ActionInventory,     SDL_SCANCODE_I,     SDL_GAMEPAD_BUTTON_WEST},
};
// clang-format on
static_assert(std::size(DEFAULT_BINDINGS) == ACTION_COUNT);

// Name of the key at this position on the current keyboard layout ("Up", "Space", "G"); for a
// key SDL cannot name, its position's name, or else its number ("#250").
std::string KeyName(SDL_Scancode scancode) {
  std::string name = SDL_GetKeyName(SDL_GetKeyFromScancode(scancode, SDL_KMOD_NONE, false));
  if (name.empty()) {
    name = SDL_GetScancodeName(scancode);
  }
  if (name.empty()) {
    name = "#" + std::to_string(static_cast<int>(scancode));
  }
  return name;
}

}  // namespace

void SetDefaultGameSettings() {
  musicEnabled = true;
  fullscreen = FULLSCREEN_BY_DEFAULT;
  musicVolume = 75;
  if (gLocalization != nullptr) {
    gLocalization->SetLanguageCode(gLocalization->GetDefaultLanguageCode());
  }
  keyboard.clear();
  padButtons.clear();
  for (const RKDefaultBinding& binding : DEFAULT_BINDINGS) {
    keyboard[binding.action] = binding.scancode;
    padButtons[binding.action] = binding.button;
  }
}

SDL_Scancode GetDefaultScancode(RKActionTypes action) {
  for (const RKDefaultBinding& binding : DEFAULT_BINDINGS) {
    if (binding.action == action) {
      return binding.scancode;
    }
  }
  return SDL_SCANCODE_UNKNOWN;
}

SDL_GamepadButton GetDefaultPadButton(RKActionTypes action) {
  for (const RKDefaultBinding& binding : DEFAULT_BINDINGS) {
    if (binding.action == action) {
      return binding.button;
    }
  }
  return SDL_GAMEPAD_BUTTON_INVALID;
}

std::string SetMenuOptionOfKeybinding(RKActionTypes action, const std::string& label) {
  auto binding = keyboard.find(action);
  // The settings reader fills every gap, so a missing binding only shows up in a broken
  // setup: show the label alone rather than reading past the table.
  if (binding == keyboard.end()) {
    return label;
  }
  return label + KeyName(binding->second);
}

void BindKey(RKActionTypes action, SDL_Scancode key) {
  auto binding = keyboard.find(action);
  if (binding == keyboard.end()) {
    return;
  }
  // One key for two actions would leave one of them unreachable.
  for (auto& [other, bound] : keyboard) {
    if (other != action && bound == key) {
      bound = binding->second;
    }
  }
  binding->second = key;
}

void BindPadButton(RKActionTypes action, SDL_GamepadButton button) {
  auto binding = padButtons.find(action);
  if (binding == padButtons.end() || binding->second == button) {
    return;
  }
  for (auto& [other, bound] : padButtons) {
    if (other != action && bound == button) {
      bound = binding->second;
    }
  }
  binding->second = button;
}
