#include "app/window.h"

#include <SDL3/SDL.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <string>

#include "app/frames.h"
#include "app/globals.h"
#include "core/globals.h"

namespace {

// A fatal start-up step failed: say so with SDL's reason and give up.
bool Fail(std::ostream& stream, const char* what) {
  stream << what << SDL_GetError() << std::endl;
  return false;
}

const char* const ICON_FILE = "gfx/icon.png";

// A position in render coordinates as a game pixel: truncated, and clamped onto the picture
// (a pointer over the bars beside it stands at its edge).
RKMousePos OnPicture(float x, float y, int width, int height) {
  return {std::clamp(static_cast<int>(x), 0, width - 1),
          std::clamp(static_cast<int>(y), 0, height - 1)};
}

void DestroySurface(SDL_Surface*& surface) {
  if (surface) {
    SDL_DestroySurface(surface);
    surface = nullptr;
  }
}

}  // namespace

bool OpenWindow(int width, int height, bool useDefaultRenderer, bool startFullscreen) {
  if (!SDL_Init(SDL_INIT_VIDEO | SDL_INIT_AUDIO | SDL_INIT_GAMEPAD)) {
    return Fail(std::cerr, "Couldn't initialize SDL: ");
  }
  if (startFullscreen) {
    flags |= SDL_WINDOW_FULLSCREEN;
  }
  flags |= SDL_WINDOW_RESIZABLE;
  // Out of fullscreen the window is the largest whole multiple of the picture that the
  // desktop has room for, so every game pixel becomes an equal square of screen pixels.
  SDL_Rect desktop{0, 0, width, height};
  SDL_GetDisplayUsableBounds(SDL_GetPrimaryDisplay(), &desktop);
  const int scale = WholeScaleThatFits(desktop.w, desktop.h, width, height);
  std::string title = "Tower Vault Keeper (T.V.K.) v" + GAMEVERSION;
  // Hidden until its icon and its least size are set, so that the window manager knows them
  // from the first moment it shows the window.
  window =
      SDL_CreateWindow(title.c_str(), scale * width, scale * height, flags | SDL_WINDOW_HIDDEN);
  if (!window) {
    return Fail(std::cerr, "Couldn't set video mode: ");
  }
  // A smaller window would shrink the picture below one screen pixel per game pixel.
  SDL_SetWindowMinimumSize(window, width, height);
  SetWindowIcon();
  SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
  SDL_ShowWindow(window);
  renderer = SDL_CreateRenderer(window, useDefaultRenderer ? nullptr : "software");
  if (!renderer) {
    return Fail(std::cerr, "Couldn't create renderer: ");
  }
  // Only now: an OpenGL renderer makes the window anew, which drops its relative mouse mode.
  SDL_SetWindowRelativeMouseMode(window, MOUSE_CAPTURED_AT_START);
  // The frame keeps its shape in any window: one factor across and down, centred, with black
  // bars where the window's shape differs from the picture's.
  SDL_SetRenderLogicalPresentation(renderer, width, height, SDL_LOGICAL_PRESENTATION_LETTERBOX);
  SDL_HideCursor();
  screenFormat = SDL_GetWindowPixelFormat(window);
  if (screenFormat == SDL_PIXELFORMAT_UNKNOWN) {
    screenFormat = SDL_PIXELFORMAT_ABGR8888;
  }
  const SDL_DisplayMode* mode = SDL_GetCurrentDisplayMode(SDL_GetDisplayForWindow(window));
  if (!mode) {
    return Fail(std::cerr, "Unable to get current display mode information: ");
  }
  displayMode = *mode;
  return true;
}

bool CreateScreenSurfaces(int width, int height) {
  // Every frame is drawn into these and shown through the texture: without one of them the
  // first frame would fail, so start-up fails here with the reason instead.
  screen = CreateRGBSurface(width, height);
  if (!screen) {
    return Fail(std::cout, "Couldn't create new surface for the screen: ");
  }
  tempSurface = CreateRGBSurface(width, height);
  if (!tempSurface) {
    return Fail(std::cout, "Couldn't create new surface for the menus' background: ");
  }
  texture = SDL_CreateTexture(renderer, screenFormat, SDL_TEXTUREACCESS_STREAMING, width, height);
  if (!texture) {
    return Fail(std::cerr, "Couldn't create texture: ");
  }
  SDL_SetTextureScaleMode(texture, SDL_SCALEMODE_NEAREST);
  panel = CreateRGBSurface(width, 80);
  if (!panel) {
    return Fail(std::cout, "Couldn't create new surface for HUD: ");
  }
  mapPanel = CreateRGBSurface(640, 320);
  if (!mapPanel) {
    return Fail(std::cout, "Couldn't create new surface for map: ");
  }
  // The two panels are opaque and cover the screen between them: they are copied onto it, not
  // blended. A window whose pixels have alpha (a web page's) would blend them by default, the
  // dearest part of a frame there.
  SDL_SetSurfaceBlendMode(panel, SDL_BLENDMODE_NONE);
  SDL_SetSurfaceBlendMode(mapPanel, SDL_BLENDMODE_NONE);
  inventoryPanel = CreateRGBSurface(456, 40);
  if (!inventoryPanel) {
    return Fail(std::cout, "Couldn't create new surface for inventory: ");
  }
  return true;
}

