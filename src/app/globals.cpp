#include "app/globals.h"

bool fullscreen;
bool musicEnabled;
int musicVolume;
bool previousFullscreen;
bool previousMusicEnabled;
int previousMusicVolume;
std::string previousLanguageCode;

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
RKFont* font = nullptr;
RKMousePos mousePos;
std::uint64_t nextTime;

SDL_Event event;
RKKeyboard keyboard;
RKKeyboard previousKeyboard;
SDL_Scancode selectedKey;

RKMusicPatternSystem musicPattern;
MIX_Mixer* musicMixer = nullptr;
MIX_Track* musicTrack = nullptr;
bool menuFadeActive;
bool menuFadeWaitingForPlayback;
bool menuFadeDone;
std::uint64_t menuFadeStart;

namespace {

// What this file defines, as the program starts with it. The game's state has its own reset
// beside its own definitions: another file's values may not exist yet while this one's start.
void ResetApplicationState() {
  fullscreen = true;
  musicEnabled = true;
  musicVolume = 75;
  previousFullscreen = true;
  previousMusicEnabled = true;
  previousMusicVolume = 75;
  previousLanguageCode.clear();

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
  font = nullptr;
  mousePos = {};
  nextTime = 0;

  event = {};
  keyboard.clear();
  previousKeyboard.clear();
  selectedKey = SDL_SCANCODE_UNKNOWN;

  musicPattern.patternLengthMs = 0;
  musicPattern.lastPosition = -1;
  musicPattern.currentPatternName.clear();
  musicPattern.nextPatternName.clear();
  musicPattern.queuedPattern = nullptr;
  musicMixer = nullptr;
  musicTrack = nullptr;
  menuFadeActive = false;
  menuFadeWaitingForPlayback = false;
  menuFadeDone = false;
  menuFadeStart = 0;
}

[[maybe_unused]] const bool STARTED = (ResetApplicationState(), true);

}  // namespace

void ResetProgramState() {
  ResetGameState();
  ResetApplicationState();
}
