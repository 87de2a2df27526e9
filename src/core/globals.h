#pragma once
// The program-wide state of a game, as the rules see it: what is played, where, and by whom.
// Everything here is free of SDL, so that rules code (world, dungeon, localization, the message
// log) builds and is tested without a window. The rest of the program's shared state lives
// with the folder that writes it: the window, the frame and the input in app/globals.h, the
// settings and key bindings in persistence/globals.h, the music in music/globals.h, the font
// and the menus in ui/globals.h.

#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "core/types.h"

class RKEntity;
class RKMap;
class RKMessage;
class RKLocalization;

struct RKColor {
  std::uint8_t r, g, b, a;
};

// --- Constants ------------------------------------------------------------------------------
extern const RKColor EGAColors[16];    // indexed by RKColors; alpha bytes are 0
extern const std::string SAVEGAMESIG;  // "TVKSG"
extern const std::string GAMEVERSION;  // "0.4"

// --- Game -------------------------------------------------------------------------------------
// Their values when the program starts are set by ResetGameState.
extern int gameState;  // RKGameStates; InMenus until a game runs
extern bool gameOver;
extern int playerAction;  // RKPlayerActions
extern bool playerMovedOrAttacked;
extern RKEntity* player;  // also an element of entities
extern RKMap* theMap;
extern std::list<RKEntity*> entities;  // owned; list order is drawing order
extern std::list<RKEntity*>::iterator entityIterator;
extern std::list<RKEntity*> inventory;  // owned; newest first
extern std::list<RKEntity*>::iterator inventoryIterator;
extern std::list<std::string> inventoryMessages;
extern std::vector<UseFunction> useFuncVec;
extern std::vector<DeathFunction> funcVec;
extern RKMessage* message;             // the message log; owned
extern RKLocalization* gLocalization;  // the translation service; owned

// Puts every value above back to what it is when the program starts. Pointers are forgotten and
// lists emptied without deleting what they point to: whoever filled them owns that.
void ResetGameState();
