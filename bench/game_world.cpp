// The world's hot paths: the field of view, a whole generated and populated floor, a full frame
// of play against the least any frame must cost (the "floor" of rendering), continuing a saved
// game against reading its file, and a frame's input taken through the game's event source
// against SDL's own poll.
//
// The frame and save benchmarks run the real start-up with SDL's dummy video driver in a
// throw-away folder holding a copy of the game's data. The frames are timed by the main
// thread's own CPU time: SDL's audio thread and the other work on a shared machine say nothing
// about a frame.

#include <benchmark/benchmark.h>

#include <SDL3/SDL.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <list>
#include <string>
#include <vector>

#include "app/frames.h"
#include "app/globals.h"
#include "app/window.h"
#include "core/globals.h"
#include "core/layout.h"
#include "core/message.h"
#include "cpu_time.h"
#include "cson/cson.h"
#include "dungeon/map.h"
#include "localization/localization.h"
#include "persistence/savegame.h"
#include "play/lifecycle.h"
#include "ui/font.h"
#include "ui/globals.h"
#include "ui/render.h"
#include "ui/screen.h"
#include "world/entity.h"
#include "world/fighter.h"
#include "world/kinds.h"

namespace fs = std::filesystem;

namespace {

// A map, a player and a floor for the benchmarks that need no window.
struct Floor {
  RKMap map;
  RKEntity* player = NewEntity(KindOf(RKKindId::Player), 0, 0, &map);
  std::list<RKEntity*> onFloor{player};
  std::vector<DeathFunction> deaths;
  std::vector<UseFunction> uses;

  ~Floor() {
    for (RKEntity* entity : onFloor) delete entity;
  }
  void Generate(int floor) {
    for (RKEntity* entity : onFloor) {
      if (entity != player) delete entity;
    }
    onFloor = {player};
    map.CreateMap(floor, player, onFloor, deaths, uses, true);
  }
};

void BM_ComputeFOV(benchmark::State& state) {
  Floor floor;
  floor.Generate(5);
  tvkbench::MeasureCpu(state, [&] {
    floor.map.ComputeFOV(floor.player);
    benchmark::ClobberMemory();
  });
}
BENCHMARK(BM_ComputeFOV)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_CreateMap(benchmark::State& state) {
  Floor floor;
  int number = 0;
  tvkbench::MeasureCpu(state, [&] {
    floor.Generate(1 + number++ % 10);
    benchmark::DoNotOptimize(floor.onFloor.size());
  });
}
BENCHMARK(BM_CreateMap)->UseManualTime()->Unit(benchmark::kMicrosecond);

// The real game, started once for the frame benchmarks and shut down at exit.
class Game {
 public:
  static bool Start() {
    static Game game;
    return game.started;
  }

 private:
  fs::path folder;
  fs::path previous;
  bool started = false;

