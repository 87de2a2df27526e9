#pragma once
// The screens' shared state: the font every text is drawn with, the menu being shown, the
// inventory box, and the settings as they were when the options menu opened.

#include <list>
#include <string>

#include "persistence/globals.h"

class RKFont;

// Their values when the program starts are set by ResetMenuState.
extern RKFont* font;  // the font sheet; made at start-up, freed at shut-down; null
// --- Menus ------------------------------------------------------------------------------------
extern std::list<std::string> option;                    // the lines of the menu being shown; empty
extern std::list<std::string>::iterator optionIterator;  // its selected line
extern bool showInventory;  // the frame draws the inventory box over the map; false
// --- Options menu -----------------------------------------------------------------------------
// The settings as the options menu found them, to put back when it is left without saving.
extern bool previousFullscreen, previousMusicEnabled;  // true
extern int previousMusicVolume;                        // 75
extern std::string previousLanguageCode;               // empty
extern RKKeyboard previousKeyboard;                    // empty
extern RKPadButtons previousPadButtons;                // empty

// Puts every value above back to what it is when the program starts. The font is forgotten,
// not freed: QuitGame frees it.
void ResetMenuState();
