#pragma once
// What every screen of the game draws with: the frame's measures, clearing, showing the
// finished frame, and the menus' selection marker.

#include <cstdint>
#include <string>
#include <vector>

struct SDL_Surface;
struct SDL_Rect;

// The heads-up panel under the map, in pixels.
constexpr int HUD_HEIGHT = 80;
// The width that menus wrap their lines at when nothing else decides it (see Menu): the
// main, options and level-up menus are wide; message boxes and dialogs are narrow.
constexpr int WIDE_MENU = 560;
constexpr int NARROW_BOX = 320;

// Fills the surface (or only the rectangle of it) with opaque black.
void FillBlack(SDL_Surface* surface, const SDL_Rect* rect = nullptr);
// Shows the screen surface in the window: one texture upload and one present, skipped when
// the frame equals the one shown and the window has not been exposed, resized or switched to
// or from fullscreen since.
void PresentScreen();
// Start-up, once the window and its texture exist: nothing is shown yet, and from now on the
// window's own events say when its picture must be shown again.
void WatchWindowForRedraws();
// The frames presented since the program started.
std::uint64_t FramesShown();
// Fills the global option list with the lines, the selected one written as "> line <", each
// cut to what one row of the widest box shows.
void SetMenuLines(const std::vector<std::string>& lines, int selected);
