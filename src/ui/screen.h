#pragma once
// What every screen of the game draws with: the frame's measures, clearing, showing the
// finished frame, and the menus' selection marker.

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
// Shows the screen surface in the window: one texture upload and one present.
void PresentScreen();
// Fills the global option list with the lines, the selected one written as "> line <".
void SetMenuLines(const std::vector<std::string>& lines, int selected);
