#pragma once
// Headless test support: the real start-up in a throw-away working folder, scripted input for
// the game's blocking loops, and readers for what ended up on screen.

#include <SDL3/SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

// Every folder's shared state, which the tests read and set, and ResetProgramState, which puts
// it all back.
#include "app/globals.h"
#include "core/globals.h"
#include "input/actions.h"
#include "input/globals.h"
#include "music/globals.h"
#include "persistence/globals.h"
#include "play/lifecycle.h"
#include "support/runfolder.h"
#include "ui/globals.h"

// The frames' clock of a headless test (see app/frames.h): it stands still while the game
// works and moves by exactly the time the game waits, for its frame's deadline or for a key, so
// that no test waits for real time or depends on how fast the machine is. Events come from
// SDL's own queue and from the InputScript playing, if any. HeadlessGame runs every test on it;
// UseSdlFrames puts SDL's clock and queue back.
void UseSteppedFrames();
void UseSdlFrames();
// How often the game has let the stepped clock move: each wait for a frame's deadline and each
// wait for input (however long), counted since UseSteppedFrames.
std::uint64_t GameWaits();

// Runs the real InitGame(640, 400, false) in a RunFolder, on the stepped frames; QuitGame runs
// after the test. Derived fixtures may write files into the folder before calling StartGame
// themselves by overriding SetUp.
class HeadlessGame : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Makes the folder (if not yet made) and starts the game in it; false when InitGame failed.
  bool StartGame();
  std::unique_ptr<RunFolder> folder;
  bool started = false;
};

// Input for the game's loops, one step per frame of the stepped frames: a step comes when the
// game next asks for input after it has waited, in the turn loop at the start of a frame, in a
// menu or while aiming at the end of one of their short waits for a key. A step's events are
// taken one by one, all within its frame. Events reach the game through NextEvent only: SDL's
// own mouse and keyboard state (SDL_GetMouseState, SDL_GetKeyboardState) does not see them, so
// loops take clicks and keys from the events they read.
//
// When the script has run out and the game still asks for input a second of its time later,
// the test fails and the game gets a close request, which every loop gives way to.
class InputScript {
 public:
  InputScript() = default;
  ~InputScript();
  InputScript(const InputScript&) = delete;
  InputScript& operator=(const InputScript&) = delete;

  InputScript& Key(SDL_Scancode scancode);                           // down and up in one step
  InputScript& Keys(std::initializer_list<SDL_Scancode> scancodes);  // several downs, one step
  InputScript& KeyDown(SDL_Scancode scancode, bool repeat = false);
  InputScript& KeyUp(SDL_Scancode scancode);
  // The mouse over game pixel (x, y): the events carry the window position that shows it,
  // as a real pointer's would, however the window scales the picture.
  InputScript& MouseMove(int x, int y);
  InputScript& Click(int x, int y, Uint8 button = SDL_BUTTON_LEFT);  // motion, down, up
  // An action of the game as the page's controls hand it in (see PushAction), in one step.
  InputScript& Act(RKAction action);
  // Runs fn when the step comes due, in a frame of its own: for what SDL turns into events
  // itself, such as a virtual pad's buttons.
  InputScript& Do(std::function<void()> fn);
  InputScript& Quit();                        // a close request of the window
  InputScript& Push(const SDL_Event& event);  // any event, exactly as given
  InputScript& Wait(int steps = 1);           // steps without input
  // No input for ms milliseconds of the game's time, however many frames or waits that takes.
  InputScript& Idle(int ms);
  // Runs fn when the step comes due, between two frames; it takes no frame of its own.
  InputScript& Probe(std::function<void()> fn);

  // Plays the script to the game's loops, its first step once the game has waited; needs the
  // stepped frames.
  void Start();
  // Stops playing; input not yet taken is dropped.
  void Stop();
  // Every step has come.
  bool Finished() const { return next >= steps.size(); }

 private:
  struct Step {
    std::vector<SDL_Event> events;
    std::function<void()> probe;
    std::uint64_t idleMs = 0;
    std::function<void()> act = nullptr;
  };
  friend bool SteppedNextEvent(SDL_Event& event, int timeoutMs);
  InputScript& Add(Step step);
  // NextEvent of the stepped frames while this script plays.
  bool NextEvent(SDL_Event& event, int timeoutMs);
  bool StepDue() const;
  // The game asks for input that the script does not have: nothing, or once it has asked
  // for too long, a close request.
  bool RanOut(SDL_Event& event);

  std::vector<Step> steps;
  std::size_t next = 0;
  std::deque<SDL_Event> pending;  // the events of the current step not yet taken
  std::uint64_t takenAt = 0;      // the time at which the current step came
  std::uint64_t quietUntil = 0;   // no step comes before this time
  bool ranOut = false;
  std::uint64_t ranOutAt = 0;
  int closeRequestsSent = 0;
};

// A pad plugged in through SDL's virtual joysticks, with the buttons and axes of a gamepad; the
// vendor and product ids make its type (SDL reads the labels of its face buttons from that).
// Its presses become SDL's own gamepad events, so a script makes them in a Do step (or with
// the InputScript helpers below). Pulled out when destroyed, unless Unplug came first.
class VirtualPad {
 public:
  static constexpr Uint16 XBOX_VENDOR = 0x045e, XBOX_PRODUCT = 0x028e;  // an Xbox 360 pad
  static constexpr Uint16 PS4_VENDOR = 0x054c, PS4_PRODUCT = 0x05c4;    // a DualShock 4
  VirtualPad(Uint16 vendor = XBOX_VENDOR, Uint16 product = XBOX_PRODUCT);
  ~VirtualPad();
  VirtualPad(const VirtualPad&) = delete;
  VirtualPad& operator=(const VirtualPad&) = delete;
  bool Plugged() const { return joystick != nullptr; }
  // Sets the button or axis and lets SDL see it at once, so that a press and a release in one
  // step both come as events.
  void Set(SDL_GamepadButton button, bool down);
  void Set(SDL_GamepadAxis axis, Sint16 value);
  void Unplug();

 private:
  SDL_JoystickID id = 0;
  SDL_Joystick* joystick = nullptr;
};

// Script steps for a pad: a press and release in one step; a button held down or let go; the
// left stick leaned (x, y) and let back to the middle in one step.
InputScript& PadPress(InputScript& script, VirtualPad& pad, SDL_GamepadButton button);
InputScript& PadHold(InputScript& script, VirtualPad& pad, SDL_GamepadButton button, bool down);
InputScript& StickFlick(InputScript& script, VirtualPad& pad, Sint16 x, Sint16 y);

// For what runs in real time beside the game's frames (the audio device, another process):
// checks the condition every `every` until it holds; false when `limit` passed first.
bool PollUntil(std::chrono::milliseconds limit, const std::function<bool()>& condition,
               std::chrono::milliseconds every = std::chrono::milliseconds(10));

// Palette index of the ink (the first non-black pixel) of the 8x8 cell whose top-left pixel
// is (px, py); -1 when the cell is all black or the colour is not in the palette.
int CellColor(SDL_Surface* surface, int px, int py);
// Font code whose glyph shape matches the cell's non-black pixels; -1 when none does.
// A blank cell reads as 32.
int CellGlyph(SDL_Surface* surface, int px, int py);
// The glyphs of a row of cells starting at (px, py), as text ('?' for a cell no glyph matches).
std::string CellText(SDL_Surface* surface, int px, int py, int cells);
void SavePng(SDL_Surface* surface, const std::string& path);
