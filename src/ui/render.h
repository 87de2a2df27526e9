#pragma once
// One frame of play: the map with its explored and visible cells, the entities in view, the
// player, the heads-up panel, the inventory strip when open and the game's own mouse cursor.
// Drawing also marks the cells in view as explored and picks the calm or alert music.

#include <string>

#include "core/types.h"

struct SDL_Surface;

// Draws the whole frame from the program-wide state into screen and presents it.
void Render();
// A bar of block glyphs `width` pixels wide at (x, y) on surface: background first, then the
// part value / maximum of it in barColor, and the label "name: value/maximum" centred on it.
// Nothing is drawn outside the width: the value counts within 0..maximum, a maximum of 0 or
// less gives an empty bar, and a label longer than the bar is cut.
void RenderBar(int x, int y, int width, const std::string& name, int value, int maximum,
               SDL_Surface* surface, RKColors barColor, RKColors backColor);
// Appends to text the display names of the entities standing in view on the cell under the
// mouse, in list order and separated by the catalogue's separator. Appends, never clears; stops
// once it has appended more than the names strip can show.
void GetNamesUnderMouse(std::string& text);
// Keeps an opaque copy of screen in tempSurface, the background menus draw over.
void CopyOfSurface();
// Puts the kept copy back over the whole screen.
void RenderCopyOfSurface();
