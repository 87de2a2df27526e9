#pragma once
// The settings the player chooses and the key bindings, as game.cfg keeps them and the options
// menu changes them.

#include <SDL3/SDL.h>

#include <map>
#include <utility>

#include "core/types.h"

// The music volume's range, in percent.
constexpr int MAX_MUSIC_VOLUME = 100;

// --- Settings ---------------------------------------------------------------------------------
// Their values when the program starts are set by ResetSettingsState.
extern bool fullscreen;    // true
extern bool musicEnabled;  // true
extern int musicVolume;    // 75, in percent

// --- Key bindings -----------------------------------------------------------------------------
// Key binding of each action and its pressed-this-frame flag; every loop clears the flags of a
// frame and sets those whose key went down.
using RKKeyboard = std::map<RKActionTypes, std::pair<SDL_Scancode, bool>>;
extern RKKeyboard keyboard;  // empty; the settings file or the defaults fill it
// The key the next rebinding assigns, as the key-capture menu took it; SDL_SCANCODE_UNKNOWN.
extern SDL_Scancode selectedKey;

// Puts every value above back to what it is when the program starts.
void ResetSettingsState();
