// The world's hot paths: the field of view, a whole generated and populated floor, a full frame
// of play against the least any frame must cost (the "floor" of rendering), and a frame's
// input taken through the game's event source against SDL's own poll.
//
// The frame benchmarks run the real start-up with SDL's dummy video driver in a throw-away
// folder holding a copy of the game's data.

#include <benchmark/benchmark.h>

#include <SDL3/SDL.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <list>
#include <string>
#include <vector>

#include "cson/cson.h"
#include "dungeon/map.h"
#include "game/frames.h"
#include "game/globals.h"
#include "game/lifecycle.h"
#include "localization/localization.h"
#include "persistence/savegame.h"
#include "ui/font.h"
#include "core/message.h"
#include "ui/render.h"
#include "world/entity.h"
#include "world/fighter.h"

namespace fs = std::filesystem;

namespace {

// A map, a player and a floor for the benchmarks that need no window.
struct Floor {
  RKMap map;
  RKEntity* player = new RKEntity;
  std::list<RKEntity*> onFloor{player};
  std::vector<DeathFunction> deaths;
  std::vector<UseFunction> uses;

  Floor() {
    player->Init(0, 0, '@', "Player", LightGreen, &map, true, true, nullptr, nullptr, nullptr,
                 nullptr, nullptr);
  }
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
  for (auto _ : state) {
    floor.map.ComputeFOV(floor.player);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_ComputeFOV)->Unit(benchmark::kMicrosecond);

void BM_CreateMap(benchmark::State& state) {
  Floor floor;
  int number = 0;
  for (auto _ : state) {
    floor.Generate(1 + number++ % 10);
    benchmark::DoNotOptimize(floor.onFloor.size());
  }
}
BENCHMARK(BM_CreateMap)->Unit(benchmark::kMicrosecond);

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
    if (started) Populate();
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
    RKFighter* fighter = new RKFighter;
    fighter->Init(100, 1, 2, 1, 0, nullptr, nullptr);
    player = new RKEntity;
    player->Init(0, 0, '@', "Player", LightGreen, theMap, true, true, fighter, nullptr, nullptr,
                 nullptr, nullptr);
    entities.push_back(player);
    theMap->CreateMap(8, player, entities, funcVec, useFuncVec, true);
    for (RKTile* tile : theMap->tiles) tile->explored = true;
    for (int i = 0; i < 8; ++i) message->SetMessage("the guard hits you for 3 hit points", false);
    mousePos = {player->x * 8, player->y * 8};
  }
};

// The main thread's own CPU time: the machine is shared, and time spent descheduled says
// nothing about the frame. Wall time is reported beside it.
double ThreadCpuNs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}

