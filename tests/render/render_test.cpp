// The drawn frame, read back from the screen surface cell by cell.

#include <SDL3/SDL.h>

#include <cstring>
#include <functional>
#include <string>

#include "app/globals.h"
#include "core/globals.h"
#include "core/layout.h"
#include "core/message.h"
#include "dungeon/map.h"
#include "localization/localization.h"
#include "music/globals.h"
#include "support/harness.h"
#include "ui/font.h"
#include "ui/globals.h"
#include "ui/render.h"
#include "world/basicenemy.h"
#include "world/entity.h"
#include "world/fighter.h"
#include "world/kinds.h"
#include "world/world_fixture.h"

namespace {

constexpr int HUD_TOP = 320;

// Palette index of one pixel; -1 for black or a colour outside the palette.
int PixelColor(SDL_Surface* surface, int x, int y) {
  Uint8 r = 0, g = 0, b = 0, a = 0;
  SDL_ReadSurfacePixel(surface, x, y, &r, &g, &b, &a);
  for (int i = 1; i < 16; ++i) {
    if (EGAColors[i].r == r && EGAColors[i].g == g && EGAColors[i].b == b) return i;
  }
  return -1;
}

class FrameTest : public HeadlessGame {
 protected:
  void SetUp() override {
    HeadlessGame::SetUp();
    if (HasFatalFailure()) return;
    theMap = new RKMap;
    RKKind hurt = KindOf(RKKindId::Player);
    hurt.fighter.hp = 30;
    player = NewEntity(hurt, 1, 1, theMap);
    entities.push_back(player);
    mousePos = {600, 396};  // the cursor stays off the map unless a test moves it
  }

  // A guard, or a thing of no components, that looks as given.
  RKEntity* Put(const std::string& name, unsigned char glyph, RKColors color, int x, int y,
                bool visible, bool guard = false) {
    RKKind kind = KindOf(guard ? RKKindId::Guard : RKKindId::StairsUp);
    kind.name = name.c_str();
    kind.glyph = glyph;
    kind.color = color;
    kind.visible = visible;
    RKEntity* entity = NewEntity(kind, x, y, theMap);
    entities.push_back(entity);
    return entity;
  }

  int Glyph(int x, int y) { return CellGlyph(screen, x * 8, y * 8); }
  int Color(int x, int y) { return CellColor(screen, x * 8, y * 8); }
};

TEST_F(FrameTest, CellsByViewExplorationAndDrawOrder) {
  // A corridor longer than two views: look from its west end, then from further east.
  std::string corridor = "#" + std::string(40, '.') + "#";
  DrawFloor(*theMap, {std::string(42, '#'), corridor, std::string(42, '#')});
  Put("Kit", '!', Magenta, 4, 1, true);             // remembered once seen
  Put("Guard", 'g', LightBlue, 6, 1, false, true);  // only while in view
  Put("Under", 'u', Yellow, 25, 1, true);           // beneath the player
  Put("Lower", 'a', Cyan, 28, 1, false);
  Put("Upper", 'b', Brown, 28, 1, false);                // later in the list: covers "Lower"
  Put("Far guard", 'g', LightBlue, 38, 1, false, true);  // never seen
  Put("Far kit", '!', Magenta, 39, 1, true);             // never seen either

  Render();
  player->x = 25;
  Render();

  EXPECT_EQ(CellText(screen, 0, 8, 41), "#...!.....       ........@..b.....       ");
  struct Case {
    const char* name;
    int x, y;
    int color;  // -1: black
  };
  const Case cases[] = {
      {"floor in view", 30, 1, White},
      {"wall in view", 30, 0, Blue},
      {"floor remembered", 5, 1, DarkGray},
      {"wall remembered", 5, 0, LightGray},
      {"remembered cell where an unseen guard stands", 6, 1, DarkGray},
      {"a visible item on a remembered cell", 4, 1, Magenta},
      {"never seen", 12, 1, -1},
      {"never seen, though a guard stands there", 38, 1, -1},
      {"the later of two entities", 28, 1, Brown},
      {"the player over an item", 25, 1, LightGreen},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Color(c.x, c.y), c.color);
  }
  EXPECT_TRUE(theMap->TileAt(5, 1)->explored);
  EXPECT_FALSE(theMap->TileAt(12, 1)->explored);
}

