#pragma once
// The one place where SDL's events become the game's actions (input/actions.h): the keyboard
// with its bindings, the mouse, and the actions the page's controls and the tests hand in. The
// close request and F2 are handled here, once, for every loop.

#include <SDL3/SDL.h>

#include <string>

#include "input/actions.h"

// Waits up to timeoutMs for the next event (0: only one already waiting; NO_TIME_LIMIT: as long
// as it takes) and puts in `input` what it means to a loop of this context. False when nothing
// came. A close request sets quitRequested and comes as Close; F2 toggles the relative mouse
// mode and comes as ToggleMouse; in play and while aiming the pointer's moves and clicks move
// mousePos.
bool NextInput(RKInput& input, RKInputContext context, int timeoutMs);

// Hands the game an action as if the player had pressed it, for the next loop that waits: a
// direction moves the player in play and the marker or the aim in a menu, and any action ends
// a capture without taking a key. For the page's touch controls and the tests.
void PushAction(RKAction action);
// The event PushAction queues for the action.
SDL_Event ActionEvent(RKAction action);

// Binds the action to the key the last capture took. False, with nothing changed, when the
// capture took no key or took Escape, which cancels a capture.
bool BindCapturedInput(RKActionTypes action);

// What the action is bound to on the device last used, after the label: the key's name, or the
// pad's button as that pad labels it ("Move up: D-pad up").
std::string BindingLine(RKActionTypes action, const std::string& label);
// The name of the pad's button as the pad last pressed labels it: "A", "Cross", "Start".
std::string PadButtonName(SDL_GamepadButton button);
// The text of the key for the device last used: a text that names keys has a form for pads,
// which names the pad's confirm and cancel buttons.
std::string PromptText(const std::string& key);

// Tells every loop to give way, as a close request of the window does.
void RequestClose();
// A close request that the game answered by staying (its save failed and the player was told
// why): the loops stop giving way, and the next close request ends the game.
void WithdrawCloseRequest();
