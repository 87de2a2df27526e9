#pragma once
// Start-up, shut-down and the small SDL helpers every screen of the game uses.

struct SDL_Surface;
union SDL_Event;

// Opens everything the game needs; false when something is missing, after printing on standard
// error (surfaces: standard output) which file or device failed and why. A language that cannot
// be loaded is reported too, but the game then runs showing its text keys.
// useDefaultRenderer false asks SDL for its "software" renderer.
bool InitGame(int width, int height, bool useDefaultRenderer);
// Releases everything in a fixed order; safe after a failed or partial start-up.
void QuitGame();
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
