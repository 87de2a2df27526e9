#pragma once
// The small enumerations and function types that every subsystem of the game shares.

#include <cstdint>

class RKEntity;

// Palette indexes of the 16-colour EGA palette (the colours themselves are EGAColors).
enum RKColors : std::uint8_t {
  Black = 0,
  Blue = 1,
  Green = 2,
  Cyan = 3,
  Red = 4,
  Magenta = 5,
  Brown = 6,
  LightGray = 7,
  DarkGray = 8,
  LightBlue = 9,
  LightGreen = 10,
  LightCyan = 11,
  LightRed = 12,
  LightMagenta = 13,
  Yellow = 14,
  White = 15,
};

// The nine key-bound player actions, in the order the turn loop serves them.
enum RKActionTypes : int {
  ActionMoveUp = 0,
  ActionMoveDown = 1,
  ActionMoveLeft = 2,
  ActionMoveRight = 3,
  ActionTake = 4,
  ActionUse = 5,  // use the stairs or the exit on the player's cell
  ActionDrop = 6,
  ActionCharacterInfo = 7,
  ActionInventory = 8,  // use or equip an item from the inventory
};
constexpr int ACTION_COUNT = 9;

// Result of an item's use function: Cancelled keeps the item, anything else consumes it.
enum RKItemActions : int {
  Used = 0,
  Cancelled = 1,
};

// Values of gameState.
enum RKGameStates : int {
  Playing = 0,
  PlayerDead = 1,
  InMenus = 2,
};

// Values of playerAction: the outcome of one frame's commands.
enum RKPlayerActions : int {
  TurnTaken = 0,
  NoTurn = 1,
  SaveAndExit = 2,
  ExitWithoutSaving = 3,
};

using UseFunction = RKItemActions (*)(RKEntity*);
using DeathFunction = void (*)(RKEntity*);
