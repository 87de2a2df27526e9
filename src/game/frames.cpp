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
