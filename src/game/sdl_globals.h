#pragma once
// The program-wide values whose types come from SDL: see globals.h for the rest.

#include <SDL3/SDL.h>

#include <map>
#include <utility>

#include "game/globals.h"

extern SDL_PixelFormat screenFormat;  // of the window; every surface the game makes uses it
extern SDL_DisplayMode displayMode;   // copy of the mode current at start-up
extern SDL_WindowFlags flags;         // flags the window is created with
extern SDL_Event event;               // the last event taken by the turn loop or a menu

// Key binding of each action and its pressed-this-frame flag.
using RKKeyboard = std::map<RKActionTypes, std::pair<SDL_Scancode, bool>>;
extern RKKeyboard keyboard;
extern RKKeyboard previousKeyboard;  // copy taken by the options menu
extern SDL_Scancode selectedKey;     // scancode captured by the key-capture menu
