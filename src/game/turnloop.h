#pragma once
// A new game and the 60 ms turn loop that runs it, with the movement commands.

#include "game/types.h"

// Throws away any previous game and sets up floor 1 with a fresh player; always true.
bool NewGame();
// Fills the two registries, emptied first, in their fixed order: population and the save-game
// reader hand out their entries by index.
void FillRegistries();
// Runs frames until the game is left (Escape saves first; the exit and a window close do
// not). When the save fails, a box says why and the game goes on. On return gameState is
// InMenus.
void RunGame();
// The command step of one frame: runs every action whose key went down this frame.
void HandleKeys();
// Runs the command bound to the action if its key went down this frame, then clears the flag.
void ExecuteKeyAction(RKActionTypes action);
// The menus and the aim hand a window close back instead of acting on it: when the last event
// taken is one, the game ends after this frame, as a close during play does, rather than the
// request being forgotten.
void KeepCloseRequest();
// Attacks the first fighter on the cell at (dx, dy) from the player, or steps there. Counts
// as a move even when a wall refuses it.
void PlayerMoveOrAttack(int dx, int dy);
