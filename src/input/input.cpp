#include "input/input.h"

#include <SDL3/SDL.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/frames.h"
#include "app/window.h"
#include "core/globals.h"
#include "input/globals.h"
#include "localization/localization.h"
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
// clang-format off
const RKKeyMeaning MENU_KEYS[] = {
    {SDL_SCANCODE_RETURN, RKAction::Confirm},
    {SDL_SCANCODE_UP,     RKAction::Up},
    {SDL_SCANCODE_DOWN,   RKAction::Down},
    {SDL_SCANCODE_LEFT,   RKAction::Left},
    {SDL_SCANCODE_RIGHT,  RKAction::Right},
};
// clang-format on

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

// A direction handed in means a step in play and a marker's or the aim's step elsewhere.
struct RKDirection {
  RKAction move, step;
};
// in play              elsewhere
const RKDirection DIRECTIONS[] = {
    {RKAction::MoveUp, RKAction::Up},
    {RKAction::MoveDown, RKAction::Down},
    {RKAction::MoveLeft, RKAction::Left},
    {RKAction::MoveRight, RKAction::Right},
};

RKAction PushedAction(RKAction action, RKInputContext context) {
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

// --- Pads ---------------------------------------------------------------------------------------

// A held direction repeats after this long, and then once every PAD_REPEAT_MS: slower than a
// keyboard's repeat, and never more than one step in two frames.
constexpr std::uint64_t PAD_REPEAT_DELAY_MS = 400;
constexpr std::uint64_t PAD_REPEAT_MS = 150;
// The left stick leans into a direction past PRESS and lets it go again below RELEASE, so that
// a stick held near the edge does not flicker between the two.
constexpr Sint16 STICK_PRESS = 16000;
constexpr Sint16 STICK_RELEASE = 8000;

struct RKButtonMeaning {
  SDL_GamepadButton button;
  RKAction action;
};

// The buttons whose meaning in menus, boxes, the inventory and aiming is fixed, so that no
// rebinding can lock a player out. Every other button there is Other.
// button                              action
const RKButtonMeaning PAD_MENU_BUTTONS[] = {
    {SDL_GAMEPAD_BUTTON_DPAD_UP, RKAction::Up},
    {SDL_GAMEPAD_BUTTON_DPAD_DOWN, RKAction::Down},
    {SDL_GAMEPAD_BUTTON_DPAD_LEFT, RKAction::Left},
    {SDL_GAMEPAD_BUTTON_DPAD_RIGHT, RKAction::Right},
    {SDL_GAMEPAD_BUTTON_SOUTH, RKAction::Confirm},
    {SDL_GAMEPAD_BUTTON_START, RKAction::Confirm},
    {SDL_GAMEPAD_BUTTON_EAST, RKAction::Cancel},
};

bool IsDirection(SDL_GamepadButton button) {
  return button == SDL_GAMEPAD_BUTTON_DPAD_UP || button == SDL_GAMEPAD_BUTTON_DPAD_DOWN ||
         button == SDL_GAMEPAD_BUTTON_DPAD_LEFT || button == SDL_GAMEPAD_BUTTON_DPAD_RIGHT;
}

RKAction MenuButton(SDL_GamepadButton button) {
  for (const RKButtonMeaning& meaning : PAD_MENU_BUTTONS) {
    if (meaning.button == button) {
      return meaning.action;
    }
  }
  return RKAction::Other;
}

// The command bound to the button in play. A button bound to take and to the stairs (the
// default's face button) does both in one: the item on the cell, or else the stairs.
RKAction PadCommand(SDL_GamepadButton button) {
  bool take = false;
  bool stairs = false;
  RKAction first = RKAction::None;
  for (const auto& [command, bound] : padButtons) {
    if (bound != button) {
      continue;
    }
    take = take || command == ActionTake;
    stairs = stairs || command == ActionUse;
    if (first == RKAction::None) {
      first = ActionOf(command);
    }
  }
  return take && stairs ? RKAction::ActOnCell : first;
}

RKAction ButtonAction(SDL_GamepadButton button, RKInputContext context) {
  switch (context) {
    case RKInputContext::Play:
      return button == SDL_GAMEPAD_BUTTON_START ? RKAction::Leave : PadCommand(button);
    case RKInputContext::Menu:
    case RKInputContext::Inventory:
      return MenuButton(button);
    case RKInputContext::Capture:
      selectedButton = button;
      return RKAction::Captured;
    case RKInputContext::Aim: {
      const RKAction action = MenuButton(button);
      return action == RKAction::Other ? RKAction::None : action;
    }
  }
  return RKAction::None;
}

void Hold(SDL_GamepadButton direction, SDL_JoystickID pad) {
  heldDirection = direction;
  heldBy = pad;
  nextRepeatAt = Now() + PAD_REPEAT_DELAY_MS;
}

void LetGo(SDL_GamepadButton direction, SDL_JoystickID pad) {
  if (heldDirection == direction && heldBy == pad) {
    heldDirection = SDL_GAMEPAD_BUTTON_INVALID;
  }
}

// A press of the pad's button, as a D-pad's press or a stick's lean makes it.
RKInput PadPress(SDL_GamepadButton button, SDL_JoystickID pad, RKInputContext context) {
  lastPadType = SDL_GetGamepadTypeForID(pad);
  if (IsDirection(button)) {
    Hold(button, pad);
  }
  RKInput input;
  input.device = RKDevice::Pad;
  input.action = ButtonAction(button, context);
  return input;
}

// The direction the stick leans into past `reach` along its stronger axis; none when neither
// axis reaches it.
SDL_GamepadButton Leaning(int reach) {
  const int across = std::abs(static_cast<int>(stickX));
  const int along = std::abs(static_cast<int>(stickY));
  if (across < reach && along < reach) {
    return SDL_GAMEPAD_BUTTON_INVALID;
  }
  if (across > along) {
    return stickX < 0 ? SDL_GAMEPAD_BUTTON_DPAD_LEFT : SDL_GAMEPAD_BUTTON_DPAD_RIGHT;
  }
  return stickY < 0 ? SDL_GAMEPAD_BUTTON_DPAD_UP : SDL_GAMEPAD_BUTTON_DPAD_DOWN;
}

// A new direction needs the full lean; the one held stays until the stick falls back below the
// release, so that a stick held near the edge does not flicker, nor turn on its way home.
SDL_GamepadButton StickDirection() {
  const SDL_GamepadButton pressed = Leaning(STICK_PRESS);
  if (pressed != SDL_GAMEPAD_BUTTON_INVALID) {
    return pressed;
  }
  return Leaning(STICK_RELEASE) == stickDirection ? stickDirection : SDL_GAMEPAD_BUTTON_INVALID;
}

// The left stick is a second D-pad: leaning it far enough presses a direction.
RKInput StickMoved(const SDL_GamepadAxisEvent& axis, RKInputContext context) {
  if (axis.axis == SDL_GAMEPAD_AXIS_LEFTX) {
    stickX = axis.value;
  } else if (axis.axis == SDL_GAMEPAD_AXIS_LEFTY) {
    stickY = axis.value;
  } else {
    return {};
  }
  const SDL_GamepadButton leaning = StickDirection();
  if (leaning == stickDirection) {
    return {};
  }
  LetGo(stickDirection, axis.which);
  stickDirection = leaning;
  if (leaning == SDL_GAMEPAD_BUTTON_INVALID) {
    return {};
  }
  return PadPress(leaning, axis.which, context);
}

// A pad plugged in is opened, so that its events come; one pulled out lets go of what it held.
void PadPlugged(const SDL_GamepadDeviceEvent& device, bool added) {
  if (added) {
    SDL_OpenGamepad(device.which);
    return;
  }
  if (heldBy == device.which) {
    heldDirection = SDL_GAMEPAD_BUTTON_INVALID;
  }
  stickDirection = SDL_GAMEPAD_BUTTON_INVALID;
  stickX = 0;
  stickY = 0;
  if (SDL_Gamepad* pad = SDL_GetGamepadFromID(device.which)) {
    SDL_CloseGamepad(pad);
  }
}

// The held direction's next repeat, when it is due.
bool RepeatDue() { return heldDirection != SDL_GAMEPAD_BUTTON_INVALID && Now() >= nextRepeatAt; }

RKInput TakeRepeat(RKInputContext context) {
  nextRepeatAt = std::max(nextRepeatAt + PAD_REPEAT_MS, Now());
  RKInput input;
  input.device = RKDevice::Pad;
  input.action = ButtonAction(heldDirection, context);
  return input;
}

// A wait of timeoutMs cut short where the held direction repeats.
int WaitUntilRepeat(int timeoutMs) {
  if (heldDirection == SDL_GAMEPAD_BUTTON_INVALID) {
    return timeoutMs;
  }
  const std::uint64_t now = Now();
  const int untilRepeat = nextRepeatAt > now ? static_cast<int>(nextRepeatAt - now) : 0;
  return timeoutMs == NO_TIME_LIMIT ? untilRepeat : std::min(timeoutMs, untilRepeat);
}

// --- Texts ------------------------------------------------------------------------------------

std::string T(const std::string& key) {
  return gLocalization != nullptr ? gLocalization->T(key) : key;
}

std::string TFormat(const std::string& key, const std::vector<std::string>& tokens) {
  return gLocalization != nullptr ? gLocalization->TFormat(key, tokens) : key;
}

// The texts that name keys, and their forms for a pad: {0} is its confirm button, {1} its
// cancel button.
struct RKPadText {
  const char* key;
  const char* padKey;
};
// key                                   for a pad
const RKPadText PAD_TEXTS[] = {
    {"message.stunPrompt", "pad.stunPrompt"},
    {"message.pepperPrompt", "pad.pepperPrompt"},
    {"inventory.dropPrompt", "pad.dropPrompt"},
    {"inventory.usePrompt", "pad.usePrompt"},
    {"menu.loadingFailed.returnMainMenu", "pad.pressButton"},
    {"menu.saveFailed.pressKey", "pad.pressButton"},
    {"menu.help.returnMainMenu", "pad.helpReturn"},
    {"help.miscHeader", "pad.helpHeader"},
    {"help.mouse", "pad.help"},
    {"help.keysHeader", "pad.keysHeader"},
    {"options.changeKey.prompt", "pad.changeKeyPrompt"},
    {"options.changeMusicVolume.return", "pad.volumeReturn"},
};

// The text keys of the buttons that have no label of their own on any pad.
struct RKButtonText {
  SDL_GamepadButton button;
  const char* key;
};
// button                                text key
const RKButtonText OTHER_BUTTONS[] = {
    {SDL_GAMEPAD_BUTTON_DPAD_UP, "pad.dpadUp"},
    {SDL_GAMEPAD_BUTTON_DPAD_DOWN, "pad.dpadDown"},
    {SDL_GAMEPAD_BUTTON_DPAD_LEFT, "pad.dpadLeft"},
    {SDL_GAMEPAD_BUTTON_DPAD_RIGHT, "pad.dpadRight"},
    {SDL_GAMEPAD_BUTTON_START, "pad.start"},
    {SDL_GAMEPAD_BUTTON_BACK, "pad.back"},
    {SDL_GAMEPAD_BUTTON_LEFT_SHOULDER, "pad.leftShoulder"},
    {SDL_GAMEPAD_BUTTON_RIGHT_SHOULDER, "pad.rightShoulder"},
    {SDL_GAMEPAD_BUTTON_LEFT_STICK, "pad.leftStick"},
    {SDL_GAMEPAD_BUTTON_RIGHT_STICK, "pad.rightStick"},
};

// The text key of the button's label on the pad last pressed; empty for a button without one.
std::string PadLabelKey(SDL_GamepadButton button) {
  switch (SDL_GetGamepadButtonLabelForType(lastPadType, button)) {
    case SDL_GAMEPAD_BUTTON_LABEL_A:
      return "pad.a";
    case SDL_GAMEPAD_BUTTON_LABEL_B:
      return "pad.b";
    case SDL_GAMEPAD_BUTTON_LABEL_X:
      return "pad.x";
    case SDL_GAMEPAD_BUTTON_LABEL_Y:
      return "pad.y";
    case SDL_GAMEPAD_BUTTON_LABEL_CROSS:
      return "pad.cross";
    case SDL_GAMEPAD_BUTTON_LABEL_CIRCLE:
      return "pad.circle";
    case SDL_GAMEPAD_BUTTON_LABEL_SQUARE:
      return "pad.square";
    case SDL_GAMEPAD_BUTTON_LABEL_TRIANGLE:
      return "pad.triangle";
    case SDL_GAMEPAD_BUTTON_LABEL_UNKNOWN:
      break;
  }
  for (const RKButtonText& text : OTHER_BUTTONS) {
    if (text.button == button) {
      return text.key;
    }
  }
  return "";
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
    case SDL_EVENT_MOUSE_BUTTON_DOWN:
      // The pointer counts on the map: in play, where it names what lies under it, and while
      // aiming. A menu leaves the game's cursor where play had it.
      if (context == RKInputContext::Play || context == RKInputContext::Aim) {
        TrackMouse(event);
      }
      input.device = RKDevice::Mouse;
      if (event.type == SDL_EVENT_MOUSE_BUTTON_DOWN) {
        input.action = ClickAction(event.button, context);
      }
      break;
    case SDL_EVENT_GAMEPAD_ADDED:
    case SDL_EVENT_GAMEPAD_REMOVED:
      PadPlugged(event.gdevice, event.type == SDL_EVENT_GAMEPAD_ADDED);
      break;
    case SDL_EVENT_GAMEPAD_BUTTON_DOWN:
      input = PadPress(static_cast<SDL_GamepadButton>(event.gbutton.button), event.gbutton.which,
                       context);
      break;
    case SDL_EVENT_GAMEPAD_BUTTON_UP:
      LetGo(static_cast<SDL_GamepadButton>(event.gbutton.button), event.gbutton.which);
      break;
    case SDL_EVENT_GAMEPAD_AXIS_MOTION:
      input = StickMoved(event.gaxis, context);
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
  const std::uint64_t deadline = Now() + static_cast<std::uint64_t>(std::max(timeoutMs, 0));
  for (;;) {
    if (RepeatDue()) {
      input = TakeRepeat(context);
      break;
    }
    int wait = timeoutMs;
    if (timeoutMs > 0) {
      const std::uint64_t now = Now();
      wait = deadline > now ? static_cast<int>(deadline - now) : 0;
    }
    SDL_Event event;
    if (NextEvent(event, WaitUntilRepeat(wait))) {
      input = Translate(event, context);
      break;
    }
    // The wait ended without an event: for the held direction's repeat, or for good.
    if (!RepeatDue()) {
      return false;
    }
  }
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
  if (lastInput.action != RKAction::Captured) {
    return false;
  }
  if (lastInput.device == RKDevice::Keyboard && selectedKey != SDL_SCANCODE_ESCAPE) {
    BindKey(action, selectedKey);
    return true;
  }
  // Start leaves a game, and the cancel button cancels a capture as Escape does.
  if (lastInput.device == RKDevice::Pad && selectedButton != SDL_GAMEPAD_BUTTON_START &&
      selectedButton != SDL_GAMEPAD_BUTTON_EAST) {
    BindPadButton(action, selectedButton);
    return true;
  }
  return false;
}

std::string BindingLine(RKActionTypes action, const std::string& label) {
  if (lastDevice != RKDevice::Pad) {
    return SetMenuOptionOfKeybinding(action, label);
  }
  auto binding = padButtons.find(action);
  return binding == padButtons.end() ? label : label + PadButtonName(binding->second);
}

std::string PadButtonName(SDL_GamepadButton button) {
  const std::string key = PadLabelKey(button);
  if (!key.empty()) {
    return T(key);
  }
  // A button without a label of its own (a paddle, a touchpad) by its number.
  return T("pad.otherButton") + " " + std::to_string(static_cast<int>(button));
}

std::string PromptText(const std::string& key) {
  if (lastDevice == RKDevice::Pad) {
    for (const RKPadText& text : PAD_TEXTS) {
      if (key == text.key) {
        return TFormat(text.padKey, {PadButtonName(SDL_GAMEPAD_BUTTON_SOUTH),
                                     PadButtonName(SDL_GAMEPAD_BUTTON_EAST)});
      }
    }
  }
  return T(key);
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
