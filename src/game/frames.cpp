#include "game/frames.h"

#include <SDL3/SDL.h>

#include "game/globals.h"

namespace {

std::uint64_t SdlNow() { return SDL_GetTicks(); }

void SdlSleep(std::uint64_t ms) { SDL_Delay(static_cast<Uint32>(ms)); }

bool SdlNextEvent(SDL_Event& event, int timeoutMs) {
  if (timeoutMs == 0) {
    return SDL_PollEvent(&event);
  }
  if (timeoutMs < 0) {
    return SDL_WaitEvent(&event);
  }
  return SDL_WaitEventTimeout(&event, timeoutMs);
}

}  // namespace

// constexpr, so that frameSource holds it before any code runs.
constexpr RKFrameSource SDL_FRAME_SOURCE = {SdlNow, SdlSleep, SdlNextEvent};
RKFrameSource frameSource = SDL_FRAME_SOURCE;

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

namespace {

// Copies the page's files to IndexedDB and waits for it (Asyncify): 1 once stored, 0 when the
// browser refused or has no IndexedDB (private windows).
// clang-format off
EM_ASYNC_JS(int, SyncPageFiles, (), {
  if (!Module.tvkStorage) {
    return 0;
  }
  return await new Promise(resolve => FS.syncfs(false, error => resolve(error ? 0 : 1)));
});
// clang-format on

}  // namespace

const bool FULLSCREEN_BY_DEFAULT = false;
const bool MOUSE_CAPTURED_AT_START = false;
const bool WINDOW_HAS_GAME_ICON = false;

bool KeepWrittenFiles(zokCSON::Error* error) {
  if (SyncPageFiles() != 0) {
    return true;
  }
  if (error != nullptr) {
    error->code = zokCSON::ErrorCode::IoError;
    error->message = "the browser does not keep files for this page";
  }
  return false;
}
#else
const bool FULLSCREEN_BY_DEFAULT = true;
const bool MOUSE_CAPTURED_AT_START = true;
const bool WINDOW_HAS_GAME_ICON = true;

bool KeepWrittenFiles(zokCSON::Error*) { return true; }
#endif