TEST_F(FrameTest, HitPointBarFillsWholeCellsOfItsShare) {
  DrawFloor(*theMap, OpenField());
  struct Case {
    int hp, maxHP;
    int redCells;
  };
  // A save could claim 1,000,000 of 1 hit points: the bar drew 20 million cells, 0.7 s a frame.
  for (const Case& c : {Case{0, 30, 0}, Case{7, 30, 4}, Case{30, 30, 20}, Case{5, 0, 0},
                        Case{1000000, 1, 20}, Case{-5, 30, 0}, Case{5, -3, 0}}) {
    SCOPED_TRACE(std::to_string(c.hp) + "/" + std::to_string(c.maxHP));
    player->fighter->SetHP(c.hp, true);
    player->fighter->SetMaxHP(c.maxHP, true);
    Render();
    int red = 0;
    for (int cell = 0; cell < 20; ++cell) {
      // The bottom-right pixel of a cell is clear of the label's letters.
      int color = PixelColor(screen, 8 + cell * 8 + 7, HUD_TOP + 24 + 7);
      ASSERT_TRUE(color == Red || color == LightGray) << "cell " << cell << ": " << color;
      if (color == Red) {
        ++red;
        EXPECT_LT(cell, c.redCells) << "red must fill from the left";
      }
    }
    EXPECT_EQ(red, c.redCells);
    EXPECT_EQ(CellGlyph(screen, 168, HUD_TOP + 24), 186) << "the divider right of the bar";
  }
}

// The places of the screen where `text` in `color` shows differently from how the game's font
// draws it at (x, y) on a black screen, within the region; "" when it reads exactly so.
std::string TextDifference(const std::string& text, int x, int y, RKColors color,
                           const SDL_Rect& region) {
  SDL_Surface* expected = SDL_CreateSurface(screen->w, screen->h, screen->format);
  SDL_FillSurfaceRect(expected, nullptr, SDL_MapSurfaceRGB(expected, 0, 0, 0));
  font->DrawString(expected, text, x, y, color);
  std::string difference;
  for (int py = region.y; py < region.y + region.h; ++py) {
    for (int px = region.x; px < region.x + region.w; ++px) {
      const bool want = PixelColor(expected, px, py) == color;
      if (want != (PixelColor(screen, px, py) == color) && difference.size() < 200) {
        difference += " " + std::to_string(px) + "," + std::to_string(py);
      }
    }
  }
  SDL_DestroySurface(expected);
  return difference;
}

