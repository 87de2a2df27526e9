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
};

// clang-format off
// action               default key
const RKDefaultBinding DEFAULT_BINDINGS[] = {
    {ActionMoveUp, SDL_SCANCODE_UP},
    {ActionMoveDown, SDL_SCANCODE_DOWN},
    {ActionMoveLeft, SDL_SCANCODE_LEFT},
    {ActionMoveRight, SDL_SCANCODE_RIGHT},
    {ActionTake, SDL_SCANCODE_G},
    {ActionUse, SDL_SCANCODE_SPACE},
    {ActionDrop, SDL_SCANCODE_D},
    {ActionCharacterInfo, SDL_SCANCODE_C},
    {ActionInventory, SDL_SCANCODE_I},
    // clang-format on
};
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
  for (const RKDefaultBinding& binding : DEFAULT_BINDINGS) {
    keyboard[binding.action] = binding.scancode;
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
