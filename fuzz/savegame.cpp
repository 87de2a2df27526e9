// Arbitrary bytes as "game.sav": the reader must refuse or accept them without crashing, and a
// game it accepts must be whole enough to be saved again.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <list>
#include <string>

#include "dungeon/map.h"
#include "game/globals.h"
#include "persistence/savegame.h"
#include "ui/message.h"
#include "world/entity.h"

#include "fuzz_support.h"

namespace {

void DeleteAll(std::list<RKEntity*>& list) {
  for (RKEntity* entity : list) delete entity;
  list.clear();
}

void EndGame() {
  DeleteAll(entities);
  DeleteAll(inventory);
  player = nullptr;
  delete theMap;
  theMap = nullptr;
  funcVec.clear();
  useFuncVec.clear();
}

int Run(const std::uint8_t* data, std::size_t size) {
  tvkfuzz::WriteInput("game.sav", data, size);

  std::string version;
  const int result = LoadGame(version);
  if (result == LoadOk) {
    // What the loader promises the turn loop: a full grid and a player standing on it.
    if (theMap == nullptr || !theMap->HasFloor() || theMap->fov.size() != MAP_CELLS ||
        player == nullptr || !InsideMap(player->x, player->y) || !SaveGame()) {
      std::abort();
    }
  } else if (result == LoadFailed && (player != nullptr || !entities.empty())) {
    std::abort();
  }
  EndGame();
  message->messages.clear();
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  tvkfuzz::MakeRunFolder("savegame");
  // The log only needs its list here; nothing is drawn.
  message = new RKMessage();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return tvkfuzz::RunInFolder(Run, data, size);
}