// The bar's label and the floor line, read in the pixels as the player reads them: the label
// centred on the 160-pixel bar at (8, 24) of the HUD, the floor line at (8, 40).
TEST_F(FrameTest, HudLabelsAsThePlayerReadsThem) {
  DrawFloor(*theMap, OpenField());
  struct Case {
    int hp, maxHP, floor;
    const char* hpLabel;
    const char* floorLine;  // floors count down: the first shows 10, the top one 1
  };
  const Case cases[] = {
      {7, 30, 3, "HP: 7/30", "Floor 8"},
      {30, 30, 1, "HP: 30/30", "Floor 10"},
      {0, 30, 10, "HP: 0/30", "Floor 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.hpLabel);
    player->fighter->SetHP(c.hp, true);
    player->fighter->SetMaxHP(c.maxHP, true);
    theMap->currentFloor = c.floor;
    Render();
    const int labelX = 8 + 160 / 2 - 4 * static_cast<int>(std::string(c.hpLabel).size());
    EXPECT_EQ(TextDifference(c.hpLabel, labelX, HUD_TOP + 24, White, {8, HUD_TOP + 24, 160, 8}),
              "");
    EXPECT_EQ(TextDifference(c.floorLine, 8, HUD_TOP + 40, LightGray, {8, HUD_TOP + 40, 160, 8}),
              "");
  }
}

// Names under the mouse end at the frame of their strip, however many share the cell.
TEST_F(FrameTest, NamesUnderTheMouseStopAtTheFrame) {
  DrawFloor(*theMap, OpenField());
  std::string codes;  // "^C99^" is no colour code: the font draws all five characters
  for (int i = 0; i < 51; ++i) codes += "^C99^";
  for (const std::string& name : {std::string("Guard"), codes}) {
    SCOPED_TRACE(name.substr(0, 10));
    for (int i = 0; i < 40; ++i) Put(name, 'g', Yellow, 3, 3, true);
    mousePos = {3 * 8, 3 * 8};
    Render();
    const std::string shown = gLocalization->LocalizeEntityName(name).substr(0, 5);
    EXPECT_EQ(CellText(screen, 8, HUD_TOP + 8, static_cast<int>(shown.size())), shown);
    EXPECT_NE(CellGlyph(screen, 624, HUD_TOP + 8), 32) << "the strip is used to its end";
    EXPECT_EQ(CellGlyph(screen, 632, HUD_TOP + 8), 186);
    EXPECT_EQ(CellColor(screen, 632, HUD_TOP + 8), White);
    entities.remove_if([](RKEntity* entity) {
      const bool put = entity != player;
      if (put) delete entity;
      return put;
    });
  }
}

TEST_F(FrameTest, HudFrameFloorLineAndCursor) {
  DrawFloor(*theMap, OpenField());
  theMap->currentFloor = 3;
  mousePos = {100, 60};
  // The widest line the log makes ends one cell short of the right border.
  message->SetMessage(std::string(LOG_COLUMNS, 'W'), false);
  Render();

  struct Case {
    int x, y;
    int glyph;
  };
  const Case frame[] = {
      {0, 0, 201},  {8, 0, 205},    {168, 0, 205},  {632, 0, 187},  {0, 8, 186},  {632, 8, 186},
      {0, 16, 204}, {168, 16, 203}, {632, 16, 185}, {168, 40, 186}, {0, 64, 186}, {632, 24, 186},
      {0, 72, 200}, {168, 72, 202}, {624, 72, 205}, {632, 72, 188},
  };
  for (const Case& c : frame) {
    SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
    EXPECT_EQ(CellGlyph(screen, c.x, HUD_TOP + c.y), c.glyph);
    EXPECT_EQ(CellColor(screen, c.x, HUD_TOP + c.y), White);
  }
  std::string floorLine = gLocalization->TFormat("hud.floor", {"8"});
  EXPECT_EQ(CellText(screen, 8, HUD_TOP + 40, static_cast<int>(floorLine.size())), floorLine);
  EXPECT_EQ(CellColor(screen, 8, HUD_TOP + 40), LightGray);
  EXPECT_EQ(CellGlyph(screen, 624, HUD_TOP + 24), 'W');
  EXPECT_EQ(CellGlyph(screen, 100, 60), 219);  // the cursor: a red block at the mouse pixel
  EXPECT_EQ(PixelColor(screen, 100, 60), Red);
}

TEST_F(FrameTest, MusicTurnsAlertOnlyWhenTheTurnWasTaken) {
  ASSERT_GE(musicPattern.patterns.size(), 2u);
  DrawFloor(*theMap, OpenField());
  player->x = 10;
  player->y = 10;
  RKEntity* guard = Put("Guard", 'g', LightBlue, 12, 10, false, true);

  playerMovedOrAttacked = false;
  Render();
  EXPECT_EQ(musicPattern.queuedPattern, nullptr);

  playerMovedOrAttacked = true;
  Render();
  EXPECT_EQ(musicPattern.queuedPattern, musicPattern.patterns[1]);

  guard->x = 40;  // out of view
  musicPattern.queuedPattern = nullptr;
  musicPattern.currentPatternName = musicPattern.patterns[1]->patternName;
  Render();
  EXPECT_EQ(musicPattern.queuedPattern, musicPattern.patterns[0]);
}

TEST_F(FrameTest, EveryFrameStartsFromABlackScreen) {
  DrawFloor(*theMap, OpenField());
  SDL_FillSurfaceRect(screen, nullptr, SDL_MapSurfaceRGB(screen, 255, 0, 255));
  // A panel shorter than its place leaves the bottom rows of the screen to the clear alone.
  SDL_Surface* fullPanel = panel;
  panel = SDL_CreateSurface(screen->w, 40, screen->format);
  ASSERT_NE(panel, nullptr);
  Render();
  SDL_DestroySurface(panel);
  panel = fullPanel;

  Uint8 r = 1, g = 1, b = 1, a = 0;
  SDL_ReadSurfacePixel(screen, 300, 390, &r, &g, &b, &a);
  EXPECT_EQ(Uint32(r) << 16 | Uint32(g) << 8 | b, 0u);
}

TEST_F(FrameTest, TheMenuBackgroundCopyRestoresTheFrame) {
  DrawFloor(*theMap, OpenField());
  player->x = 10;
  player->y = 10;
  Render();
  std::vector<Uint32> before;
  for (int y = 0; y < screen->h; y += 7) {
    for (int x = 0; x < screen->w; x += 5) {
      Uint8 r, g, b, a;
      SDL_ReadSurfacePixel(screen, x, y, &r, &g, &b, &a);
      before.push_back(Uint32(r) << 16 | Uint32(g) << 8 | b);
    }
  }
  CopyOfSurface();
  SDL_FillSurfaceRect(screen, nullptr, SDL_MapSurfaceRGB(screen, 255, 0, 255));
  RenderCopyOfSurface();
  std::size_t i = 0;
  for (int y = 0; y < screen->h; y += 7) {
    for (int x = 0; x < screen->w; x += 5) {
      Uint8 r, g, b, a;
      SDL_ReadSurfacePixel(screen, x, y, &r, &g, &b, &a);
      ASSERT_EQ(Uint32(r) << 16 | Uint32(g) << 8 | b, before[i++]) << x << "," << y;
    }
  }
}

// What the window's texture holds, drawn into a picture of its size and read back as RGB.
SDL_Surface* TexturePicture() {
  SDL_Texture* target = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_XRGB8888,
                                          SDL_TEXTUREACCESS_TARGET, screen->w, screen->h);
  SDL_SetRenderTarget(renderer, target);
  SDL_RenderTexture(renderer, texture, nullptr, nullptr);
  SDL_Surface* read = SDL_RenderReadPixels(renderer, nullptr);
  SDL_SetRenderTarget(renderer, nullptr);
  SDL_DestroyTexture(target);
  SDL_Surface* picture = read ? SDL_ConvertSurface(read, SDL_PIXELFORMAT_RGB24) : nullptr;
  SDL_DestroySurface(read);
  return picture;
}

