#pragma once
// Headless test support: the real start-up in a throw-away working folder, scripted input for
// the game's blocking loops, and readers for what ended up on screen.

#include <SDL3/SDL.h>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "game/globals.h"  // ResetProgramState
#include "support/runfolder.h"

// Runs the real InitGame(640, 400, false) in a RunFolder; QuitGame runs after the test.
// Derived fixtures may write files into the folder before calling StartGame themselves by
// overriding SetUp.
class HeadlessGame : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Makes the folder (if not yet made) and starts the game in it; false when InitGame failed.
  bool StartGame();
  std::unique_ptr<RunFolder> folder;
  bool started = false;
};

// Feeds SDL events to the game's blocking loops from an SDL timer, one step per interval.
// The default interval (100 ms) is longer than a 60 ms frame, so every step lands in its own
// frame. Events are pushed into SDL's queue: SDL's own mouse and keyboard state
// (SDL_GetMouseState, SDL_GetKeyboardState) does not see them, so loops take clicks and keys
// from the events they read.
class InputScript {
 public:
  InputScript() = default;
  ~InputScript();
  InputScript(const InputScript&) = delete;
  InputScript& operator=(const InputScript&) = delete;

  InputScript& Key(SDL_Scancode scancode);  // down and up in one step
  InputScript& Keys(std::initializer_list<SDL_Scancode> scancodes);  // several downs, one step
  InputScript& KeyDown(SDL_Scancode scancode, bool repeat = false);
  InputScript& KeyUp(SDL_Scancode scancode);
  // The mouse over game pixel (x, y): the events carry the window position that shows it,
  // as a real pointer's would, however the window scales the picture.
  InputScript& MouseMove(int x, int y);
  InputScript& Click(int x, int y, Uint8 button = SDL_BUTTON_LEFT);  // motion, down, up
  InputScript& Quit();  // a close request of the window
  InputScript& Push(const SDL_Event& event);  // any event, exactly as given
  InputScript& Wait(int steps = 1);
  // Runs fn on the main thread between frames (when the game next pumps events); later steps
  // wait until it has run.
  InputScript& Probe(std::function<void()> fn);

  void Start(Uint32 intervalMs = 100);
  void Stop();
  bool Finished() const { return next.load() >= steps.size() && !probePending.load(); }

 private:
  struct Step {
    std::vector<SDL_Event> events;
    std::function<void()> probe;
  };
  static Uint32 Tick(void* self, SDL_TimerID id, Uint32 interval);
  static void RunProbe(void* self);
  InputScript& Add(Step step);

  std::vector<Step> steps;
  std::atomic<std::size_t> next{0};
  std::atomic<bool> probePending{false};
  SDL_TimerID timer = 0;
};

// Palette index of the ink (the first non-black pixel) of the 8x8 cell whose top-left pixel
// is (px, py); -1 when the cell is all black or the colour is not in the palette.
int CellColor(SDL_Surface* surface, int px, int py);
// Font code whose glyph shape matches the cell's non-black pixels; -1 when none does.
// A blank cell reads as 32.
int CellGlyph(SDL_Surface* surface, int px, int py);
// The glyphs of a row of cells starting at (px, py), as text ('?' for a cell no glyph matches).
std::string CellText(SDL_Surface* surface, int px, int py, int cells);
void SavePng(SDL_Surface* surface, const std::string& path);
