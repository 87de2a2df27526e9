// Playing a saved game with keys made of bytes, shared by the saveplay fuzz target and the test
// that runs its crafted saves: the bytes become events, and (for the fuzz target) a frame source
// without window and clock feeds them to the real turn loop.
#pragma once

#include <SDL3/SDL.h>

#include <cstdint>
#include <cstdlib>
#include <deque>
#include <list>
#include <string>
#include <string_view>
#include <vector>

#include "app/frames.h"
#include "app/globals.h"
#include "core/globals.h"
#include "core/layout.h"
#include "core/message.h"
#include "dungeon/map.h"
#include "input/globals.h"
#include "localization/localization.h"
#include "persistence/globals.h"
#include "persistence/keybindings.h"
#include "persistence/savegame.h"
#include "play/lifecycle.h"
#include "play/turnloop.h"
#include "ui/font.h"
#include "ui/globals.h"
#include "world/entity.h"

namespace tvksaveplay {

// Parts the save from the keys in an input of the fuzz target.
inline constexpr std::string_view KEYS_MARK = "\n#KEYS\n";
// Longer games than this say nothing more and only cost time.
inline constexpr std::size_t MAX_EVENTS = 300;

inline SDL_Event KeyEvent(SDL_Scancode scancode) {
  SDL_Event event{};
  event.type = SDL_EVENT_KEY_DOWN;
  event.key.scancode = scancode;
  event.key.key = SDL_GetKeyFromScancode(scancode, SDL_KMOD_NONE, false);
  event.key.down = true;
  return event;
}

// A click at game pixel (x, y) of the 640 x 400 picture.
inline SDL_Event ClickEvent(int x, int y, Uint8 button) {
  SDL_Event event{};
  event.type = SDL_EVENT_MOUSE_BUTTON_DOWN;
  event.button.button = button;
  event.button.down = true;
  event.button.clicks = 1;
  event.button.x = static_cast<float>(x);
  event.button.y = static_cast<float>(y);
  return event;
}

// One event a byte: the commands under their default keys, the keys the boxes take (Return,
// Escape, Up, Down, the letters of the pack), and clicks on the cells around the player, which
// aim a thrown or sprayed item. A click takes the next byte as well, for its cell.
inline std::vector<SDL_Event> EventsOf(std::string_view bytes) {
  static const SDL_Scancode COMMANDS[] = {
      GetDefaultScancode(ActionMoveUp),
      GetDefaultScancode(ActionMoveDown),
      GetDefaultScancode(ActionMoveLeft),
      GetDefaultScancode(ActionMoveRight),
      GetDefaultScancode(ActionTake),
      GetDefaultScancode(ActionUse),
      GetDefaultScancode(ActionDrop),
      GetDefaultScancode(ActionInventory),
      GetDefaultScancode(ActionCharacterInfo),
      SDL_SCANCODE_RETURN,
      SDL_SCANCODE_ESCAPE,
      SDL_SCANCODE_UP,
      SDL_SCANCODE_DOWN,
  };
  constexpr std::size_t COMMAND_COUNT = std::size(COMMANDS);
  std::vector<SDL_Event> events;
  for (std::size_t at = 0; at < bytes.size() && events.size() < MAX_EVENTS; ++at) {
    const auto byte = static_cast<unsigned char>(bytes[at]);
    const unsigned choice = byte % 16;
    if (choice < COMMAND_COUNT) {
      events.push_back(KeyEvent(COMMANDS[choice]));
    } else if (choice == COMMAND_COUNT) {
      events.push_back(KeyEvent(static_cast<SDL_Scancode>(SDL_SCANCODE_A + (byte >> 4) % 6)));
    } else {
      // The cell: up to 7 cells away from the player in each direction, taken when played.
      const auto where = at + 1 < bytes.size() ? static_cast<unsigned char>(bytes[++at]) : 0;
      SDL_Event click = ClickEvent(where % 15, where / 15 % 15, 0);
      click.button.button = choice == COMMAND_COUNT + 1 ? SDL_BUTTON_LEFT : SDL_BUTTON_RIGHT;
      events.push_back(click);
    }
  }
  return events;
}

// A click's offset from the player, as EventsOf stored it, made a game pixel in the map.
inline void AimAtPlayer(SDL_Event& event) {
  if (event.type != SDL_EVENT_MOUSE_BUTTON_DOWN || player == nullptr) return;
  constexpr int HALF_CELL = GLYPH_SIZE / 2;
  const int cellX = player->x + static_cast<int>(event.button.x) - 7;
  const int cellY = player->y + static_cast<int>(event.button.y) - 7;
  event.button.x = static_cast<float>((cellX * GLYPH_SIZE) + HALF_CELL);
  event.button.y = static_cast<float>((cellY * GLYPH_SIZE) + HALF_CELL);
}

// ---- The fuzz target's own game: surfaces without a window, a clock that moves only when the
// ---- game waits, and the events of the input, one a frame.

inline std::deque<SDL_Event> queued;
inline std::uint64_t ticks = 0;
inline bool takenThisFrame = false;

inline std::uint64_t Now() { return ticks; }
inline void Sleep(std::uint64_t ms) {
  ticks += ms;
  takenThisFrame = false;
}
// The frame's event, one at most while the game only looks (a timeout of 0); once the keys are
// spent a close request, which every loop gives way to.
inline bool Next(SDL_Event& event, int timeoutMs) {
  if (timeoutMs == 0 && takenThisFrame) return false;
  if (timeoutMs != 0) ticks += 1;
  takenThisFrame = true;
  if (queued.empty()) {
    event = SDL_Event{};
    event.type = SDL_EVENT_QUIT;
    return true;
  }
  event = queued.front();
  queued.pop_front();
  AimAtPlayer(event);
  return true;
}

inline SDL_Surface* Surface(int width, int height) {
  SDL_Surface* surface = SDL_CreateSurface(width, height, screenFormat);
  if (surface == nullptr) std::abort();
  return surface;
}

// The game's drawing surfaces without a window (presenting a frame then does nothing), its font,
// log and English texts, so that names take their prefix text and boxes their titles.
inline void StartDrawing(const std::string& dataDir) {
  RegisterLoadEntries();
  screenFormat = SDL_PIXELFORMAT_XRGB8888;
  screen = Surface(640, 400);
  tempSurface = Surface(640, 400);
  mapPanel = Surface(640, 320);
  panel = Surface(640, 80);
  inventoryPanel = Surface(456, 40);
  font = new RKFont();
  if (!font->Init(dataDir + "/gfx/font.png", screenFormat)) std::abort();
  message = new RKMessage();
  message->Init(panel);
  gLocalization = new RKLocalization();
  gLocalization->availableLanguages.push_back({"en", "English", dataDir + "/languages/en.cson"});
  if (!gLocalization->LoadLanguageByCode("en")) std::abort();
}

// What StartDrawing sets up, with the default settings and the frames above.
inline void StartHeadless(const std::string& dataDir) {
  StartDrawing(dataDir);
  SetDefaultGameSettings();
  musicEnabled = false;
  frameSource = {Now, Sleep, Next};
}

// Nothing of one input's game is left for the next.
inline void EndRun() {
  EndGame();
  option.clear();
  message->messages.clear();
  quitRequested = false;
}

// Loads game.sav; when accepted, plays the keys and reads back what leaving saved. False when
// the game wrote a save the loader refuses.
inline bool PlaySavedGame(std::string_view keys) {
  std::string version;
  bool whole = true;
  if (LoadGame(version) == LoadOk) {
    const std::vector<SDL_Event> events = EventsOf(keys);
    queued.assign(events.begin(), events.end());
    takenThisFrame = false;
    RunGame();
    quitRequested = false;
    // The exit leaves without saving: the file is still the one just loaded.
    whole = LoadGame(version) == LoadOk;
  }
  EndRun();
  return whole;
}

}  // namespace tvksaveplay