  Game() {
    previous = fs::current_path();
    folder = fs::temp_directory_path() / ("tvk-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    fs::copy(TVK_DATA_DIR, folder, fs::copy_options::recursive);
    fs::current_path(folder);
    setenv("SDL_VIDEO_DRIVER", "dummy", 1);
    setenv("SDL_AUDIO_DRIVER", "dummy", 1);
    started = InitGame(640, 400, false);
    // A window of the game's own size, so that presenting copies the frame one to one: a
    // fullscreen dummy display would add a scaling pass to whatever size it pretends to be.
    if (started && SetFullscreen(false)) SDL_SyncWindow(window);
    // The save of this floor is what the save benchmarks read; a save holds a game in play,
    // and the loader refuses any other.
    if (started) Populate();
    gameState = Playing;
    if (started) started = SaveGame();
  }

  ~Game() {
    QuitGame();
    std::error_code ignored;
    fs::current_path(previous, ignored);
    fs::remove_all(folder, ignored);
  }

  // A populated floor, explored throughout, with a full log: the busiest ordinary frame.
  static void Populate() {
    theMap = new RKMap;
    player = NewEntity(KindOf(RKKindId::Player), 0, 0, theMap);
    entities.push_back(player);
    theMap->CreateMap(8, player, entities, funcVec, useFuncVec, true);
    for (RKTile* tile : theMap->tiles) tile->explored = true;
    for (int i = 0; i < 8; ++i) message->SetMessage("the guard hits you for 3 hit points", false);
    mousePos = {player->x * 8, player->y * 8};
  }
};

// What any frame must do: clear the three surfaces, draw every map cell, put the map on the
// screen and upload the screen.
void BM_RenderFloor(benchmark::State& state) {
  if (!Game::Start()) {
    state.SkipWithError("InitGame failed");
    return;
  }
  tvkbench::MeasureCpu(state, [] {
    SDL_FillSurfaceRect(screen, nullptr, SDL_MapSurfaceRGB(screen, 0, 0, 0));
    SDL_FillSurfaceRect(mapPanel, nullptr, SDL_MapSurfaceRGB(mapPanel, 0, 0, 0));
    SDL_FillSurfaceRect(panel, nullptr, SDL_MapSurfaceRGB(panel, 0, 0, 0));
    for (int y = 0; y < MAP_HEIGHT; ++y) {
      for (int x = 0; x < MAP_WIDTH; ++x) font->DrawChar(mapPanel, '#', x * 8, y * 8, Blue);
    }
    SDL_BlitSurface(mapPanel, nullptr, screen, nullptr);
    SDL_UpdateTexture(texture, nullptr, screen->pixels, screen->pitch);
  });
}
BENCHMARK(BM_RenderFloor)->UseManualTime()->Unit(benchmark::kMillisecond);

// Goal: within 1.5 times the floor.
void BM_Render(benchmark::State& state) {
  if (!Game::Start()) {
    state.SkipWithError("InitGame failed");
    return;
  }
  state.SetLabel("peer=BM_RenderFloor goal=1.5");
  tvkbench::MeasureCpu(state, [] { Render(); });
}
BENCHMARK(BM_Render)->UseManualTime()->Unit(benchmark::kMillisecond);

// A frame whose picture changed, as when the mouse moves: drawn as BM_Render draws it, then
// uploaded and presented, which a frame equal to the one on screen skips (BM_Render's case).
// The web page's frame is measured against this one: both are the whole frame.
void BM_RenderShown(benchmark::State& state) {
  if (!Game::Start()) {
    state.SkipWithError("InitGame failed");
    return;
  }
  const RKMousePos still = mousePos;
  // The frame on screen has the cursor where it stands still, and every measured frame has it
  // one or two cells to the right of that: each of them differs from the one before.
  Render();
  const std::uint64_t shownBefore = FramesShown();
  std::int64_t frames = 0;
  tvkbench::MeasureCpu(state, [&] {
    mousePos = {still.x + GLYPH_SIZE * static_cast<int>(1 + frames++ % 2), still.y};
    Render();
  });
  mousePos = still;
  if (FramesShown() - shownBefore != static_cast<std::uint64_t>(frames)) {
    state.SkipWithError("a frame was not shown");
  }
}
BENCHMARK(BM_RenderShown)->UseManualTime()->Unit(benchmark::kMillisecond);

// Reading the game's own save of the populated floor: the file alone, and continuing the game
// from it (LoadGame), whose share beyond reading must stay small.
void BM_ReadSaveFile(benchmark::State& state) {
  if (!Game::Start()) {
    state.SkipWithError("InitGame failed");
    return;
  }
  tvkbench::MeasureCpu(state, [] {
    zokCSON::Value root;
    zokCSON::ParseFile("game.sav", root, nullptr);
    benchmark::DoNotOptimize(root);
  });
  state.counters["doc_bytes"] = static_cast<double>(fs::file_size("game.sav"));
}
BENCHMARK(BM_ReadSaveFile)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_LoadGame(benchmark::State& state) {
  if (!Game::Start()) {
    state.SkipWithError("InitGame failed");
    return;
  }
  state.SetLabel("peer=BM_ReadSaveFile");
  std::string version;
  bool loaded = true;
  tvkbench::MeasureCpu(state, [&] { loaded = loaded && LoadGame(version) == LoadOk; });
  if (!loaded) state.SkipWithError("LoadGame failed");
}
BENCHMARK(BM_LoadGame)->UseManualTime()->Unit(benchmark::kMicrosecond);

// A frame's input as the turn loop takes it, an empty queue drained, through the game's event
// source and through SDL's own poll. Goal: the source costs nothing a frame would notice, a
// ratio of about 1.0 measured in the same run.
void BM_PollEventsSdl(benchmark::State& state) {
  if (!Game::Start()) {
    state.SkipWithError("InitGame failed");
    return;
  }
  tvkbench::MeasureCpu(state, [] {
    SDL_Event polled;
    while (SDL_PollEvent(&polled)) {
    }
  });
}
BENCHMARK(BM_PollEventsSdl)->UseManualTime()->Unit(benchmark::kNanosecond);

void BM_PollEventsNextEvent(benchmark::State& state) {
  if (!Game::Start()) {
    state.SkipWithError("InitGame failed");
    return;
  }
  state.SetLabel("peer=BM_PollEventsSdl");
  tvkbench::MeasureCpu(state, [] {
    SDL_Event polled;
    while (NextEvent(polled, 0)) {
    }
  });
}
BENCHMARK(BM_PollEventsNextEvent)->UseManualTime()->Unit(benchmark::kNanosecond);

// The costliest game a save file can hold and still be loaded, made from the ordinary one: as
// many entities as the loader takes, every one drawn, half of them piled on the cell under the
// mouse; a million of a million hit points; a full pack of the longest item name; six log lines
// at their bound.
bool LoadWorstAcceptedSave() {
  zokCSON::Value root;
  if (!SaveGame() || zokCSON::ParseFile("game.sav", root, nullptr) != zokCSON::ErrorCode::Ok) {
    return false;
  }
  const std::string bodyName = "Unconscious Guard";  // the loader takes no other prefixed name
  const std::string itemName = "Tranquilizer Gun";   // the longest name a pack item has
  zokCSON::Value floor = zokCSON::Value::MakeArray();
  zokCSON::Value playerObject;
  for (const zokCSON::Value& entity : root["Entities"].AsArray()) {
    if (entity.Find("Name")->AsString() == "Player") playerObject = entity;
  }
  if (!playerObject.IsObject()) {
    return false;
  }
  playerObject["HP"] = 1000000;
  playerObject["MaxHP"] = 1000000;
  playerObject["Level"] = 1000000;  // enough levels for that many hit points
  floor.Append(playerObject);
  const int px = static_cast<int>(playerObject["X"].AsNumber());
  const int py = static_cast<int>(playerObject["Y"].AsNumber());
  for (int i = 1; i < 1000; ++i) {
    zokCSON::Value body = zokCSON::Value::MakeObject();
    body["X"] = i % 2 == 0 ? px : (i / 2) % MAP_WIDTH;
    body["Y"] = i % 2 == 0 ? py : (i / 2) / MAP_WIDTH;
    body["Appearance"] = 37;
    body["Color"] = 8;
    body["Name"] = bodyName;
    body["Blocks"] = false;
    body["Visible"] = true;
    body["Equippable"] = false;
    body["Fighter"] = false;
    floor.Append(std::move(body));
  }
  root["Entities"] = std::move(floor);
  zokCSON::Value pack = zokCSON::Value::MakeArray();
  for (int i = 1; i <= 26; ++i) {
    zokCSON::Value item = zokCSON::Value::MakeObject();
    item["Order"] = i;
    item["Name"] = itemName;
    pack.Append(std::move(item));
  }
  root["InventoryItems"] = std::move(pack);
  zokCSON::Value log = zokCSON::Value::MakeArray();
  for (int i = 0; i < 6; ++i) {
    zokCSON::Value line = zokCSON::Value::MakeObject();
    line["Order"] = i;
    line["Message"] = std::string(1024, 'W');
    log.Append(std::move(line));
  }
  root["GameMessages"] = std::move(log);
  std::string version;
  return zokCSON::WriteFile("game.sav", root, {}, nullptr) && LoadGame(version) == LoadOk;
}

void BM_RenderWorstSave(benchmark::State& state) {
  if (!Game::Start()) {
    state.SkipWithError("InitGame failed");
    return;
  }
  // The ordinary game is kept and put back afterwards.
  gameState = Playing;  // a save holds a game in play
  fs::remove("ordinary.sav");
  if (!SaveGame() || !fs::copy_file("game.sav", "ordinary.sav") || !LoadWorstAcceptedSave()) {
    state.SkipWithError("the worst accepted save could not be made or loaded");
    return;
  }
  mousePos = {player->x * 8, player->y * 8};
  // Goal: about what an ordinary frame costs. It draws a thousand more bodies and the longest
  // names, so "no more than" would be met only by the noise of the run; without the loader's
  // limits and the bar's clamp one such frame took most of a second.
  state.SetLabel("peer=BM_Render goal=1.25");
  tvkbench::MeasureCpu(state, [] { Render(); });
  fs::rename("ordinary.sav", "game.sav");
  std::string version;
  LoadGame(version);
}
BENCHMARK(BM_RenderWorstSave)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
