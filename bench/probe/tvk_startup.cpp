// tvk-startup: one measured start of the game, for the start-up benchmark.
//
//   tvk-startup game|floor FOLDER
//
// Runs in FOLDER (a copy of the game's data) with SDL's dummy video and audio drivers.
// "game" runs the game's own start-up and main menu and stops at the first frame the menu
// presents; "floor" does the least any start-up must do: SDL_Init, one window, one renderer,
// one streaming texture and one present. Both print the main thread's CPU seconds from the
// start of main to that present ("total 0.0123"), the wall seconds ("wall 0.0150"), and one
// line per costly SDL call with the CPU seconds spent in it on the way ("phase MIX_LoadAudio
// 0.0041"), so that the benchmark can say where the time goes. The process then ends at once:
// a start-up measurement has nothing to save.
//
// The calls are timed by wrapping them at link time (-Wl,--wrap=NAME): the game's own code is
// measured unchanged.

#include <SDL3/SDL.h>
#include <SDL3_mixer/SDL_mixer.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "play/lifecycle.h"
#include "play/mainmenu.h"

namespace {

// The main thread's own CPU time: on a shared machine the wall time of a start varies by half
// with the other work, and SDL's audio thread mixes beside the start. The wall time is printed
// too.
double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

using Clock = std::chrono::steady_clock;
Clock::time_point wallStart;
double cpuStart = 0;

// Time spent inside each wrapped call, in the order of start-up.
struct Phase {
  const char* name;
  double seconds;
};
Phase phases[] = {
    {"SDL_Init", 0},          {"SDL_CreateWindow", 0},      {"SDL_CreateRenderer", 0},
    {"SDL_CreateTexture", 0}, {"MIX_CreateMixerDevice", 0}, {"MIX_LoadAudio", 0},
    {"SDL_CreateSurface", 0}, {"SDL_LoadPNG", 0},           {"SDL_ConvertSurface", 0},
    {"MIX_PlayTrack", 0},     {"SDL_RenderPresent", 0},
};
enum PhaseIndex {
  Init,
  Window,
  Renderer,
  Texture,
  Mixer,
  LoadAudio,
  Surface,
  LoadPng,
  Convert,
  PlayTrack,
  Present
};

struct Timed {
  PhaseIndex phase;
  double begin = CpuSeconds();
  ~Timed() { phases[phase].seconds += CpuSeconds() - begin; }
};

}  // namespace

extern "C" {

// Declares the real function NAME and defines its timed wrapper.
#define TVK_TIMED(PHASE, RESULT, NAME, PARAMS, ARGS) \
  RESULT __real_##NAME PARAMS;                       \
  RESULT __wrap_##NAME PARAMS {                      \
    Timed timed{PHASE};                              \
    return __real_##NAME ARGS;                       \
  }

TVK_TIMED(Init, bool, SDL_Init, (SDL_InitFlags flags), (flags))
TVK_TIMED(Window, SDL_Window*, SDL_CreateWindow,
          (const char* title, int w, int h, SDL_WindowFlags flags), (title, w, h, flags))
TVK_TIMED(Renderer, SDL_Renderer*, SDL_CreateRenderer, (SDL_Window * window, const char* name),
          (window, name))
TVK_TIMED(Texture, SDL_Texture*, SDL_CreateTexture,
          (SDL_Renderer * renderer, SDL_PixelFormat format, SDL_TextureAccess access, int w, int h),
          (renderer, format, access, w, h))
TVK_TIMED(Mixer, MIX_Mixer*, MIX_CreateMixerDevice,
          (SDL_AudioDeviceID device, const SDL_AudioSpec* spec), (device, spec))
TVK_TIMED(LoadAudio, MIX_Audio*, MIX_LoadAudio,
          (MIX_Mixer * mixer, const char* path, bool predecode), (mixer, path, predecode))
TVK_TIMED(Surface, SDL_Surface*, SDL_CreateSurface, (int w, int h, SDL_PixelFormat format),
          (w, h, format))
TVK_TIMED(LoadPng, SDL_Surface*, SDL_LoadPNG, (const char* file), (file))
TVK_TIMED(Convert, SDL_Surface*, SDL_ConvertSurface,
          (SDL_Surface * surface, SDL_PixelFormat format), (surface, format))
TVK_TIMED(PlayTrack, bool, MIX_PlayTrack, (MIX_Track * track, SDL_PropertiesID options),
          (track, options))

bool __real_SDL_RenderPresent(SDL_Renderer* renderer);

// The first present ends the measurement: the seconds since main began, then the share of
// each wrapped call.
bool __wrap_SDL_RenderPresent(SDL_Renderer* renderer) {
  bool presented;
  {
    Timed timed{Present};
    presented = __real_SDL_RenderPresent(renderer);
  }
  std::printf("total %.9f\n", CpuSeconds() - cpuStart);
  std::printf("wall %.9f\n", std::chrono::duration<double>(Clock::now() - wallStart).count());
  for (const Phase& phase : phases) std::printf("phase %s %.9f\n", phase.name, phase.seconds);
  std::fflush(stdout);
  std::_Exit(presented ? 0 : 1);
}

}  // extern "C"

namespace {

int RunFloor() {
  if (!SDL_Init(SDL_INIT_VIDEO | SDL_INIT_AUDIO)) return 1;
  // The window a first start of the game opens: its settings default to fullscreen, so the
  // one present fills the display, as the game's first frame does.
  SDL_Window* window = SDL_CreateWindow("floor", 640, 400, SDL_WINDOW_FULLSCREEN);
  SDL_Renderer* renderer = window ? SDL_CreateRenderer(window, nullptr) : nullptr;
  SDL_Texture* texture = renderer ? SDL_CreateTexture(renderer, SDL_GetWindowPixelFormat(window),
                                                      SDL_TEXTUREACCESS_STREAMING, 640, 400)
                                  : nullptr;
  if (texture == nullptr) return 1;
  static Uint32 pixels[640 * 400];
  SDL_UpdateTexture(texture, nullptr, pixels, 640 * 4);
  SDL_RenderClear(renderer);
  SDL_RenderTexture(renderer, texture, nullptr, nullptr);
  SDL_RenderPresent(renderer);
  return 1;  // not reached: the present ends the process
}

int RunGame() {
  if (InitGame(640, 400, true)) MainMenu();
  return 1;  // not reached unless start-up failed
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || (std::strcmp(argv[1], "game") != 0 && std::strcmp(argv[1], "floor") != 0)) {
    std::fprintf(stderr, "usage: tvk-startup game|floor FOLDER\n");
    return 2;
  }
  if (chdir(argv[2]) != 0) {
    std::perror(argv[2]);
    return 2;
  }
  setenv("SDL_VIDEO_DRIVER", "dummy", 1);
  setenv("SDL_AUDIO_DRIVER", "dummy", 1);
  wallStart = Clock::now();
  cpuStart = CpuSeconds();
  return std::strcmp(argv[1], "game") == 0 ? RunGame() : RunFloor();
}
