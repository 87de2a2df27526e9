#pragma once
// What the input layer keeps between two inputs: the close request every loop gives way to, the
// last input and where it came from (the prompts name that device's keys or buttons), and the
// key or button a rebinding captured.

#include <SDL3/SDL.h>

#include "input/actions.h"

// Their values when the program starts are set by ResetInputState.
// Set when the window is asked to close (its close button, Alt+F4, SIGTERM or SIGINT): every
// loop gives way, a game in play is saved as Escape saves it, and the program ends. false
extern bool quitRequested;
extern RKInput lastInput;         // the last input any loop took; None
extern RKDevice lastDevice;       // where the last press came from; the keyboard
extern SDL_Scancode selectedKey;  // the key a capture took; SDL_SCANCODE_UNKNOWN

// Puts every value above back to what it is when the program starts.
void ResetInputState();
