#include "ui/render.h"

#include <SDL3/SDL.h>

#include <algorithm>
#include <vector>

#include "app/globals.h"
#include "core/globals.h"
#include "core/glyphs.h"
#include "core/layout.h"
#include "core/message.h"
#include "dungeon/map.h"
#include "localization/localization.h"
#include "music/music.h"
#include "ui/font.h"
#include "ui/globals.h"
#include "ui/menu.h"
#include "ui/screen.h"
#include "world/basicenemy.h"
#include "world/entity.h"
#include "world/fighter.h"

namespace {

constexpr int MAP_PANEL_HEIGHT = MAP_HEIGHT * GLYPH_SIZE;
// Between the left box (bar, floor) and the message log, one wall cell from either.
constexpr int BOX_DIVIDER_X = (1 + HUD_BOX_COLUMNS) * GLYPH_SIZE;
constexpr int LOG_X = BOX_DIVIDER_X + GLYPH_SIZE;

constexpr unsigned char GLYPH_WALL = '#';
constexpr unsigned char GLYPH_FLOOR = '.';

// Colours of a cell: [in view][blocks sight].
// clang-format off
constexpr RKColors CELL_COLORS[2][2] = {
    // floor     wall
    {DarkGray,  LightGray},  // explored, out of view
    {White,     Blue},       // in view
};
// clang-format on

// The horizontal rules of the HUD frame, in code page 437 double lines.
struct RKFrameRule {
  int y;
  unsigned char left, tee, right;  // tee: the glyph where the divider meets the rule, 0 none
};
// clang-format off
const RKFrameRule FRAME_RULES[] = {
    //  y   left               tee              right
    {0,  GLYPH_TOP_LEFT,    0,               GLYPH_TOP_RIGHT},
    {16, GLYPH_TEE_RIGHT,   GLYPH_TEE_DOWN,  GLYPH_TEE_LEFT},
    {72, GLYPH_BOTTOM_LEFT, GLYPH_TEE_UP,    GLYPH_BOTTOM_RIGHT},
};
// clang-format on
// Rows that carry the side walls: the names strip alone, then the two boxes with the divider.
constexpr int NAMES_ROW = 8;
// More text than the names strip could ever show, even with colour codes in the names.
constexpr std::size_t NAMES_TEXT_LIMIT = 1024;
constexpr int FIRST_BOX_ROW = 24;
constexpr int LAST_BOX_ROW = 64;

// What shows on each cell besides its tile: the player on its own cell, always; elsewhere the
// entity latest in the list that is in view, or remembered (visible on an explored cell). One
// drawn entity covers its whole cell, so the others there are never drawn, and a pile read from
// a file costs one glyph like any cell. True when a guard is among the entities shown.
bool FindWhatShows(std::vector<const RKEntity*>& shows) {
  shows.assign(MAP_CELLS, nullptr);
  bool enemyInView = false;
  for (entityIterator = entities.begin(); entityIterator != entities.end(); ++entityIterator) {
    const RKEntity* entity = *entityIterator;
    if (entity == player || !InsideMap(entity->x, entity->y)) continue;
    int index = CellIndex(entity->x, entity->y);
    // Only cells in view become explored this frame, and those show their entities anyway.
    bool shown = theMap->fov[index] || (entity->visible && theMap->tiles[index]->explored);
    if (!shown) continue;
    shows[index] = entity;
    if (entity->ai) enemyInView = true;
  }
  if (InsideMap(player->x, player->y)) shows[CellIndex(player->x, player->y)] = player;
  return enemyInView;
}

// Marks the cells in view explored and draws the tiles, except under what shows there.
void DrawTiles(const std::vector<const RKEntity*>& shows) {
  for (int y = 0; y < MAP_HEIGHT; ++y) {
    for (int x = 0; x < MAP_WIDTH; ++x) {
      int index = CellIndex(x, y);
      RKTile* tile = theMap->tiles[index];
      bool inView = theMap->fov[index];
      if (inView) {
        tile->explored = true;
      } else if (!tile->explored) {
        continue;
      }
      if (shows[index] != nullptr) continue;
      font->DrawChar(mapPanel, tile->blockSight ? GLYPH_WALL : GLYPH_FLOOR, x * GLYPH_SIZE,
                     y * GLYPH_SIZE, CELL_COLORS[inView][tile->blockSight]);
    }
  }
}

// The entities' glyphs, on the black their cells were left in.
void DrawEntities(const std::vector<const RKEntity*>& shows) {
  for (const RKEntity* entity : shows) {
    if (entity != nullptr) {
      font->DrawChar(mapPanel, entity->appearance, entity->x * GLYPH_SIZE, entity->y * GLYPH_SIZE,
                     entity->color);
    }
  }
}

void DrawHudFrame() {
  const int right = panel->w - GLYPH_SIZE;
  for (const RKFrameRule& rule : FRAME_RULES) {
    font->DrawChar(panel, rule.left, 0, rule.y, White);
    for (int x = GLYPH_SIZE; x < right; x += GLYPH_SIZE) {
      bool tee = rule.tee != 0 && x == BOX_DIVIDER_X;
      font->DrawChar(panel, tee ? rule.tee : GLYPH_HORIZONTAL, x, rule.y, White);
    }
    font->DrawChar(panel, rule.right, right, rule.y, White);
  }
  font->DrawChar(panel, GLYPH_VERTICAL, 0, NAMES_ROW, White);
  font->DrawChar(panel, GLYPH_VERTICAL, right, NAMES_ROW, White);
  for (int y = FIRST_BOX_ROW; y <= LAST_BOX_ROW; y += GLYPH_SIZE) {
    font->DrawChar(panel, GLYPH_VERTICAL, 0, y, White);
    font->DrawChar(panel, GLYPH_VERTICAL, BOX_DIVIDER_X, y, White);
    font->DrawChar(panel, GLYPH_VERTICAL, right, y, White);
  }
}

}  // namespace