double WallNs() {
  return std::chrono::duration<double, std::nano>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

struct FrameCost {
  double cpuNs = 0.0;
  double wallNs = 0.0;
};
FrameCost floorCost;
FrameCost renderCost;

// Runs the frame for every iteration of the state and returns its mean cost.
template <typename Frame>
FrameCost Measure(benchmark::State& state, Frame frame) {
  double cpuStart = ThreadCpuNs();
  double wallStart = WallNs();
  for (auto _ : state) frame();
  double n = static_cast<double>(state.iterations());
  return {(ThreadCpuNs() - cpuStart) / n, (WallNs() - wallStart) / n};
}

// What any frame must do: clear the three surfaces, draw every map cell, put the map on the
// screen and upload the screen.
void BM_RenderFloor(benchmark::State& state) {
  if (!Game::Start()) {
    state.SkipWithError("InitGame failed");
    return;
  }
  floorCost = Measure(state, [] {
    SDL_FillSurfaceRect(screen, nullptr, SDL_MapSurfaceRGB(screen, 0, 0, 0));
    SDL_FillSurfaceRect(mapPanel, nullptr, SDL_MapSurfaceRGB(mapPanel, 0, 0, 0));
    SDL_FillSurfaceRect(panel, nullptr, SDL_MapSurfaceRGB(panel, 0, 0, 0));
    for (int y = 0; y < MAP_HEIGHT; ++y) {
      for (int x = 0; x < MAP_WIDTH; ++x) font->DrawChar(mapPanel, '#', x * 8, y * 8, Blue);
    }
    SDL_BlitSurface(mapPanel, nullptr, screen, nullptr);
    SDL_UpdateTexture(texture, nullptr, screen->pixels, screen->pitch);
  });
  state.counters["cpu_us"] = floorCost.cpuNs / 1000.0;
}
BENCHMARK(BM_RenderFloor)->Unit(benchmark::kMillisecond);

void BM_Render(benchmark::State& state) {
  if (!Game::Start()) {
    state.SkipWithError("InitGame failed");
    return;
  }
  FrameCost render = Measure(state, [] { Render(); });
  renderCost = render;
  state.counters["cpu_us"] = render.cpuNs / 1000.0;
  // Goal: within 1.5 times the floor measured in the same run.
  if (floorCost.cpuNs > 0.0) {
    state.counters["vs_floor"] = render.cpuNs / floorCost.cpuNs;
    state.counters["vs_floor_wall"] = render.wallNs / floorCost.wallNs;
  }
}
BENCHMARK(BM_Render)->Unit(benchmark::kMillisecond);

// A frame's input as the turn loop takes it, an empty queue drained, through the game's event
// source and through SDL's own poll. Goal: the source costs nothing a frame would notice, a
// ratio of about 1.0 measured in the same run.
FrameCost sdlPollCost;

void BM_PollEventsSdl(benchmark::State& state) {
  if (!Game::Start()) {
    state.SkipWithError("InitGame failed");
    return;
  }
  sdlPollCost = Measure(state, [] {
    SDL_Event polled;
    while (SDL_PollEvent(&polled)) {
    }
  });
  state.counters["cpu_ns"] = sdlPollCost.cpuNs;
}
BENCHMARK(BM_PollEventsSdl);

void BM_PollEventsNextEvent(benchmark::State& state) {
  if (!Game::Start()) {
    state.SkipWithError("InitGame failed");
    return;
  }
  FrameCost next = Measure(state, [] {
    SDL_Event polled;
    while (NextEvent(polled, 0)) {
    }
  });
  state.counters["cpu_ns"] = next.cpuNs;
  if (sdlPollCost.cpuNs > 0.0) {
    state.counters["vs_sdl"] = next.cpuNs / sdlPollCost.cpuNs;
    state.counters["vs_sdl_wall"] = next.wallNs / sdlPollCost.wallNs;
  }
}
BENCHMARK(BM_PollEventsNextEvent);

// The costliest game a save file can hold and still be loaded, made from the ordinary one: as
// many entities as the loader takes, every one drawn, with names at their bound made of the
// unconscious prefix, half of them piled on the cell under the mouse; a million of a million
// hit points; a full pack of long names; six log lines at their bound.
bool LoadWorstAcceptedSave() {
  zokCSON::Value root;
  if (!SaveGame() || zokCSON::ParseFile("game.sav", root, nullptr) != zokCSON::ErrorCode::Ok) {
    return false;
  }
  std::string prefixed;
  while (prefixed.size() + 12 + 5 <= 256) prefixed += "Unconscious ";
  prefixed += "Guard";
  zokCSON::Value floor = zokCSON::Value::MakeArray();
  zokCSON::Value playerObject;
  for (const zokCSON::Value& entity : root["Entities"].AsArray()) {
    if (entity.Find("Name")->AsString() == "Player") playerObject = entity;
  }
  playerObject["HP"] = 1000000;
  playerObject["MaxHP"] = 1000000;
  floor.Append(playerObject);
  const int px = static_cast<int>(playerObject["X"].AsNumber());
  const int py = static_cast<int>(playerObject["Y"].AsNumber());
  for (int i = 1; i < 1000; ++i) {
    zokCSON::Value body = zokCSON::Value::MakeObject();
    body["X"] = i % 2 == 0 ? px : (i / 2) % MAP_WIDTH;
    body["Y"] = i % 2 == 0 ? py : (i / 2) / MAP_WIDTH;
    body["Appearance"] = 37;
    body["Color"] = 8;
    body["Name"] = prefixed;
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
    item["Name"] = prefixed;
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
  FrameCost worst = Measure(state, [] { Render(); });
  state.counters["cpu_us"] = worst.cpuNs / 1000.0;
  // Goal: no more than the ordinary frame measured in the same run (1.0).
  if (renderCost.cpuNs > 0.0) {
    state.counters["vs_render"] = worst.cpuNs / renderCost.cpuNs;
    state.counters["vs_render_wall"] = worst.wallNs / renderCost.wallNs;
  }
  fs::rename("ordinary.sav", "game.sav");
  std::string version;
  LoadGame(version);
}
BENCHMARK(BM_RenderWorstSave)->Unit(benchmark::kMillisecond);

}  // namespace
