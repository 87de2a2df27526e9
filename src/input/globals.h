#pragma once
// What the input layer keeps between two inputs: the close request every loop gives way to, the
// last input and where it came from (the prompts name that device's keys or buttons), and the
// key or button a rebinding captured.

#include <SDL3/SDL.h>

#include <cstdint>

#include "input/actions.h"

// Their values when the program starts are set by ResetInputState.
// Set when the window is asked to close (its close button, Alt+F4, SIGTERM or SIGINT): every
// loop gives way, a game in play is saved as Escape saves it, and the program ends. false
extern bool quitRequested;
extern RKInput lastInput;                 // the last input any loop took; None
extern RKDevice lastDevice;               // where the last press came from; the keyboard
extern SDL_Scancode selectedKey;          // the key a capture took; SDL_SCANCODE_UNKNOWN
extern SDL_GamepadButton selectedButton;  // the pad's button a capture took; none
extern SDL_GamepadType lastPadType;       // of the pad last pressed, for its labels; standard
// The direction the pad holds (a D-pad button, or the left stick taken as one), which repeats
// while held; none. nextRepeatAt: the tick of its next repeat.
extern SDL_GamepadButton heldDirection;
extern SDL_JoystickID heldBy;       // the pad that holds it; 0
extern std::uint64_t nextRepeatAt;  // 0
// Where the pads' left stick stands (0, 0), and the direction it holds; none when it rests near
// the middle.
extern Sint16 stickX, stickY;
extern SDL_GamepadButton stickDirection;

// Puts every value above back to what it is when the program starts.
void ResetInputState();
