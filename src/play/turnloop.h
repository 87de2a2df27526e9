#pragma once
// A new game and the 60 ms turn loop that runs it, with the movement commands.

#include <array>

#include "core/types.h"

// The commands asked for in one frame, each served once in the order of RKActionTypes.
struct RKFrameCommands {
  std::array<bool, ACTION_COUNT> pressed{};
  bool actOnCell = false;  // a pad's button for the cell: take the item there, or use the stairs
};

// Throws away any previous game and sets up floor 1 with a fresh player; always true.
bool NewGame();
// Fills the two registries, emptied first, in their fixed order: the item-use functions in the
// order of the kinds table's usable rows. Population and the save-game reader hand out their
// entries by index.
void FillRegistries();
// Runs frames until the game is left: Escape saves it first, and so does a close request,
// which also ends the program (quitRequested stays set); using the exit does not save. When
// a save fails the player is told so and the game goes on. On return gameState is InMenus.
void RunGame();
// The command step of one frame: runs every command asked for in the frame.
void HandleKeys(const RKFrameCommands& commands);
// Runs the command of the action.
void ExecuteKeyAction(RKActionTypes action);
// Attacks the first fighter on the cell at (dx, dy) from the player, or steps there. Counts
// as a move even when a wall refuses it.
void PlayerMoveOrAttack(int dx, int dy);
