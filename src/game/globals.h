#pragma once
// The program-wide state of the game, grouped as the game thinks of it. Everything here is
// free of SDL headers so that rules code can use it without a window; the SDL-typed values
// (pixel format, display mode, the last event, the key bindings) live in sdl_globals.h.

#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "game/types.h"
#include "music/musicpattern.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
struct SDL_Surface;
struct MIX_Mixer;
struct MIX_Track;
class RKEntity;
class RKMap;
class RKFont;
class RKMessage;
class RKLocalization;

struct RKColor {
  std::uint8_t r, g, b, a;
};

// --- Constants and settings ---------------------------------------------------------------
extern const RKColor EGAColors[16];  // indexed by RKColors; alpha bytes are 0
extern const std::string SAVEGAMESIG;  // "TVKSG"
extern const std::string GAMEVERSION;  // "0.4"
extern int gameState;                  // RKGameStates; InMenus until a game runs
extern bool fullscreen;                // true
extern bool musicEnabled;              // true
extern int musicVolume;                // 75, in percent
extern bool previousFullscreen, previousMusicEnabled;  // copies taken by the options menu
extern int previousMusicVolume;
extern std::string previousLanguageCode;
extern RKMusicPatternSystem musicPattern;

// --- Window, surfaces and frame -----------------------------------------------------------
extern SDL_Window* window;
extern SDL_Renderer* renderer;
extern SDL_Texture* texture;        // streaming, the size of screen; every frame goes through it
extern SDL_Surface* screen;         // 640x400, the frame being composed
extern SDL_Surface* tempSurface;    // 640x400, snapshot that menus draw over
extern SDL_Surface* mapPanel;       // 640x320, the map view
extern SDL_Surface* panel;          // 640x80, the heads-up panel and message log
extern SDL_Surface* inventoryPanel; // the inventory strip and menu boxes, resized per box
extern SDL_Surface* windowIcon;
extern RKFont* font;
extern RKMessage* message;
struct RKMousePos {
  int x = 0;
  int y = 0;
};
extern RKMousePos mousePos;  // game pixels (0..639, 0..399); the game draws its own cursor there
extern std::uint64_t nextTime;  // tick in ms at which the current frame ends

// --- Game ---------------------------------------------------------------------------------
// Set when the window is asked to close (its close button, Alt+F4, SIGTERM or SIGINT): every
// loop gives way, a game in play is saved as Escape saves it, and the program ends.
extern bool quitRequested;
extern bool gameOver;
extern int playerAction;  // RKPlayerActions
extern bool playerMovedOrAttacked;
extern bool showInventory;
extern RKEntity* player;  // also an element of entities
extern RKMap* theMap;
extern std::list<RKEntity*> entities;  // owned; list order is drawing order
extern std::list<RKEntity*>::iterator entityIterator;
extern std::list<RKEntity*> inventory;  // owned; newest first
extern std::list<RKEntity*>::iterator inventoryIterator;
extern std::list<std::string> inventoryMessages;
extern std::list<std::string> option;
extern std::list<std::string>::iterator optionIterator;
extern std::vector<UseFunction> useFuncVec;
extern std::vector<DeathFunction> funcVec;
extern RKLocalization* gLocalization;

// --- Music --------------------------------------------------------------------------------
extern MIX_Mixer* musicMixer;
extern MIX_Track* musicTrack;
extern bool menuFadeActive, menuFadeWaitingForPlayback, menuFadeDone;
extern std::uint64_t menuFadeStart;
