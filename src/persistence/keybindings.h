#pragma once
// The player's settings and the key bound to each of the nine player actions.

#include <SDL3/SDL_scancode.h>

#include <string>

#include "core/types.h"

// Puts fullscreen, music, volume, language and all nine key bindings back to their defaults.
void SetDefaultGameSettings();
// The key an action is bound to by default.
SDL_Scancode GetDefaultScancode(RKActionTypes action);
// The label followed directly by the name of the key bound to the action (for example
// "Move up: " + "Up"); the caller puts any separator at the end of the label.
std::string SetMenuOptionOfKeybinding(RKActionTypes action, const std::string& label);
// With assign true, first binds the last captured key (selectedKey) to the action; then the
// same text as SetMenuOptionOfKeybinding. Two actions may end up sharing one key.
std::string UpdateKeybinding(RKActionTypes action, const std::string& label, bool assign);
