#pragma once
// The player's settings, and the key and the pad's button bound to each of the nine player
// actions.

#include <SDL3/SDL_gamepad.h>
#include <SDL3/SDL_scancode.h>

#include <string>

#include "core/types.h"

// Puts fullscreen, music, volume, language and all nine key and button bindings back to their
// defaults.
void SetDefaultGameSettings();
// The key an action is bound to by default.
SDL_Scancode GetDefaultScancode(RKActionTypes action);
// The pad's button an action is bound to by default.
SDL_GamepadButton GetDefaultPadButton(RKActionTypes action);
// The label followed directly by the name of the key bound to the action (for example
// "Move up: " + "Up"); the caller puts any separator at the end of the label.
std::string SetMenuOptionOfKeybinding(RKActionTypes action, const std::string& label);
// Binds the key to the action. The action that had the key before takes this one's old key in
// exchange, so that every action keeps a key of its own.
void BindKey(RKActionTypes action, SDL_Scancode key);
// Binds the pad's button to the action, with the same exchange. The actions that share the
// action's old button keep it; those that had the new one take it.
void BindPadButton(RKActionTypes action, SDL_GamepadButton button);
