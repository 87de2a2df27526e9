#include "ui/render.h"

#include <SDL3/SDL.h>

#include "dungeon/map.h"
#include "game/globals.h"
#include "localization/localization.h"
#include "music/music.h"
#include "ui/font.h"
#include "ui/glyphs.h"
#include "ui/layout.h"
#include "ui/message.h"
#include "world/basicenemy.h"
#include "world/entity.h"
#include "world/fighter.h"

namespace {

constexpr int HUD_HEIGHT = 80;
constexpr int MAP_PANEL_HEIGHT = MAP_HEIGHT * GLYPH_SIZE;
// Between the left box (bar, floor) and the message log, one wall cell from either.
constexpr int BOX_DIVIDER_X = (1 + HUD_BOX_COLUMNS) * GLYPH_SIZE;
constexpr int LOG_X = BOX_DIVIDER_X + GLYPH_SIZE;

constexpr unsigned char GLYPH_WALL = '#';
constexpr unsigned char GLYPH_FLOOR = '.';

// Colours of a cell: [in view][blocks sight].
constexpr RKColors CELL_COLORS[2][2] = {
    // floor     wall
    {DarkGray,  LightGray},  // explored, out of view
    {White,     Blue},       // in view
};

// The horizontal rules of the HUD frame, in code page 437 double lines.
struct RKFrameRule {
  int y;
  unsigned char left, tee, right;  // tee: the glyph where the divider meets the rule, 0 none
};
const RKFrameRule FRAME_RULES[] = {
    //  y   left               tee              right
    {0,  GLYPH_TOP_LEFT,    0,               GLYPH_TOP_RIGHT},
    {16, GLYPH_TEE_RIGHT,   GLYPH_TEE_DOWN,  GLYPH_TEE_LEFT},
    {72, GLYPH_BOTTOM_LEFT, GLYPH_TEE_UP,    GLYPH_BOTTOM_RIGHT},
};
// Rows that carry the side walls: the names strip alone, then the two boxes with the divider.
constexpr int NAMES_ROW = 8;
constexpr int FIRST_BOX_ROW = 24;
constexpr int LAST_BOX_ROW = 64;

void FillBlack(SDL_Surface* surface, const SDL_Rect* rect) {
  SDL_FillSurfaceRect(surface, rect, SDL_MapSurfaceRGB(surface, 0, 0, 0));
}

// Blanks the cell first, so whatever is drawn there last is all that shows.
void DrawOnCell(const RKEntity* entity) {
  SDL_Rect cell{entity->x * GLYPH_SIZE, entity->y * GLYPH_SIZE, GLYPH_SIZE, GLYPH_SIZE};
  FillBlack(mapPanel, &cell);
  font->DrawChar(mapPanel, entity->appearance, cell.x, cell.y, entity->color);
}

void DrawTiles() {
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
      font->DrawChar(mapPanel, tile->blockSight ? GLYPH_WALL : GLYPH_FLOOR, x * GLYPH_SIZE,
                     y * GLYPH_SIZE, CELL_COLORS[inView][tile->blockSight]);
    }
  }
}

// Draws what the player can see or remembers; true when a guard is among what is in view.
bool DrawEntities() {
  bool enemyInView = false;
  for (entityIterator = entities.begin(); entityIterator != entities.end(); ++entityIterator) {
    const RKEntity* entity = *entityIterator;
    if (entity == player || !InsideMap(entity->x, entity->y)) continue;
    int index = CellIndex(entity->x, entity->y);
    bool shown = theMap->fov[index] || (entity->visible && theMap->tiles[index]->explored);
    if (!shown) continue;
    DrawOnCell(entity);
    if (entity->ai) enemyInView = true;
  }
  return enemyInView;
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

void Present() {
  SDL_UpdateTexture(texture, nullptr, screen->pixels, screen->pitch);
  SDL_RenderClear(renderer);
  SDL_RenderTexture(renderer, texture, nullptr, nullptr);
  SDL_RenderPresent(renderer);
}

}  // namespace

