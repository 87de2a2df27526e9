// Arbitrary bytes as "game.sav": the reader must refuse or accept them without crashing, a game
// it accepts must be whole enough to be saved again, and drawing it must survive whatever it
// holds: a frame with the names under the mouse, and the pack listed in the inventory box.

#include <SDL3/SDL.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <list>
#include <string>

#include "app/globals.h"
#include "core/globals.h"
#include "core/message.h"
#include "dungeon/map.h"
#include "localization/localization.h"
#include "persistence/savegame.h"
#include "ui/font.h"
#include "ui/globals.h"
#include "ui/menu.h"
#include "ui/render.h"
#include "world/entity.h"

#include "fuzz_support.h"
#include "saveplay.h"

namespace {

// Nothing of one input's game is left for the next.
void EndRun() {
  EndGame();
  funcVec.clear();
  useFuncVec.clear();
  option.clear();
}

// What a loaded game shows: a frame with the mouse on the player's cell (so that whatever shares
// it is named), then the pack listed and drawn in its box, shown over the next frame.
void Draw() {
  mousePos = {player->x * GLYPH_SIZE, player->y * GLYPH_SIZE};
  Render();
  ListInventory();
  inventoryMessages = {gLocalization->T("inventory.usePrompt")};
  if (!DrawInventoryBox(inventoryMessages)) std::abort();  // a loaded pack always fits
  showInventory = true;
  Render();
  showInventory = false;
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
    Draw();
  } else if (result == LoadFailed && (player != nullptr || !entities.empty())) {
    std::abort();
  }
  EndRun();
  message->messages.clear();
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  tvkfuzz::MakeRunFolder("savegame");
  tvksaveplay::StartDrawing(TVK_DATA_DIR);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return tvkfuzz::RunInFolder(Run, data, size);
}
