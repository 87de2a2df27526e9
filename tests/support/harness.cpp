#include "support/harness.h"

#include <unistd.h>

#include <array>
#include <cstdlib>
#include <cstdint>
#include <random>

#include "game/lifecycle.h"
#include "game/globals.h"

namespace fs = std::filesystem;

namespace {

// The headless drivers, also when a suite is run by hand without CTest's environment: no
// display, no GL behind the software renderer, no sound device. What the caller set wins.
class HeadlessDrivers : public ::testing::Environment {
 public:
  void SetUp() override {
    setenv("SDL_VIDEO_DRIVER", "offscreen", 0);
    setenv("SDL_RENDER_DRIVER", "software", 0);
    setenv("SDL_FRAMEBUFFER_ACCELERATION", "0", 0);
    setenv("SDL_AUDIO_DRIVER", "dummy", 0);
  }
};

[[maybe_unused]] ::testing::Environment* const headlessDrivers =
    ::testing::AddGlobalTestEnvironment(new HeadlessDrivers);

}  // namespace

void HeadlessGame::SetUp() { ASSERT_TRUE(StartGame()) << "InitGame failed: " << SDL_GetError(); }

void HeadlessGame::TearDown() {
  if (started) {
    QuitGame();
    started = false;
  }
  folder.reset();
}

bool HeadlessGame::StartGame() {
  if (!folder) {
    folder = std::make_unique<RunFolder>();
  }
  ResetProgramState();
  started = true;  // QuitGame is safe after a partial start-up too
  return InitGame(640, 400, false);
}

// --- InputScript ---------------------------------------------------------------------------

InputScript::~InputScript() { Stop(); }

InputScript& InputScript::Add(Step step) {
  steps.push_back(std::move(step));
  return *this;
}

static SDL_Event KeyEvent(SDL_Scancode scancode, bool down, bool repeat) {
  SDL_Event e{};
  e.type = down ? SDL_EVENT_KEY_DOWN : SDL_EVENT_KEY_UP;
  e.key.timestamp = SDL_GetTicksNS();
  e.key.windowID = window ? SDL_GetWindowID(window) : 0;
  e.key.scancode = scancode;
  e.key.key = SDL_GetKeyFromScancode(scancode, SDL_KMOD_NONE, false);
  e.key.down = down;
  e.key.repeat = repeat;
  return e;
}

InputScript& InputScript::Key(SDL_Scancode scancode) {
  return Add({{KeyEvent(scancode, true, false), KeyEvent(scancode, false, false)}, {}});
}

InputScript& InputScript::Keys(std::initializer_list<SDL_Scancode> scancodes) {
  Step step;
  for (SDL_Scancode scancode : scancodes) step.events.push_back(KeyEvent(scancode, true, false));
  for (SDL_Scancode scancode : scancodes) step.events.push_back(KeyEvent(scancode, false, false));
  return Add(std::move(step));
}

InputScript& InputScript::KeyDown(SDL_Scancode scancode, bool repeat) {
  return Add({{KeyEvent(scancode, true, repeat)}, {}});
}

InputScript& InputScript::KeyUp(SDL_Scancode scancode) {
  return Add({{KeyEvent(scancode, false, false)}, {}});
}

// A motion event to the window position that shows game pixel (x, y), where SDL would report
// a real pointer over it.
static SDL_Event MotionTo(int x, int y) {
  SDL_Event e{};
  e.type = SDL_EVENT_MOUSE_MOTION;
  e.motion.windowID = window ? SDL_GetWindowID(window) : 0;
  e.motion.x = static_cast<float>(x);
  e.motion.y = static_cast<float>(y);
  if (renderer) {
    SDL_RenderCoordinatesToWindow(renderer, e.motion.x, e.motion.y, &e.motion.x, &e.motion.y);
  }
  return e;
}

InputScript& InputScript::MouseMove(int x, int y) { return Add({{MotionTo(x, y)}, {}}); }

InputScript& InputScript::Click(int x, int y, Uint8 button) {
  Step step;
  SDL_Event e = MotionTo(x, y);
  step.events.push_back(e);
  for (bool down : {true, false}) {
    SDL_Event b{};
    b.type = down ? SDL_EVENT_MOUSE_BUTTON_DOWN : SDL_EVENT_MOUSE_BUTTON_UP;
    b.button.windowID = e.motion.windowID;
    b.button.button = button;
    b.button.down = down;
    b.button.clicks = 1;
    b.button.x = e.motion.x;
    b.button.y = e.motion.y;
    step.events.push_back(b);
  }
  return Add(std::move(step));
}

InputScript& InputScript::Quit() {
  SDL_Event e{};
  e.type = SDL_EVENT_QUIT;
  return Add({{e}, {}});
}

InputScript& InputScript::Push(const SDL_Event& event) { return Add({{event}, {}}); }

