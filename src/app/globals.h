#pragma once
// The shell every screen stands on: the window and what is drawn into it, the mouse, the frame's
// deadline. The state of the game being played is in core/globals.h.

#include <SDL3/SDL.h>

#include <cstdint>

// Their values when the program starts are set by ResetApplicationState.
// --- Window, surfaces and frame ---------------------------------------------------------------
extern SDL_Window* window;
extern SDL_Renderer* renderer;
extern SDL_Texture* texture;          // streaming, the size of screen; every frame goes through it
extern SDL_PixelFormat screenFormat;  // of the window; every surface the game makes uses it
extern SDL_DisplayMode displayMode;   // copy of the mode current at start-up
extern SDL_WindowFlags flags;         // flags the window is created with
extern SDL_Surface* screen;           // 640x400, the frame being composed
extern SDL_Surface* tempSurface;      // 640x400, snapshot that menus draw over
extern SDL_Surface* mapPanel;         // 640x320, the map view
extern SDL_Surface* panel;            // 640x80, the heads-up panel and message log
extern SDL_Surface* inventoryPanel;   // the inventory strip and menu boxes, resized per box
extern SDL_Surface* windowIcon;
struct RKMousePos {
  int x = 0;
  int y = 0;
};
extern RKMousePos mousePos;     // game pixels (0..639, 0..399); the game draws its cursor there
extern std::uint64_t nextTime;  // tick in ms at which the current frame ends

// Puts every value above back to what it is when the program starts: null pointers, an unknown
// format, no flags, an empty display mode, the mouse at 0,0 and tick 0. Pointers are
// forgotten, not freed: DestroyScreenSurfaces and CloseWindow free what they own.
void ResetApplicationState();
