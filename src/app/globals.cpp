#include "app/globals.h"

SDL_Window* window = nullptr;
SDL_Renderer* renderer = nullptr;
SDL_Texture* texture = nullptr;
SDL_PixelFormat screenFormat;
SDL_DisplayMode displayMode{};
SDL_WindowFlags flags;
SDL_Surface* screen = nullptr;
SDL_Surface* tempSurface = nullptr;
SDL_Surface* mapPanel = nullptr;
SDL_Surface* panel = nullptr;
SDL_Surface* inventoryPanel = nullptr;
SDL_Surface* windowIcon = nullptr;
RKMousePos mousePos;
std::uint64_t nextTime;

void ResetApplicationState() {
  window = nullptr;
  renderer = nullptr;
  texture = nullptr;
  screenFormat = SDL_PIXELFORMAT_UNKNOWN;
  displayMode = {};
  flags = 0;
  screen = nullptr;
  tempSurface = nullptr;
  mapPanel = nullptr;
  panel = nullptr;
  inventoryPanel = nullptr;
  windowIcon = nullptr;
  mousePos = {};
  nextTime = 0;
}

namespace {
// A program starts with the values ResetApplicationState gives.
[[maybe_unused]] const bool STARTED = (ResetApplicationState(), true);
}  // namespace
