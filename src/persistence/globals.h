#pragma once
// The settings the player chooses and the key bindings, as game.cfg keeps them and the options
// menu changes them.

#include <SDL3/SDL.h>

#include <map>

#include "core/types.h"

// The music volume's range, in percent.
constexpr int MAX_MUSIC_VOLUME = 100;

// --- Settings ---------------------------------------------------------------------------------
// Their values when the program starts are set by ResetSettingsState.
extern bool fullscreen;    // true
extern bool musicEnabled;  // true
extern int musicVolume;    // 75, in percent

// --- Key bindings -----------------------------------------------------------------------------
// The key bound to each action; the input layer turns a press of it into the action.
using RKKeyboard = std::map<RKActionTypes, SDL_Scancode>;
extern RKKeyboard keyboard;  // empty; the settings file or the defaults fill it
// The pad's button bound to each action. Take and use the stairs share one button by default:
// pressed, it takes what lies on the cell, or else uses the stairs there.
using RKPadButtons = std::map<RKActionTypes, SDL_GamepadButton>;
extern RKPadButtons padButtons;  // empty; the settings file or the defaults fill it

// Puts every value above back to what it is when the program starts.
void ResetSettingsState();