// How many rows differ between two RGB pictures of the screen.
int RowsDiffering(SDL_Surface* shown, SDL_Surface* drawn) {
  int differing = 0;
  for (int y = 0; y < drawn->h; ++y) {
    const auto* a =
        static_cast<const Uint8*>(shown->pixels) + static_cast<std::ptrdiff_t>(y) * shown->pitch;
    const auto* b =
        static_cast<const Uint8*>(drawn->pixels) + static_cast<std::ptrdiff_t>(y) * drawn->pitch;
    if (std::memcmp(a, b, 3 * static_cast<std::size_t>(drawn->w)) != 0) ++differing;
  }
  return differing;
}

// Only the rows from the first that changed are sent to the texture; the window still shows the
// screen exactly after a change in the middle of it (the rows above kept from before) and one at
// its top.
TEST_F(FrameTest, TheWindowShowsTheScreenWhateverRowsChanged) {
  DrawFloor(*theMap, OpenField());
  player->x = 10;
  player->y = 10;
  const std::function<void()> changes[] = {
      [] {},                                               // the first frame: every row
      [this] { Put("Kit", '!', Magenta, 12, 10, true); },  // rows in the middle
      [] { mousePos = {8, 0}; },                           // the first row down
  };
  for (const auto& change : changes) {
    change();
    Render();
    SDL_Surface* shown = TexturePicture();
    SDL_Surface* drawn = SDL_ConvertSurface(screen, SDL_PIXELFORMAT_RGB24);
    ASSERT_NE(shown, nullptr) << SDL_GetError();
    ASSERT_NE(drawn, nullptr) << SDL_GetError();
    EXPECT_EQ(RowsDiffering(shown, drawn), 0);
    SDL_DestroySurface(shown);
    SDL_DestroySurface(drawn);
  }
}

// Names under the mouse need no window: only the map, the entities and the catalogue.
class NamesTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    UseTexts({{"hud.namesSeparator", ", "}});
    theMap = map;
    savedEntities.swap(entities);
  }
  void TearDown() override {
    for (RKEntity* entity : entities) delete entity;
    entities.swap(savedEntities);
    theMap = nullptr;
    mousePos = {};
    WorldTest::TearDown();
  }
  RKEntity* Named(const std::string& name, int x, int y) {
    RKKind kind = KindOf(RKKindId::UnconsciousGuard);
    kind.name = name.c_str();
    kind.glyph = '?';
    kind.color = White;
    RKEntity* entity = NewEntity(kind, x, y, map);
    entities.push_back(entity);
    return entity;
  }
  std::list<RKEntity*> savedEntities;
};

TEST_F(NamesTest, NamesOfWhatStandsInViewUnderTheMouse) {
  Named("Player", 3, 3);
  Named("Kit", 5, 3);
  Named("Guard", 5, 3);
  Named("Hidden", 7, 3);
  map->fov.assign(MAP_CELLS, true);
  map->fov[CellIndex(7, 3)] = false;

  struct Case {
    const char* name;
    int mouseX, mouseY;
    std::string names;
  };
  const Case cases[] = {
      {"the player's cell", 3 * 8 + 4, 3 * 8 + 7, "Player"},
      {"two entities in list order", 5 * 8, 3 * 8, "Kit, Guard"},
      {"a cell out of view", 7 * 8 + 1, 3 * 8 + 1, ""},
      {"an empty cell", 9 * 8, 3 * 8, ""},
      {"over the panel below the map", 3 * 8, 45 * 8, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    mousePos = {c.mouseX, c.mouseY};
    std::string text = "x";
    GetNamesUnderMouse(text);
    EXPECT_EQ(text, "x" + c.names) << "names are appended to what the text holds";
  }
}

}  // namespace