InputScript& InputScript::Wait(int count) {
  for (int i = 0; i < count; ++i) Add({});
  return *this;
}

InputScript& InputScript::Probe(std::function<void()> fn) { return Add({{}, std::move(fn)}); }

void InputScript::Start(Uint32 intervalMs) {
  Stop();
  next = 0;
  timer = SDL_AddTimer(intervalMs, &InputScript::Tick, this);
}

void InputScript::Stop() {
  if (timer != 0) {
    SDL_RemoveTimer(timer);
    timer = 0;
  }
  // A probe queued on the main thread may still point at this script: let it run first.
  while (probePending.load() && SDL_WasInit(SDL_INIT_EVENTS)) {
    SDL_PumpEvents();
  }
}

void InputScript::RunProbe(void* self) {
  auto* script = static_cast<InputScript*>(self);
  script->steps[script->next.load() - 1].probe();
  script->probePending = false;
}

// Runs on SDL's timer thread: it only pushes events and hands probes to the main thread,
// never waiting for it, so a loop that has already ended cannot deadlock the script.
Uint32 InputScript::Tick(void* self, SDL_TimerID, Uint32 interval) {
  auto* script = static_cast<InputScript*>(self);
  if (script->probePending.load()) return interval;
  std::size_t index = script->next.load();
  if (index >= script->steps.size()) return 0;
  Step& step = script->steps[index];
  script->next = index + 1;
  for (SDL_Event e : step.events) {
    e.common.timestamp = SDL_GetTicksNS();
    SDL_PushEvent(&e);
  }
  if (step.probe) {
    script->probePending = true;
    if (!SDL_RunOnMainThread(&InputScript::RunProbe, script, false)) script->probePending = false;
  }
  return interval;
}

// --- Screen readers ------------------------------------------------------------------------

namespace {

// Shapes of the 256 glyphs of the font sheet: bit (row * 8 + column) set where there is ink.
const std::array<std::uint64_t, 256>& GlyphMasks() {
  static const std::array<std::uint64_t, 256> masks = [] {
    std::array<std::uint64_t, 256> result{};
    SDL_Surface* loaded = SDL_LoadPNG(TVK_DATA_DIR "/gfx/font.png");
    if (!loaded) return result;
    SDL_Surface* sheet = SDL_ConvertSurface(loaded, SDL_PIXELFORMAT_RGBA32);
    SDL_DestroySurface(loaded);
    if (!sheet) return result;
    for (int code = 0; code < 256; ++code) {
      int gx = (code % 16) * 8;
      int gy = (code / 16) * 8;
      for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
          Uint8 r, g, b, a;
          SDL_ReadSurfacePixel(sheet, gx + x, gy + y, &r, &g, &b, &a);
          if (a != 0) result[code] |= std::uint64_t{1} << (y * 8 + x);
        }
      }
    }
    SDL_DestroySurface(sheet);
    return result;
  }();
  return masks;
}

std::uint64_t CellMask(SDL_Surface* surface, int px, int py) {
  std::uint64_t mask = 0;
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      Uint8 r = 0, g = 0, b = 0, a = 0;
      SDL_ReadSurfacePixel(surface, px + x, py + y, &r, &g, &b, &a);
      if (r != 0 || g != 0 || b != 0) mask |= std::uint64_t{1} << (y * 8 + x);
    }
  }
  return mask;
}

}  // namespace

int CellColor(SDL_Surface* surface, int px, int py) {
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      Uint8 r = 0, g = 0, b = 0, a = 0;
      SDL_ReadSurfacePixel(surface, px + x, py + y, &r, &g, &b, &a);
      if (r == 0 && g == 0 && b == 0) continue;
      for (int i = 0; i < 16; ++i) {
        if (EGAColors[i].r == r && EGAColors[i].g == g && EGAColors[i].b == b) return i;
      }
      return -1;
    }
  }
  return -1;
}

int CellGlyph(SDL_Surface* surface, int px, int py) {
  const auto& masks = GlyphMasks();
  std::uint64_t mask = CellMask(surface, px, py);
  // Printable ASCII first, so that a blank reads as 32 rather than as an unused code.
  for (int code = 32; code < 256; ++code) {
    if (masks[code] == mask) return code;
  }
  for (int code = 0; code < 32; ++code) {
    if (masks[code] == mask) return code;
  }
  return -1;
}

std::string CellText(SDL_Surface* surface, int px, int py, int cells) {
  std::string text;
  for (int i = 0; i < cells; ++i) {
    int code = CellGlyph(surface, px + 8 * i, py);
    text += code < 0 ? '?' : static_cast<char>(code);
  }
  return text;
}

void SavePng(SDL_Surface* surface, const std::string& path) {
  if (!SDL_SavePNG(surface, path.c_str())) {
    ADD_FAILURE() << "could not save " << path << ": " << SDL_GetError();
  }
}
