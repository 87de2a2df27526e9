// The menu suite needs no display and no sound device. CTest hands the suite only part of the
// headless environment, and SDL's offscreen video driver loads EGL on the first presented frame
// and unloads it again in SDL_Quit, so the sanitizer reports what EGL kept as leaks of an
// unknown module that no suppression can name. The dummy drivers have neither problem.

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class HeadlessDrivers : public testing::Environment {
 public:
  void SetUp() override {
    setenv("SDL_VIDEO_DRIVER", "dummy", 1);
    setenv("SDL_RENDER_DRIVER", "software", 0);
    setenv("SDL_AUDIO_DRIVER", "dummy", 0);
  }
};

[[maybe_unused]] testing::Environment* const headlessDrivers =
    testing::AddGlobalTestEnvironment(new HeadlessDrivers);

}  // namespace