void Render() {
  // Kept between frames so that drawing the names allocates nothing once it has grown.
  static std::string names;
  names.clear();

  // The two panels are copied over the screen below: it needs clearing only where they leave
  // some of it uncovered.
  const bool panelsCover = screen->w <= std::min(mapPanel->w, panel->w) &&
                           mapPanel->h >= MAP_PANEL_HEIGHT &&
                           screen->h <= MAP_PANEL_HEIGHT + std::min(panel->h, HUD_HEIGHT);
  if (!panelsCover) {
    FillBlack(screen);
  }
  FillBlack(mapPanel);
  FillBlack(panel);

  bool haveFloor = theMap && player && theMap->HasFloor();
  if (haveFloor) {
    theMap->ComputeFOV(player);
    static std::vector<const RKEntity*> shows;  // kept: a frame allocates nothing for it
    const bool enemyInView = FindWhatShows(shows);
    DrawTiles(shows);
    DrawEntities(shows);
    ChooseInGameMusic(enemyInView);
  }
  SDL_BlitSurface(mapPanel, nullptr, screen, nullptr);

  DrawHudFrame();
  if (player && player->fighter) {
    RenderBar(GLYPH_SIZE, 24, HUD_BOX_COLUMNS * GLYPH_SIZE, gLocalization->T("hud.hp"),
              player->fighter->hp, player->fighter->GetMaxHP(false), panel, Red, LightGray);
  }
  if (theMap) {
    std::string shown = std::to_string(FloorsLeft(theMap->currentFloor));
    font->DrawString(panel, gLocalization->TFormat("hud.floor", {shown}), 8, 40, LightGray);
  }
  if (message) message->GetMessages(LOG_X, 24, font, Black, true);
  if (haveFloor) GetNamesUnderMouse(names);
  // The names end at the strip's frame, however many entities share the cell.
  names = CutToVisibleLength(names, NAMES_COLUMNS);
  font->DrawString(panel, names, GLYPH_SIZE, NAMES_ROW, LightGray);

  if (showInventory && inventoryPanel) {
    SDL_Rect strip{(screen->w - inventoryPanel->w) / 2,
                   (screen->h - HUD_HEIGHT - inventoryPanel->h) / 2, inventoryPanel->w,
                   inventoryPanel->h};
    SDL_BlitSurface(inventoryPanel, nullptr, screen, &strip);
  }
  SDL_Rect hud{0, MAP_PANEL_HEIGHT, panel->w, HUD_HEIGHT};
  SDL_BlitSurface(panel, nullptr, screen, &hud);
  font->DrawChar(screen, GLYPH_BLOCK, mousePos.x, mousePos.y, Red);

  PresentScreen();
}