void Render() {
  // Kept between frames so that drawing the names allocates nothing once it has grown.
  static std::string names;
  names.clear();

  FillBlack(screen, nullptr);
  FillBlack(mapPanel, nullptr);
  FillBlack(panel, nullptr);

  bool haveFloor = theMap && player && theMap->HasFloor();
  if (haveFloor) {
    theMap->ComputeFOV(player);
    DrawTiles();
    ChooseInGameMusic(DrawEntities());
    if (InsideMap(player->x, player->y)) DrawOnCell(player);
  }
  SDL_BlitSurface(mapPanel, nullptr, screen, nullptr);

  DrawHudFrame();
  if (player && player->fighter) {
    RenderBar(GLYPH_SIZE, 24, HUD_BOX_COLUMNS * GLYPH_SIZE, gLocalization->T("hud.hp"),
              player->fighter->hp, player->fighter->GetMaxHP(false), panel, Red, LightGray);
  }
  if (theMap) {
    // Floors count down to the way out: the first floor shows 10.
    std::string shown = std::to_string(11 - theMap->currentFloor);
    font->DrawString(panel, gLocalization->TFormat("hud.floor", {shown}), 8, 40, LightGray);
  }
  if (message) message->GetMessages(LOG_X, 24, font, Black, true);
  if (haveFloor) GetNamesUnderMouse(names);
  font->DrawString(panel, names, 8, NAMES_ROW, LightGray);

  if (showInventory && inventoryPanel) {
    SDL_Rect strip{(screen->w - inventoryPanel->w) / 2,
                   (screen->h - HUD_HEIGHT - inventoryPanel->h) / 2, inventoryPanel->w,
                   inventoryPanel->h};
    SDL_BlitSurface(inventoryPanel, nullptr, screen, &strip);
  }
  SDL_Rect hud{0, MAP_PANEL_HEIGHT, 640, HUD_HEIGHT};
  SDL_BlitSurface(panel, nullptr, screen, &hud);
  font->DrawChar(screen, GLYPH_BLOCK, mousePos.x, mousePos.y, Red);

  Present();
}

void RenderBar(int x, int y, int width, const std::string& name, int value, int maximum,
               SDL_Surface* surface, RKColors barColor, RKColors backColor) {
  for (int cell = 0; cell < width / GLYPH_SIZE; ++cell) {
    font->DrawChar(surface, GLYPH_BLOCK, x + cell * GLYPH_SIZE, y, backColor);
  }
  if (maximum != 0) {
    int filled = static_cast<int>(static_cast<float>(value) / static_cast<float>(maximum) *
                                  static_cast<float>(width));
    for (int cell = 0; cell < filled / GLYPH_SIZE; ++cell) {
      font->DrawChar(surface, GLYPH_BLOCK, x + cell * GLYPH_SIZE, y, barColor);
    }
  }
  std::string label = name + ": " + std::to_string(value) + "/" + std::to_string(maximum);
  font->DrawString(surface, label, x + width / 2 - 4 * static_cast<int>(label.size()), y, White);
}

void GetNamesUnderMouse(std::string& text) {
  int x = mousePos.x / GLYPH_SIZE;
  int y = mousePos.y / GLYPH_SIZE;
  // Beyond the map (the panel below it included) nothing is named.
  if (!theMap || !theMap->HasFloor() || !InsideMap(x, y) || !theMap->InView(x, y)) return;
  bool first = true;
  for (entityIterator = entities.begin(); entityIterator != entities.end(); ++entityIterator) {
    const RKEntity* entity = *entityIterator;
    if (entity->x != x || entity->y != y) continue;
    if (!first) text += gLocalization->T("hud.namesSeparator");
    text += entity->GetDisplayName();
    first = false;
  }
}

void CopyOfSurface() {
  FillBlack(tempSurface, nullptr);
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
