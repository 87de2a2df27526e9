#include "play/play_fixture.h"

#include "app/globals.h"
#include "core/globals.h"
#include "core/message.h"
#include "dungeon/map.h"
#include "play/progression.h"
#include "play/turnloop.h"
#include "world/basicenemy.h"
#include "world/entity.h"
#include "world/equipment.h"
#include "world/fighter.h"
#include "world/item.h"
#include "world/kinds.h"
#include "world/rect.h"
#include "world/tile.h"

std::string Capitalised(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    }
  }
  return text;
}

int PixelOf(int cell) { return cell * 8 + 4; }

void PlayGame::SetUp() {
  HeadlessGame::SetUp();
  if (HasFatalFailure()) {
    return;
  }
  ASSERT_TRUE(NewGame());
}

void PlayGame::OpenArena() {
  for (auto it = entities.begin(); it != entities.end();) {
    if (*it == player) {
      ++it;
    } else {
      delete *it;
      it = entities.erase(it);
    }
  }
  RKRect arena;
  arena.Init(24, 9, 32, 22);
  theMap->CreateRoom(arena);
  player->x = PLAYER_X;
  player->y = PLAYER_Y;
  theMap->tiles[CellIndex(PLAYER_X, PLAYER_Y)]->blocked = true;
  RefreshView();
}

void PlayGame::RefreshView() { theMap->ComputeFOV(player); }

RKEntity* PlayGame::AddGuard(int x, int y, int hp) {
  RKKind kind = KindOf(RKKindId::Guard);
  kind.fighter.hp = hp;
  RKEntity* guard = NewEntity(kind, x, y, theMap, EnemyDeath);
  theMap->tiles[CellIndex(x, y)]->blocked = true;
  entities.push_back(guard);
  return guard;
}

RKEntity* PlayGame::MakeItem(RKKindId id, int x, int y) {
  const RKKind& kind = KindOf(id);
  RKEntity* entity = NewEntity(kind, x, y, theMap, nullptr, UseFunctionOf(kind.use, useFuncVec));
  entities.push_front(entity);
  return entity;
}

void PlayGame::Carry(RKEntity* item) {
  entities.remove(item);
  inventory.push_back(item);
}

SDL_Scancode PlayGame::LetterOf(RKEntity* item) {
  int fromBack = 0;
  for (auto it = inventory.rbegin(); it != inventory.rend(); ++it, ++fromBack) {
    if (*it == item) {
      return static_cast<SDL_Scancode>(SDL_SCANCODE_A + fromBack);
    }
  }
  ADD_FAILURE() << item->name << " is not carried";
  return SDL_SCANCODE_UNKNOWN;
}

bool RelativeMouseModeWorks() {
  bool before = SDL_GetWindowRelativeMouseMode(window);
  bool works = SDL_SetWindowRelativeMouseMode(window, !before) &&
               SDL_GetWindowRelativeMouseMode(window) != before;
  SDL_SetWindowRelativeMouseMode(window, before);
  return works;
}

void PlayGame::Resume() {
  gameOver = false;
  gameState = Playing;
  playerAction = TurnTaken;
}

void PlayGame::Play(InputScript& script) {
  // A close saves the game and ends it. A test whose save fails, which keeps the game going,
  // closes a second time itself.
  script.Quit();
  script.Start();
  RunGame();
  script.Stop();
  quitRequested = false;
}

std::string PlayGame::LogText() const {
  std::string text;
  for (auto it = message->messages.rbegin(); it != message->messages.rend(); ++it) {
    text += *it + " ";
  }
  return text;
}

bool PlayGame::LogHas(const std::string& text) const { return LogCount(text) > 0; }

int PlayGame::LogCount(const std::string& text) const {
  std::string all = LogText();
  std::string wanted = Capitalised(text);
  int count = 0;
  for (std::size_t at = all.find(wanted); at != std::string::npos; at = all.find(wanted, at + 1)) {
    ++count;
  }
  return count;
}

int PlayGame::ScreenRowOf(const std::string& text) const {
  for (int y = 0; y + 8 <= screen->h; y += 4) {
    for (int x : {0, 4}) {
      std::string row = CellText(screen, x, y, (screen->w - x) / 8);
      if (row.find(text) != std::string::npos) {
        return y;
      }
    }
  }
  return -1;
}
