#pragma once
// A running game on a real generated first floor, with helpers that set up the few things a
// scenario needs (an open arena around the player, a guard next to them, an item in the pack)
// and drive the real turn loop with scripted input.

#include <SDL3/SDL.h>

#include <string>

#include "support/harness.h"

#include "world/kinds.h"

class RKEntity;

class PlayGame : public HeadlessGame {
 protected:
  // Where OpenArena puts the player: the middle of an open floor 31 x 21 cells large.
  static constexpr int PLAYER_X = 40;
  static constexpr int PLAYER_Y = 20;

  // Starts the game and a new game on floor 1.
  void SetUp() override;

  // Carves an open room (columns 25..55, rows 10..30) into the generated floor, removes every
  // other entity and puts the player in its middle with the view computed from there.
  void OpenArena();
  // Recomputes the view from the player's cell, as the last drawn frame would have.
  void RefreshView();
  // A guard placed as the floor's population places one; hp overrides its 20 hit points.
  RKEntity* AddGuard(int x, int y, int hp = 20);
  // An item made as the floor's population makes one, lying at (x, y) on the floor.
  RKEntity* MakeItem(RKKindId id, int x, int y);
  // Puts the entity at the end of the inventory: the inventory menu's letter a.
  void Carry(RKEntity* item);
  // The letter key naming the entity in the inventory menu (the last entity is a).
  SDL_Scancode LetterOf(RKEntity* item);

  // Lets the turn loop run again after it ended, as continuing a game does.
  void Resume();
  // Runs the real turn loop while the script plays, then closes the window once, which saves
  // the game and ends the loop when the script did not end it (a save that fails keeps the
  // game going: such a script closes again itself); leaves no event and no close request
  // behind for the next loop.
  void Play(InputScript& script);

  // The whole log in reading order, lines joined with spaces.
  std::string LogText() const;
  // Whether the log holds the text as the log writes it (capitalised).
  bool LogHas(const std::string& text) const;
  // How often the log holds the text.
  int LogCount(const std::string& text) const;

  // The first screen row (in pixels) holding the text, searched at the 4-pixel steps where
  // boxes are drawn; -1 when it is not on screen.
  int ScreenRowOf(const std::string& text) const;
};

// The text as the log writes it: a-z capitalised, every other byte kept.
std::string Capitalised(std::string text);

// Whether this video driver can switch the relative mouse mode at all (the offscreen one
// cannot, so F2 has nothing to show there).
bool RelativeMouseModeWorks();

// The cell's centre in game pixels, for clicks.
int PixelOf(int cell);
