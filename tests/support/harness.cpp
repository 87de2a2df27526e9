#include "support/harness.h"

#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <thread>

#include "app/frames.h"
#include "app/globals.h"
#include "core/globals.h"
#include "input/input.h"
#include "music/music.h"
#include "play/lifecycle.h"

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
    // The offscreen window never has the focus that a pad's events otherwise wait for.
    setenv("SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS", "1", 0);
  }
};

[[maybe_unused]] ::testing::Environment* const HEADLESS_DRIVERS =
    ::testing::AddGlobalTestEnvironment(new HeadlessDrivers);

}  // namespace

// --- Stepped frames -------------------------------------------------------------------------

namespace {

// After the script has run out, the game may go on asking for input for this long (a frame
// that ends the loop anyway) before the test fails and the game is asked to close.
constexpr std::uint64_t RUN_OUT_GRACE_MS = 1000;
// A loop that ignores this many close requests in a row would never end: the test program
// ends instead of hanging until the runner kills it.
constexpr int CLOSE_REQUESTS_BEFORE_GIVING_UP = 1000;

bool stepping = false;
std::uint64_t steppedNow = 0;
InputScript* playing = nullptr;

std::uint64_t gameWaits = 0;

std::uint64_t SteppedNow() { return steppedNow; }

void SteppedSleep(std::uint64_t ms) {
  if (ms > 0) ++gameWaits;
  steppedNow += ms;
}

SDL_Event CloseRequestEvent() {
  SDL_Event e{};
  e.type = SDL_EVENT_QUIT;
  return e;
}

}  // namespace

bool SteppedNextEvent(SDL_Event& event, int timeoutMs) {
  // What SDL queued itself (window events, say) comes first, as it would.
  if (SDL_PollEvent(&event)) return true;
  if (playing != nullptr) return playing->NextEvent(event, timeoutMs);
  if (timeoutMs == 0) return false;
  ADD_FAILURE() << "the game waits for input, and no script plays";
  event = CloseRequestEvent();
  return true;
}

std::uint64_t GameWaits() { return gameWaits; }

void UseSteppedFrames() {
  frameSource = {SteppedNow, SteppedSleep, SteppedNextEvent};
  stepping = true;
  steppedNow = 0;
  gameWaits = 0;
  playing = nullptr;
}

void UseSdlFrames() {
  frameSource = SDL_FRAME_SOURCE;
  stepping = false;
  playing = nullptr;
}

// --- HeadlessGame --------------------------------------------------------------------------

void HeadlessGame::SetUp() { ASSERT_TRUE(StartGame()) << "InitGame failed: " << SDL_GetError(); }

void HeadlessGame::TearDown() {
  if (started) {
    // Shut-down fades the music out on the audio device, which takes half a second of real
    // time; no test of the running game listens to it (the music suite does).
    StopMusic();
    QuitGame();
    started = false;
  }
  UseSdlFrames();
  folder.reset();
}

