#include "app/frames.h"

#include <SDL3/SDL.h>

#include "app/globals.h"
#include "core/globals.h"

namespace {

std::uint64_t SdlNow() { return SDL_GetTicks(); }

void SdlSleep(std::uint64_t ms) { SDL_Delay(static_cast<Uint32>(ms)); }

// Waits up to timeoutMs (NO_TIME_LIMIT: as long as it takes) for the next event.
bool WaitEvent(SDL_Event& event, int timeoutMs);

bool SdlNextEvent(SDL_Event& event, int timeoutMs) {
  if (timeoutMs == 0) {
    return SDL_PollEvent(&event);
  }
  return WaitEvent(event, timeoutMs);
}

}  // namespace

// constexpr, so that frameSource holds it before any code runs.
constexpr RKFrameSource SDL_FRAME_SOURCE = {SdlNow, SdlSleep, SdlNextEvent};
RKFrameSource frameSource = SDL_FRAME_SOURCE;
RKPageEntries pageEntries{};

std::uint64_t Now() { return frameSource.now(); }

void Delay(std::uint64_t ticks) {
  const std::uint64_t now = Now();
  frameSource.sleep(ticks > now ? ticks - now : 0);
}

bool NextEvent(SDL_Event& event, int timeoutMs) { return frameSource.nextEvent(event, timeoutMs); }

void RestartFrameDeadline() { nextTime = Now() + FRAME_MS; }

void FinishFrame() {
  Delay(nextTime);
  nextTime += FRAME_MS;
}

#ifdef __EMSCRIPTEN__
#include <emscripten.h>

#include <algorithm>

namespace {

// SDL waits for an event in a page by looking again every millisecond (every four, as the
// browser spaces its timers), each look a trip out of the game's call stack and back: a still
// page spent a twentieth of a core on it. The page wakes the game at its next input instead.
// A wait ends after this at the latest, so that an event SDL makes of its own accord, not from
// an input of the page, is taken within it.
constexpr int LONGEST_PAGE_WAIT_MS = 100;

// clang-format off
EM_ASYNC_JS(void, WaitForPageInput, (int timeoutMs), {
  await Module.tvkWaitForInput(timeoutMs);
});
// clang-format on

bool WaitEvent(SDL_Event& event, int timeoutMs) {
  const std::uint64_t deadline =
      SDL_GetTicks() + static_cast<std::uint64_t>(std::max(timeoutMs, 0));
  while (!SDL_PollEvent(&event)) {
    std::uint64_t wait = LONGEST_PAGE_WAIT_MS;
    if (timeoutMs != NO_TIME_LIMIT) {
      const std::uint64_t now = SDL_GetTicks();
      if (now >= deadline) {
        return false;
      }
      wait = std::min(wait, deadline - now);
    }
    WaitForPageInput(static_cast<int>(wait));
  }
  return true;
}

// What the page's keepFiles() answers.
enum RKPageFilesKept : int { FilesRefused = 0, FilesKept = 1, NoStorage = -1 };

// A page without storage has said so once, at its first write.
bool toldNoStorage = false;

// Copies the page's files to IndexedDB and waits for it (the browser suspends the game).
// clang-format off
EM_ASYNC_JS(int, KeepPageFiles, (), {
  return await Module.tvkKeepFiles();
});

EM_JS(void, TellPageGameEnded, (), {
  Module.tvkGameEnded();
});
// clang-format on

}  // namespace

const bool FULLSCREEN_BY_DEFAULT = false;
const bool MOUSE_CAPTURED_AT_START = false;
const bool WINDOW_HAS_GAME_ICON = false;

bool KeepWrittenFiles(zokCSON::Error* error) {
  const int kept = KeepPageFiles();
  if (kept == FilesKept || (kept == NoStorage && toldNoStorage)) {
    return true;
  }
  toldNoStorage = toldNoStorage || kept == NoStorage;
  if (error != nullptr) {
    error->code = zokCSON::ErrorCode::IoError;
    error->message = kept == NoStorage ? FILES_NOT_KEPT : "the browser did not store the file";
  }
  return false;
}

void ShowGameEnded() { TellPageGameEnded(); }

// The page calls these while the game waits (for its next frame, a key or the browser), never
// in the middle of a step of its own. Nothing called from here may wait in turn: only the
// game's own call stack, begun by main, can be suspended. So no file is written here (even a
// file's flush to storage waits in a page).
extern "C" {

EMSCRIPTEN_KEEPALIVE double TvkSaveSizeLimit() {
  return static_cast<double>(pageEntries.saveSizeLimit);
}

// Whether a file the player brings in would load: empty when it would, else why not. Only
// outside play, as a game running would overwrite it with its own at Escape.
EMSCRIPTEN_KEEPALIVE const char* TvkCheckImport(const char* path) {
  static std::string why;
  if (gameState != InMenus) {
    why = "a game is being played: leave it with Escape first";
  } else if (pageEntries.checkImport == nullptr) {
    why = "the game has not started yet";
  } else {
    why = pageEntries.checkImport(path);
  }
  return why.c_str();
}

// The page is being closed, reloaded or hidden: the save of a game being played, as Escape
// would write it, for the page to store; empty outside play.
EMSCRIPTEN_KEEPALIVE const char* TvkSaveBeforeLeaving() {
  static std::string text;
  text.clear();
  if (gameState == InMenus || pageEntries.saveText == nullptr || !pageEntries.saveText(text)) {
    text.clear();
  }
  return text.c_str();
}
}

#else
namespace {

bool WaitEvent(SDL_Event& event, int timeoutMs) {
  return timeoutMs == NO_TIME_LIMIT ? SDL_WaitEvent(&event)
                                    : SDL_WaitEventTimeout(&event, timeoutMs);
}

}  // namespace

const bool FULLSCREEN_BY_DEFAULT = true;
const bool MOUSE_CAPTURED_AT_START = true;
const bool WINDOW_HAS_GAME_ICON = true;

bool KeepWrittenFiles(zokCSON::Error*) { return true; }

void ShowGameEnded() {}
#endif
