// The mouse in a window of any size: the picture is scaled by one factor across and down and
// centred, and every pointer position is read as the game pixel shown under it.

#include <SDL3/SDL.h>
#include <gtest/gtest.h>

#include <string>

#include "app/globals.h"
#include "app/window.h"
#include "play/play_fixture.h"
#include "support/harness.h"

namespace {

TEST(WindowScale, LargestWholeMultipleOfThePictureThatFits) {
  struct Row {
    int width, height, scale;
  };
  // desktop         scale
  const Row rows[] = {
      {1920, 1050, 2},  // a 1080p desktop less its panel
      {3840, 2110, 5}, {2560, 1400, 3}, {1280, 800, 2},
      {1279, 800, 1},  {640, 400, 1},   {600, 400, 1},  // not even one fits: the picture's own size
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.width) + "x" + std::to_string(row.height));
    EXPECT_EQ(WholeScaleThatFits(row.width, row.height, 640, 400), row.scale);
  }
}

class MouseInAnyWindow : public PlayGame {
 protected:
  void Resize(int width, int height) {
    SetFullscreen(false);
    SDL_SetWindowSize(window, width, height);
    SDL_SyncWindow(window);
    int w = 0, h = 0;
    SDL_GetWindowSize(window, &w, &h);
    ASSERT_EQ(w, width);
    ASSERT_EQ(h, height);
  }
};

// Motion and clicks are pushed at window positions, as a pointer over a resized window sends
// them; the game must see the pixel of its picture under each, and draw its cursor there.
TEST_F(MouseInAnyWindow, EventsAreReadAsTheGamePixelUnderThePointer) {
  struct Row {
    const char* name;
    int windowWidth, windowHeight;
    float x, y;  // in the window
    int gameX, gameY;
  };
  // 1920x1080 shows the picture 2.7 times, 1728 pixels wide from x 96; 640x1000 shows it once,
  // from y 300.
  const Row rows[] = {
      {"middle", 1920, 1080, 960, 540, 320, 200},
      {"a cell off the corner", 1920, 1080, 96 + 2.7f * 100 + 1, 2.7f * 50 + 1, 100, 50},
      {"left bar", 1920, 1080, 10, 540, 0, 200},
      {"right bar, bottom", 1920, 1080, 1915, 1079, 639, 399},
      {"top bar", 640, 1000, 320, 100, 320, 0},
      {"bottom bar", 640, 1000, 20, 990, 20, 399},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Resize(row.windowWidth, row.windowHeight);
    for (SDL_EventType type : {SDL_EVENT_MOUSE_MOTION, SDL_EVENT_MOUSE_BUTTON_DOWN}) {
      SDL_Event e{};
      e.type = type;
      if (type == SDL_EVENT_MOUSE_MOTION) {
        e.motion.windowID = SDL_GetWindowID(window);
        e.motion.x = row.x;
        e.motion.y = row.y;
      } else {
        e.button.windowID = SDL_GetWindowID(window);
        e.button.button = SDL_BUTTON_MIDDLE;  // neither aims nor cancels
        e.button.down = true;
        e.button.x = row.x;
        e.button.y = row.y;
      }
      RKMousePos seen{-1, -1};
      int cursor = -1;  // colour of the pixel at the mouse: the cursor's corner
      InputScript script;
      mousePos = {};
      script.Push(e).Wait().Probe([&] {
        seen = mousePos;
        cursor = CellColor(screen, mousePos.x, mousePos.y);
      });
      Play(script);
      EXPECT_EQ(seen.x, row.gameX);
      EXPECT_EQ(seen.y, row.gameY);
      EXPECT_EQ(cursor, Red) << "no cursor drawn at the mouse";
      Resume();
    }
  }
}

}  // namespace