bool HeadlessGame::StartGame() {
  if (!folder) {
    folder = std::make_unique<RunFolder>();
  }
  ResetProgramState();
  UseSteppedFrames();
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

InputScript& InputScript::Act(RKAction action) { return Add({{ActionEvent(action)}, {}}); }

InputScript& InputScript::Do(std::function<void()> fn) {
  Step step;
  step.act = std::move(fn);
  return Add(std::move(step));
}

InputScript& InputScript::Quit() { return Add({{CloseRequestEvent()}, {}}); }

InputScript& InputScript::Push(const SDL_Event& event) { return Add({{event}, {}}); }

InputScript& InputScript::Wait(int steps) {
  for (int i = 0; i < steps; ++i) Add({});
  return *this;
}

InputScript& InputScript::Idle(int ms) {
  Step step;
  step.idleMs = static_cast<std::uint64_t>(ms);
  return Add(std::move(step));
}

InputScript& InputScript::Probe(std::function<void()> fn) { return Add({{}, std::move(fn)}); }

void InputScript::Start() {
  if (!stepping) ADD_FAILURE() << "an input script needs the stepped frames of HeadlessGame";
  Stop();
  next = 0;
  takenAt = steppedNow;  // the first step comes once the game has waited
  quietUntil = 0;
  ranOut = false;
  closeRequestsSent = 0;
  playing = this;
}

void InputScript::Stop() {
  if (playing == this) playing = nullptr;
  pending.clear();
}

bool InputScript::StepDue() const { return steppedNow != takenAt && steppedNow >= quietUntil; }

bool InputScript::NextEvent(SDL_Event& event, int timeoutMs) {
  bool waited = false;
  for (;;) {
    // What SDL queued meanwhile (a probe may push a window event) comes first, as it would.
    if (SDL_PollEvent(&event)) return true;
    if (!pending.empty()) {
      event = pending.front();
      pending.pop_front();
      event.common.timestamp = SDL_MS_TO_NS(steppedNow);
      return true;
    }
    if (StepDue()) {
      if (next < steps.size()) {
        const Step& step = steps[next++];
        if (step.probe) {
          const std::function<void()> probe = step.probe;  // it may add steps
          probe();
          continue;  // between frames: the next step is due as this one was
        }
        takenAt = steppedNow;
        quietUntil = steppedNow + step.idleMs;
        pending.assign(step.events.begin(), step.events.end());
        if (step.act) {
          const std::function<void()> act = step.act;
          act();
        }
        continue;
      }
      if (RanOut(event)) return true;
    }
    // Nothing comes now: a poll takes what the frame has, a wait lets its time pass once (a
    // wait without limit until something comes).
    if (timeoutMs == 0 || (waited && timeoutMs > 0)) return false;
    steppedNow += timeoutMs > 0 ? static_cast<std::uint64_t>(timeoutMs) : FRAME_MS;
    if (!waited) ++gameWaits;
    waited = true;
  }
}

bool InputScript::RanOut(SDL_Event& event) {
  if (!ranOut) {
    ranOut = true;
    ranOutAt = steppedNow;
  }
  if (steppedNow - ranOutAt < RUN_OUT_GRACE_MS) return false;
  if (closeRequestsSent++ == 0) {
    ADD_FAILURE() << "the script ran out while the game still asked for input";
  }
  if (closeRequestsSent > CLOSE_REQUESTS_BEFORE_GIVING_UP) {
    std::fputs("a loop of the game ignores close requests and never returns\n", stderr);
    std::_Exit(1);
  }
  // One close request per frame or wait, as a step would come.
  takenAt = steppedNow;
  event = CloseRequestEvent();
  event.common.timestamp = SDL_MS_TO_NS(steppedNow);
  return true;
}

// --- Virtual pads -------------------------------------------------------------------------

VirtualPad::VirtualPad(Uint16 vendor, Uint16 product) {
  SDL_VirtualJoystickDesc desc;
  SDL_INIT_INTERFACE(&desc);
  desc.type = SDL_JOYSTICK_TYPE_GAMEPAD;
  desc.vendor_id = vendor;
  desc.product_id = product;
  desc.naxes = SDL_GAMEPAD_AXIS_COUNT;
  desc.nbuttons = SDL_GAMEPAD_BUTTON_COUNT;
  desc.name = "TVK test pad";
  id = SDL_AttachVirtualJoystick(&desc);
  if (id == 0) {
    ADD_FAILURE() << "no virtual pad: " << SDL_GetError();
    return;
  }
  joystick = SDL_OpenJoystick(id);
  if (joystick == nullptr) ADD_FAILURE() << "the virtual pad does not open: " << SDL_GetError();
  // Its resting state first, as a real pad reports it when opened: SDL takes the first value of
  // each axis for its middle, to which it recentres the axis when the pad is pulled out.
  for (int axis = 0; axis < SDL_GAMEPAD_AXIS_COUNT; ++axis) {
    SDL_SetJoystickVirtualAxis(joystick, axis, 0);
  }
  SDL_UpdateJoysticks();
}

VirtualPad::~VirtualPad() { Unplug(); }

void VirtualPad::Set(SDL_GamepadButton button, bool down) {
  if (!joystick) return;
  SDL_SetJoystickVirtualButton(joystick, button, down);
  SDL_UpdateJoysticks();
}

void VirtualPad::Set(SDL_GamepadAxis axis, Sint16 value) {
  if (!joystick) return;
  SDL_SetJoystickVirtualAxis(joystick, axis, value);
  SDL_UpdateJoysticks();
}

void VirtualPad::Unplug() {
  if (joystick) SDL_CloseJoystick(joystick);
  joystick = nullptr;
  if (id != 0) SDL_DetachVirtualJoystick(id);
  id = 0;
}

InputScript& PadPress(InputScript& script, VirtualPad& pad, SDL_GamepadButton button) {
  return script.Do([&pad, button] {
    pad.Set(button, true);
    pad.Set(button, false);
  });
}

InputScript& PadHold(InputScript& script, VirtualPad& pad, SDL_GamepadButton button, bool down) {
  return script.Do([&pad, button, down] { pad.Set(button, down); });
}

InputScript& StickFlick(InputScript& script, VirtualPad& pad, Sint16 x, Sint16 y) {
  return script.Do([&pad, x, y] {
    pad.Set(SDL_GAMEPAD_AXIS_LEFTX, x);
    pad.Set(SDL_GAMEPAD_AXIS_LEFTY, y);
    pad.Set(SDL_GAMEPAD_AXIS_LEFTX, 0);
    pad.Set(SDL_GAMEPAD_AXIS_LEFTY, 0);
  });
}

bool PollUntil(std::chrono::milliseconds limit, const std::function<bool()>& condition,
               std::chrono::milliseconds every) {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(every);
  }
  return true;
}

// --- Screen readers ------------------------------------------------------------------------

namespace {

// Shapes of the 256 glyphs of the font sheet: bit (row * 8 + column) set where there is ink.
const std::array<std::uint64_t, 256>& GlyphMasks() {
  static const std::array<std::uint64_t, 256> MASKS = [] {
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
  return MASKS;
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
