#pragma once
// Time and input as the game's loops see them: one clock, one source of events, and the pace of
// one frame per FRAME_MS that the turn loop and the menus keep against the deadline nextTime.
// The program runs on SDL's clock and event queue. The headless tests put in a source of their
// own that hands the game one frame's input at a time and moves the clock only when the game
// waits, so that no test waits for real time.

#include <cstdint>
#include <string>

#include "cson/cson.h"

union SDL_Event;

// Every loop of the game, play and menus alike, paces itself at one frame per FRAME_MS.
constexpr std::uint64_t FRAME_MS = 60;
// For NextEvent: wait for as long as it takes.
constexpr int NO_TIME_LIMIT = -1;

// Where the clock and the events come from; called on the main thread only.
struct RKFrameSource {
  std::uint64_t (*now)();                              // milliseconds since start-up
  void (*sleep)(std::uint64_t ms);                     // lets the time pass
  bool (*nextEvent)(SDL_Event& event, int timeoutMs);  // as NextEvent
};
// SDL's clock and event queue.
extern const RKFrameSource SDL_FRAME_SOURCE;
// The source the game runs on: SDL_FRAME_SOURCE unless a test put in its own.
extern RKFrameSource frameSource;

// The tick now, in milliseconds.
std::uint64_t Now();
// Waits until Now() reaches the tick; a tick that has passed waits for nothing.
void Delay(std::uint64_t ticks);
// Takes the next event into `event`. A timeout of 0 only takes one that is already waiting;
// a positive one waits up to that many milliseconds for one, NO_TIME_LIMIT as long as it
// takes. False when no event came, or the wait failed.
bool NextEvent(SDL_Event& event, int timeoutMs);

// The current frame ends FRAME_MS from now: where a loop starts, and after a menu, a game or a
// box that took time of its own, so that a full frame follows it.
void RestartFrameDeadline();
// Waits for the end of the current frame (nextTime); the next frame ends FRAME_MS later.
void FinishFrame();

// The one place that knows whether the game runs in a web page. There the files the game
// writes live in the browser's storage, and a write is kept only once that storage has taken
// it: true when it has (at once on the desktop), false with the reason in *error otherwise.
// A page whose browser keeps no files (private windows) still plays: its first write fails
// with FILES_NOT_KEPT, and the later ones last in memory until the page is closed.
bool KeepWrittenFiles(zokCSON::Error* error);
constexpr const char* FILES_NOT_KEPT = "the browser keeps no files for this page";
// What a page asks of the saved game while the game waits: play fills it as it starts (the
// saved game stands above this folder). Empty until then, and unused on the desktop.
struct RKPageEntries {
  std::uintmax_t saveSizeLimit;                         // the largest file the page may import
  std::string (*checkImport)(const std::string& path);  // empty when it would load, else why not
  bool (*saveText)(std::string& text);                  // the game being played, as Escape saves it
};
extern RKPageEntries pageEntries;
// Called as the program ends: a page says that the game has ended, in place of its last
// picture. Nothing on the desktop, whose window has closed.
void ShowGameEnded();
// Whether a game without settings starts fullscreen: not in a page, which starts in the
// browser's window, since a browser goes fullscreen only from the player's own key or click.
extern const bool FULLSCREEN_BY_DEFAULT;
// Whether the game takes the mouse (F2 gives it back) as it starts: not in a page, where that
// is the browser's pointer lock, which takes the first Escape for itself.
extern const bool MOUSE_CAPTURED_AT_START;
// Whether the game gives its window the icon: not in a page, which shows its own favicon (SDL
// would replace it with a picture whose address the browser has already let go).
extern const bool WINDOW_HAS_GAME_ICON;
