// Arbitrary bytes as "game.sav": the reader must refuse or accept them without crashing, and a
// game it accepts must be whole enough to be saved again.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <list>
#include <string>

#include "dungeon/map.h"
#include "game/globals.h"
#include "persistence/savegame.h"
#include "ui/message.h"
#include "world/entity.h"

namespace {

// The reader works on a file of the working directory. Each run steps into a folder of its own
// and back out, so that libFuzzer's corpus paths and crash files stay where it expects them.
char startFolder[4096];
char runFolder[64];

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
  std::FILE* file = std::fopen("game.sav", "wb");
  if (file == nullptr) std::abort();
  std::fwrite(data, 1, size, file);
  std::fclose(file);

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
  char folder[] = "/tmp/tvk-fuzz-savegame-XXXXXX";
  if (mkdtemp(folder) == nullptr || getcwd(startFolder, sizeof startFolder) == nullptr) {
    std::perror("fuzz-savegame: cannot make a working folder");
    std::abort();
  }
  std::snprintf(runFolder, sizeof runFolder, "%s", folder);
  // The log only needs its list here; nothing is drawn.
  message = new RKMessage();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (chdir(runFolder) != 0) std::abort();
  const int result = Run(data, size);
  if (chdir(startFolder) != 0) std::abort();
  return result;
}