void RenderBar(int x, int y, int width, const std::string& name, int value, int maximum,
               SDL_Surface* surface, RKColors barColor, RKColors backColor) {
  for (int cell = 0; cell < width / GLYPH_SIZE; ++cell) {
    font->DrawChar(surface, GLYPH_BLOCK, x + cell * GLYPH_SIZE, y, backColor);
  }
  // The bar stays within its width whatever the numbers (a save file may claim 1,000,000 of
  // 1 hit points): the value counts within 0..maximum, and a maximum of 0 or less is empty.
  if (maximum > 0) {
    const int shown = std::clamp(value, 0, maximum);
    int filled = static_cast<int>(static_cast<float>(shown) / static_cast<float>(maximum) *
                                  static_cast<float>(width));
    for (int cell = 0; cell < filled / GLYPH_SIZE; ++cell) {
      font->DrawChar(surface, GLYPH_BLOCK, x + cell * GLYPH_SIZE, y, barColor);
    }
  }
  std::string label = name + ": " + std::to_string(value) + "/" + std::to_string(maximum);
  const std::size_t cells = static_cast<std::size_t>(std::max(width, 0) / GLYPH_SIZE);
  if (label.size() > cells) {
    label.resize(cells);
  }
  font->DrawString(surface, label, x + width / 2 - 4 * static_cast<int>(label.size()), y, White);
}

void GetNamesUnderMouse(std::string& text) {
  int x = mousePos.x / GLYPH_SIZE;
  int y = mousePos.y / GLYPH_SIZE;
  // Beyond the map (the panel below it included) nothing is named.
  if (!theMap || !theMap->HasFloor() || !InsideMap(x, y) || !theMap->InView(x, y)) return;
  bool first = true;
  const std::size_t start = text.size();
  for (entityIterator = entities.begin(); entityIterator != entities.end(); ++entityIterator) {
    const RKEntity* entity = *entityIterator;
    if (entity->x != x || entity->y != y) continue;
    // A pile of entities on one cell names far more than the strip shows: stop early.
    if (text.size() - start >= NAMES_TEXT_LIMIT) break;
    if (!first) text += gLocalization->T("hud.namesSeparator");
    text += entity->GetDisplayName();
    first = false;
  }
}

void CopyOfSurface() {
  FillBlack(tempSurface);
  const SDL_PixelFormatDetails* from = SDL_GetPixelFormatDetails(screen->format);
  const SDL_PixelFormatDetails* to = SDL_GetPixelFormatDetails(tempSurface->format);
  // The pixel loop reads both surfaces as rows of 32-bit pixels; anything else is copied by a
  // plain blit rather than read out of bounds.
  bool sameShape = from && to && from->bytes_per_pixel == 4 && to->bytes_per_pixel == 4 &&
                   screen->w == tempSurface->w && screen->h == tempSurface->h &&
                   screen->pitch == tempSurface->pitch;
  if (!sameShape) {
    SDL_BlitSurface(screen, nullptr, tempSurface, nullptr);
    return;
  }
  bool lockScreen = SDL_MUSTLOCK(screen);
  bool lockTemp = SDL_MUSTLOCK(tempSurface);
  if (lockScreen) SDL_LockSurface(screen);
  if (lockTemp) SDL_LockSurface(tempSurface);
  const Uint32* source = static_cast<const Uint32*>(screen->pixels);
  Uint32* target = static_cast<Uint32*>(tempSurface->pixels);
  SDL_Palette* fromPalette = SDL_GetSurfacePalette(screen);
  SDL_Palette* toPalette = SDL_GetSurfacePalette(tempSurface);
  std::size_t count = static_cast<std::size_t>(tempSurface->pitch / 4) * tempSurface->h;
  for (std::size_t i = 0; i < count; ++i) {
    Uint8 r, g, b;
    SDL_GetRGB(source[i], from, fromPalette, &r, &g, &b);
    target[i] = SDL_MapRGB(to, toPalette, r, g, b);
  }
  if (lockTemp) SDL_UnlockSurface(tempSurface);
  if (lockScreen) SDL_UnlockSurface(screen);
  SDL_BlitSurface(tempSurface, nullptr, screen, nullptr);
}

void RenderCopyOfSurface() { SDL_BlitSurface(tempSurface, nullptr, screen, nullptr); }
