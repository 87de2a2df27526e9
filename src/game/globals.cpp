#include "game/globals.h"

#include "game/sdl_globals.h"

// The standard 16-colour EGA palette, in RKColors order.
const RKColor EGAColors[16] = {
    {0x00, 0x00, 0x00, 0}, {0x00, 0x00, 0xAA, 0}, {0x00, 0xAA, 0x00, 0}, {0x00, 0xAA, 0xAA, 0},
    {0xAA, 0x00, 0x00, 0}, {0xAA, 0x00, 0xAA, 0}, {0xAA, 0x55, 0x00, 0}, {0xAA, 0xAA, 0xAA, 0},
    {0x55, 0x55, 0x55, 0}, {0x55, 0x55, 0xFF, 0}, {0x55, 0xFF, 0x55, 0}, {0x55, 0xFF, 0xFF, 0},
    {0xFF, 0x55, 0x55, 0}, {0xFF, 0x55, 0xFF, 0}, {0xFF, 0xFF, 0x55, 0}, {0xFF, 0xFF, 0xFF, 0},
};
const std::string SAVEGAMESIG = "TVKSG";
const std::string GAMEVERSION = "0.4";
int gameState = InMenus;
bool fullscreen = true;
bool musicEnabled = true;
int musicVolume = 75;
bool previousFullscreen = true;
bool previousMusicEnabled = true;
int previousMusicVolume = 75;
std::string previousLanguageCode;
RKMusicPatternSystem musicPattern;

SDL_Window* window = nullptr;
SDL_Renderer* renderer = nullptr;
SDL_Texture* texture = nullptr;
SDL_Surface* screen = nullptr;
SDL_Surface* tempSurface = nullptr;
SDL_Surface* mapPanel = nullptr;
SDL_Surface* panel = nullptr;
SDL_Surface* inventoryPanel = nullptr;
SDL_Surface* windowIcon = nullptr;
RKFont* font = nullptr;
RKMessage* message = nullptr;
RKMousePos mousePos;
std::uint64_t nextTime = 0;

bool quitRequested = false;
bool gameOver = false;
int playerAction = TurnTaken;
bool playerMovedOrAttacked = false;
bool showInventory = false;
RKEntity* player = nullptr;
RKMap* theMap = nullptr;
std::list<RKEntity*> entities;
std::list<RKEntity*>::iterator entityIterator;
std::list<RKEntity*> inventory;
std::list<RKEntity*>::iterator inventoryIterator;
std::list<std::string> inventoryMessages;
std::list<std::string> option;
std::list<std::string>::iterator optionIterator;
std::vector<UseFunction> useFuncVec;
std::vector<DeathFunction> funcVec;
RKLocalization* gLocalization = nullptr;

MIX_Mixer* musicMixer = nullptr;
MIX_Track* musicTrack = nullptr;
bool menuFadeActive = false;
bool menuFadeWaitingForPlayback = false;
bool menuFadeDone = false;
std::uint64_t menuFadeStart = 0;

SDL_PixelFormat screenFormat = SDL_PIXELFORMAT_UNKNOWN;
SDL_DisplayMode displayMode{};
SDL_WindowFlags flags = 0;
SDL_Event event{};
RKKeyboard keyboard;
RKKeyboard previousKeyboard;
SDL_Scancode selectedKey = SDL_SCANCODE_UNKNOWN;
