#pragma once
// The game's actions: what a key, a mouse button, a pad's button or the page's touch controls
// mean to the loop that waits for them. Only the input layer knows SDL's key and button codes;
// every other folder sees these.

#include <cstdint>

#include "core/types.h"

enum class RKAction : std::uint8_t {
  None,  // nothing the loop waits for: a key let go, the pointer moved, a window event
  // In play: the nine bound commands in the order of RKActionTypes, then the two fixed ones.
  MoveUp,
  MoveDown,
  MoveLeft,
  MoveRight,
  Take,
  UseStairs,
  Drop,
  CharacterInfo,
  UseItem,
  ActOnCell,  // take the item on the player's cell, or else use the stairs there
  Leave,      // save the game and go back to the main menu
  // In menus, the inventory and aiming.
  Up,
  Down,
  Left,
  Right,
  Confirm,
  Cancel,
  Letter,    // a letter key in the inventory; RKInput::letter says which
  PickTile,  // a left click while aiming, on the cell under mousePos
  Captured,  // any key or button, taken for a rebinding (selectedKey holds a key)
  // Anywhere.
  ToggleMouse,  // release the captured mouse, or capture it again (done by the layer)
  Close,        // the window is asked to close (quitRequested is set)
  Other,        // a press that means nothing here; it closes a box that any press closes
};

// Where an input came from: the prompts name the keys or buttons of the device last used.
enum class RKDevice : std::uint8_t { Keyboard, Mouse, Pad, Page };

// What the waiting loop is: the same key means a command in play and a marker's move in a menu.
enum class RKInputContext : std::uint8_t {
  Play,       // the turn loop
  Menu,       // a menu or a box: marker, confirm, cancel
  Capture,    // any key or button is taken (key capture, the help screen)
  Inventory,  // the item list: letters, marker, confirm, cancel
  Aim,        // choosing a cell for a thrown or sprayed item
};

struct RKInput {
  RKAction action = RKAction::None;
  RKDevice device = RKDevice::Keyboard;
  int letter = -1;  // Letter: 0 for A, 25 for Z
};

// The command of an action from MoveUp to UseItem.
constexpr bool IsCommand(RKAction action) {
  return action >= RKAction::MoveUp && action <= RKAction::UseItem;
}
constexpr RKActionTypes CommandOf(RKAction action) {
  return static_cast<RKActionTypes>(static_cast<int>(action) - static_cast<int>(RKAction::MoveUp));
}
constexpr RKAction ActionOf(RKActionTypes command) {
  return static_cast<RKAction>(static_cast<int>(RKAction::MoveUp) + static_cast<int>(command));
}
