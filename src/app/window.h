#pragma once
// The window, its renderer and the surfaces every frame is composed on: opened at start-up,
// closed at shut-down, and the small SDL helpers every screen of the game uses.

struct SDL_Surface;
union SDL_Event;

// SDL, the window (fullscreen when asked, else the largest whole multiple of width x height the
// desktop has room for), its renderer and the display mode; false when one of them failed,
// after printing on standard error what failed and why. useDefaultRenderer false asks SDL for
// its "software" renderer.
bool OpenWindow(int width, int height, bool useDefaultRenderer, bool startFullscreen);
// The surfaces a frame is composed on and the texture that shows it; false when one of them
// could not be made, after printing which on standard output (the texture: standard error).
bool CreateScreenSurfaces(int width, int height);
// Moves mousePos onto the pointer's place on the picture, and the pointer onto the picture
// when it stands beside it.
void PlaceMouseOnPicture(int width, int height);
// Moves mousePos to game pixel (x, y), clamped onto the picture, where a pad's aim puts it;
// the pointer of the desktop stays where it is.
void PlaceMouse(int x, int y);
// Frees the surfaces and the texture of CreateScreenSurfaces; safe when some were never made.
void DestroyScreenSurfaces();
// Closes the renderer, the window and SDL; safe after a failed or partial OpenWindow.
void CloseWindow();

// A surface of the screen's pixel format; null (with a message on stdout) on failure.
SDL_Surface* CreateRGBSurface(int width, int height);
// Loads "gfx/icon.png" as the window icon; silent when it cannot.
void SetWindowIcon();
// Switches fullscreen and waits for the window to settle; false when the switch was refused.
bool SetFullscreen(bool on);
// Switches fullscreen on or off and returns the new state.
bool ToggleFullscreen();
// F2 everywhere: releases the captured mouse, or captures it again.
void ToggleRelativeMouse();
// The largest whole multiple of width x height that fits an area of areaWidth x areaHeight;
// 1 when not even one fits.
int WholeScaleThatFits(int areaWidth, int areaHeight, int width, int height);
// Mouse events come in window pixels; the game works in the pixels of its own picture, which
// the window shows scaled and centred. For a motion or button-down event, converts the event
// to those pixels and moves mousePos there, clamped onto the picture; other events are left
// as they are.
void TrackMouse(SDL_Event& event);
