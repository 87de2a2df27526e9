#include "ui/screen.h"

#include <SDL3/SDL.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <vector>

#include "app/globals.h"
#include "core/layout.h"
#include "localization/catalogue.h"
#include "ui/globals.h"
#include "ui/menu.h"

namespace {

// The frame last shown in the window, which the texture holds too. A frame equal to it is
// neither uploaded nor presented again, so that a still screen costs next to nothing.
std::vector<unsigned char> shownFrame;
// Set when the window's picture may have been lost or rescaled (exposed, resized, switched to
// or from fullscreen): the next frame is shown whatever it holds. Events may be queued from
// another thread than the game's.
std::atomic<bool> windowNeedsFrame{true};
bool watchingWindow = false;
std::uint64_t framesShown = 0;

bool SDLCALL WatchWindow(void* /*userdata*/, SDL_Event* event) {
  switch (event->type) {
    case SDL_EVENT_WINDOW_SHOWN:
    case SDL_EVENT_WINDOW_EXPOSED:
    case SDL_EVENT_WINDOW_RESIZED:
    case SDL_EVENT_WINDOW_PIXEL_SIZE_CHANGED:
    case SDL_EVENT_WINDOW_RESTORED:
    case SDL_EVENT_WINDOW_ENTER_FULLSCREEN:
    case SDL_EVENT_WINDOW_LEAVE_FULLSCREEN:
    case SDL_EVENT_WINDOW_DISPLAY_CHANGED:
    case SDL_EVENT_WINDOW_DISPLAY_SCALE_CHANGED:
    case SDL_EVENT_RENDER_TARGETS_RESET:
    case SDL_EVENT_RENDER_DEVICE_RESET:
      windowNeedsFrame = true;
      break;
    default:
      break;
  }
  return true;
}

// The first row in which the screen differs from the frame shown last: 0 when the window needs
// a frame, the screen's height when nothing changed. The rows from there down then become the
// frame shown's.
int FirstChangedRow() {
  const bool needed = windowNeedsFrame.exchange(false) || !watchingWindow;
  const auto* pixels = static_cast<const unsigned char*>(screen->pixels);
  const auto pitch = static_cast<std::size_t>(screen->pitch);
  const auto size = pitch * static_cast<std::size_t>(screen->h);
  int first = 0;
  if (!needed && shownFrame.size() == size) {
    while (first < screen->h &&
           std::memcmp(shownFrame.data() + first * pitch, pixels + first * pitch, pitch) == 0) {
      ++first;
    }
  }
  shownFrame.resize(size);
  const std::size_t from = static_cast<std::size_t>(first) * pitch;
  std::memcpy(shownFrame.data() + from, pixels + from, size - from);
  return first;
}

}  // namespace

void WatchWindowForRedraws() {
  shownFrame.clear();
  windowNeedsFrame = true;
  // SDL_Quit drops every watch: a start after it adds this one again.
  SDL_RemoveEventWatch(WatchWindow, nullptr);
  watchingWindow = SDL_AddEventWatch(WatchWindow, nullptr);
  if (!watchingWindow) {
    // Without the watch a lost picture would stay lost: every frame is shown instead.
    std::cerr << "Couldn't watch the window, every frame is shown: " << SDL_GetError() << '\n';
  }
}

std::uint64_t FramesShown() { return framesShown; }

void FillBlack(SDL_Surface* surface, const SDL_Rect* rect) {
  if (surface != nullptr) {
    SDL_FillSurfaceRect(surface, rect, SDL_MapSurfaceRGBA(surface, 0, 0, 0, 255));
  }
}

void PresentScreen() {
  const int first = FirstChangedRow();
  if (first == screen->h) {
    return;
  }
  // The texture keeps the rows above the first that changed: a cursor moved near the bottom of
  // the screen sends few rows to the graphics card.
  const SDL_Rect rows{0, first, screen->w, screen->h - first};
  const auto* pixels = static_cast<const Uint8*>(screen->pixels);
  SDL_UpdateTexture(texture, &rows, pixels + static_cast<std::ptrdiff_t>(first) * screen->pitch,
                    screen->pitch);
  SDL_RenderClear(renderer);
  SDL_RenderTexture(renderer, texture, nullptr, nullptr);
  SDL_RenderPresent(renderer);
  ++framesShown;
}

void SetMenuLines(const std::vector<std::string>& lines, int selected) {
  option.clear();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    // One row a line, so that the marker stays on the line it names: a longer one (a name
    // read from a file) is cut where the box ends.
    std::string line = CutToVisibleLength(lines[i], BOX_TEXT_COLUMNS - CHOICE_MARKS);
    option.push_back(static_cast<int>(i) == selected ? "> " + line + " <" : std::move(line));
  }
}