void PlaceMouseOnPicture(int width, int height) {
  float windowX = 0, windowY = 0;
  SDL_GetMouseState(&windowX, &windowY);
  float x = windowX, y = windowY;
  SDL_RenderCoordinatesFromWindow(renderer, windowX, windowY, &x, &y);
  mousePos = OnPicture(x, y, width, height);
  if (mousePos.x != static_cast<int>(x) || mousePos.y != static_cast<int>(y)) {
    SDL_RenderCoordinatesToWindow(renderer, static_cast<float>(mousePos.x),
                                  static_cast<float>(mousePos.y), &windowX, &windowY);
    SDL_WarpMouseInWindow(window, windowX, windowY);
  }
}

void PlaceMouse(int x, int y) {
  if (screen != nullptr) {
    mousePos = OnPicture(static_cast<float>(x), static_cast<float>(y), screen->w, screen->h);
  }
}

void DestroyScreenSurfaces() {
  DestroySurface(mapPanel);
  DestroySurface(inventoryPanel);
  DestroySurface(panel);
  DestroySurface(tempSurface);
  DestroySurface(screen);
  if (texture) {
    SDL_DestroyTexture(texture);
    texture = nullptr;
  }
}

void CloseWindow() {
  if (renderer) {
    SDL_DestroyRenderer(renderer);
    renderer = nullptr;
  }
  if (window) {
    SDL_DestroyWindow(window);
    window = nullptr;
  }
  DestroySurface(windowIcon);
  SDL_Quit();
}

SDL_Surface* CreateRGBSurface(int width, int height) {
  SDL_Surface* surface = SDL_CreateSurface(width, height, screenFormat);
  if (!surface) {
    std::cout << "CreateRGBSurface failed: " << SDL_GetError() << std::endl;
  }
  return surface;
}

void SetWindowIcon() {
  std::error_code failure;
  if (!WINDOW_HAS_GAME_ICON || !std::filesystem::is_regular_file(ICON_FILE, failure)) {
    return;  // a folder or a device is no picture; silent, as a missing icon is
  }
  SDL_Surface* loaded = SDL_LoadPNG(ICON_FILE);
  if (!loaded) {
    return;
  }
  SDL_PixelFormat format =
      SDL_ISPIXELFORMAT_ALPHA(screenFormat) ? screenFormat : SDL_PIXELFORMAT_ABGR8888;
  // Every return from fullscreen loads the icon again: the one kept from the last is freed.
  DestroySurface(windowIcon);
  windowIcon = SDL_ConvertSurface(loaded, format);
  if (windowIcon) {
    SDL_SetWindowIcon(window, windowIcon);
  }
  SDL_DestroySurface(loaded);
}

bool SetFullscreen(bool on) {
  bool switched = SDL_SetWindowFullscreen(window, on);
  // Some platforms (X11) switch later, on their own time: wait, so that the window's flags
  // tell the new state to whoever reads them next.
  SDL_SyncWindow(window);
  return switched;
}

void ToggleRelativeMouse() {
  SDL_SetWindowRelativeMouseMode(window, !SDL_GetWindowRelativeMouseMode(window));
}

int WholeScaleThatFits(int areaWidth, int areaHeight, int width, int height) {
  if (width <= 0 || height <= 0) {
    return 1;
  }
  return std::max(1, std::min(areaWidth / width, areaHeight / height));
}

void TrackMouse(SDL_Event& event) {
  if (event.type != SDL_EVENT_MOUSE_MOTION && event.type != SDL_EVENT_MOUSE_BUTTON_DOWN) {
    return;
  }
  if (renderer) {
    SDL_ConvertEventToRenderCoordinates(renderer, &event);
  }
  const bool motion = event.type == SDL_EVENT_MOUSE_MOTION;
  mousePos = OnPicture(motion ? event.motion.x : event.button.x,
                       motion ? event.motion.y : event.button.y, screen->w, screen->h);
}

bool ToggleFullscreen() {
  if (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) {
    SetFullscreen(false);
    SetWindowIcon();
    return false;
  }
  SetFullscreen(true);
  return true;
}
