#include "input/input.h"

#include <SDL3/SDL.h>

#include "app/frames.h"
#include "app/window.h"
#include "input/globals.h"
#include "persistence/globals.h"
#include "persistence/keybindings.h"

namespace {

// The event PushAction queues; its code is the action.
constexpr Uint32 ACTION_EVENT = SDL_EVENT_USER;

struct RKKeyMeaning {
  SDL_Scancode key;
  RKAction action;
};

// The keys whose meaning in menus and boxes is fixed, so that no rebinding can lock a player
// out of them. Every other key there is Other.
// key                    action
const RKKeyMeaning MENU_KEYS[] = {
    {SDL_SCANCODE_RETURN, RKAction::Confirm}, {SDL_SCANCODE_UP, RKAction::Up},
    {SDL_SCANCODE_DOWN, RKAction::Down},      {SDL_SCANCODE_LEFT, RKAction::Left},
    {SDL_SCANCODE_RIGHT, RKAction::Right},
};

RKAction MenuKey(SDL_Scancode key) {
  for (const RKKeyMeaning& meaning : MENU_KEYS) {
    if (meaning.key == key) {
      return meaning.action;
    }
  }
  return RKAction::Other;
}

// The command of the first action bound to the key, or None.
RKAction BoundCommand(SDL_Scancode key) {
  // No key (what the settings reader makes of a value no key has) is not a key SDL cannot
  // name (media keys report scancode 0 as well): it never matches.
  if (key == SDL_SCANCODE_UNKNOWN) {
    return RKAction::None;
  }
  for (const auto& [command, bound] : keyboard) {
    if (bound == key) {
      return ActionOf(command);
    }
  }
  return RKAction::None;
}

RKAction KeyAction(const SDL_KeyboardEvent& key, RKInputContext context, RKInput& input) {
  // In play and while aiming a held key acts once, not once per repeat; a menu's marker runs on.
  if (key.repeat && (context == RKInputContext::Play || context == RKInputContext::Aim)) {
    return RKAction::None;
  }
  if (key.scancode == SDL_SCANCODE_F2) {
    ToggleRelativeMouse();
    return RKAction::ToggleMouse;
  }
  switch (context) {
    case RKInputContext::Play:
      return key.scancode == SDL_SCANCODE_ESCAPE ? RKAction::Leave : BoundCommand(key.scancode);
    case RKInputContext::Menu:
      return MenuKey(key.scancode);
    case RKInputContext::Capture:
      selectedKey = key.scancode;
      return RKAction::Captured;
    case RKInputContext::Inventory:
      // The letters A to Z have the scancodes 4 to 29, by key position.
      if (key.scancode >= SDL_SCANCODE_A && key.scancode <= SDL_SCANCODE_Z) {
        input.letter = key.scancode - SDL_SCANCODE_A;
        return RKAction::Letter;
      }
      return RKAction::Other;
    case RKInputContext::Aim:
      return key.scancode == SDL_SCANCODE_ESCAPE ? RKAction::Cancel : RKAction::None;
  }
  return RKAction::None;
}

RKAction ClickAction(const SDL_MouseButtonEvent& button, RKInputContext context) {
  if (context != RKInputContext::Aim) {
    return RKAction::None;
  }
  if (button.button == SDL_BUTTON_LEFT) {
    return RKAction::PickTile;
  }
  return button.button == SDL_BUTTON_RIGHT ? RKAction::Cancel : RKAction::None;
}

// A direction means a step in play and a marker's or the aim's step elsewhere.
RKAction PushedAction(RKAction action, RKInputContext context) {
  struct RKDirection {
    RKAction move, step;
  };
  // in play          elsewhere
  const RKDirection DIRECTIONS[] = {
      {RKAction::MoveUp, RKAction::Up},
      {RKAction::MoveDown, RKAction::Down},
      {RKAction::MoveLeft, RKAction::Left},
      {RKAction::MoveRight, RKAction::Right},
  };
  if (context == RKInputContext::Capture && action != RKAction::Close) {
    return RKAction::Captured;
  }
  for (const RKDirection& direction : DIRECTIONS) {
    if (action == direction.move || action == direction.step) {
      return context == RKInputContext::Play ? direction.move : direction.step;
    }
  }
  if (action == RKAction::ToggleMouse) {
    ToggleRelativeMouse();
  }
  return action;
}

RKInput Translate(SDL_Event& event, RKInputContext context) {
  RKInput input;
  switch (event.type) {
    case SDL_EVENT_QUIT:
      quitRequested = true;
      input.action = RKAction::Close;
      break;
    case SDL_EVENT_KEY_DOWN:
      input.action = KeyAction(event.key, context, input);
      break;
    case SDL_EVENT_MOUSE_MOTION:
      TrackMouse(event);
      input.device = RKDevice::Mouse;
      break;
    case SDL_EVENT_MOUSE_BUTTON_DOWN:
      TrackMouse(event);
      input.device = RKDevice::Mouse;
      input.action = ClickAction(event.button, context);
      break;
    case ACTION_EVENT:
      input.device = RKDevice::Page;
      input.action = PushedAction(static_cast<RKAction>(event.user.code), context);
      if (input.action == RKAction::Close) {
        quitRequested = true;
      }
      break;
    default:
      break;
  }
  return input;
}

}  // namespace

bool NextInput(RKInput& input, RKInputContext context, int timeoutMs) {
  SDL_Event event;
  if (!NextEvent(event, timeoutMs)) {
    return false;
  }
  input = Translate(event, context);
  if (input.action != RKAction::None) {
    lastInput = input;
    // The prompts follow the hands: a key or a click shows keys, a pad's button its buttons.
    if (input.device != RKDevice::Page) {
      lastDevice = input.device == RKDevice::Mouse ? RKDevice::Keyboard : input.device;
    }
  }
  return true;
}

SDL_Event ActionEvent(RKAction action) {
  SDL_Event event{};
  event.type = ACTION_EVENT;
  event.user.code = static_cast<Sint32>(action);
  return event;
}

void PushAction(RKAction action) {
  SDL_Event event = ActionEvent(action);
  SDL_PushEvent(&event);
}

bool BindCapturedInput(RKActionTypes action) {
  if (lastInput.action != RKAction::Captured || lastInput.device != RKDevice::Keyboard ||
      selectedKey == SDL_SCANCODE_ESCAPE) {
    return false;
  }
  BindKey(action, selectedKey);
  return true;
}

void RequestClose() { quitRequested = true; }

void WithdrawCloseRequest() { quitRequested = false; }

#ifdef __EMSCRIPTEN__
#include <emscripten.h>

// The page's controls hand the game an action (the values of RKAction) while it waits.
extern "C" EMSCRIPTEN_KEEPALIVE void TvkPushAction(int action) {
  if (action > static_cast<int>(RKAction::None) && action <= static_cast<int>(RKAction::Other)) {
    PushAction(static_cast<RKAction>(action));
  }
}
#endif
