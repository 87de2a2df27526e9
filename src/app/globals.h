#pragma once
// The program-wide state of the game application: its settings, the window and what is drawn
// into it, input and music. The state of the game being played is in core/globals.h, which
// this includes.

#include <SDL3/SDL.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "core/globals.h"
#include "music/musicpattern.h"

struct MIX_Mixer;
struct MIX_Track;
class RKFont;

// --- Settings ---------------------------------------------------------------------------------
// Their values when the program starts are set by ResetProgramState.
extern bool fullscreen;                                // true
extern bool musicEnabled;                              // true
extern int musicVolume;                                // 75, in percent
extern bool previousFullscreen, previousMusicEnabled;  // copies taken by the options menu
extern int previousMusicVolume;
extern std::string previousLanguageCode;

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
extern RKFont* font;
struct RKMousePos {
  int x = 0;
  int y = 0;
};
extern RKMousePos mousePos;     // game pixels (0..639, 0..399); the game draws its cursor there
extern std::uint64_t nextTime;  // tick in ms at which the current frame ends

// --- Input ------------------------------------------------------------------------------------
extern SDL_Event event;  // the last event taken by the turn loop or a menu
// Key binding of each action and its pressed-this-frame flag.
using RKKeyboard = std::map<RKActionTypes, std::pair<SDL_Scancode, bool>>;
extern RKKeyboard keyboard;
extern RKKeyboard previousKeyboard;  // copy taken by the options menu
extern SDL_Scancode selectedKey;     // scancode captured by the key-capture menu

// --- Music ------------------------------------------------------------------------------------
extern RKMusicPatternSystem musicPattern;
extern MIX_Mixer* musicMixer;
extern MIX_Track* musicTrack;
extern bool menuFadeActive, menuFadeWaitingForPlayback, menuFadeDone;
extern std::uint64_t menuFadeStart;

// Puts every value of the program, these and the game's (ResetGameState), back to what it is
// when the program starts. Pointers are forgotten, not freed: QuitGame frees what they own.
void ResetProgramState();
