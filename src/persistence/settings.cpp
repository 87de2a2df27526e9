#include "persistence/settings.h"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <limits>
#include <stdexcept>
#include <string>

#include "app/frames.h"
#include "core/globals.h"
#include "cson/cson.h"
#include "localization/localization.h"
#include "persistence/globals.h"
#include "persistence/keybindings.h"

namespace {

// A settings file that exists but cannot be used is moved aside before start-up applies the
// defaults, which shut-down then writes: one typo must not cost the player every setting. One
// line on standard error says so. A missing file is a first start and says nothing.
void KeepUnusableFile(const std::string& path, const std::string& reason) {
  std::error_code failure;
  if (std::filesystem::symlink_status(path, failure).type() ==
      std::filesystem::file_type::not_found) {
    return;
  }
  const std::string kept = path + ".bad";
  std::filesystem::rename(path, kept, failure);
  std::cerr << path << " cannot be used (" << reason << "); ";
  if (failure) {
    std::cerr << "it could not be kept as " << kept << " (" << failure.message() << ")";
  } else {
    std::cerr << "it is kept as " << kept;
  }
  std::cerr << " and the default settings are used" << std::endl;
}

// Fullscreen and music: a boolean as it is, a number counts as on unless it is 0.
void ReadSwitch(const zokCSON::Value& root, const char* key, bool& setting) {
  const zokCSON::Value* value = root.Find(key);
  if (value == nullptr) {
    return;
  }
  if (value->IsBool()) {
    setting = value->AsBool();
  } else if (value->IsNumber()) {
    setting = value->AsNumber() != 0.0;
  }
}

void ReadVolume(const zokCSON::Value& root) {
  const zokCSON::Value* value = root.Find("MusicVolume");
  if (value == nullptr) {
    return;
  }
  const int maxVolume = MAX_MUSIC_VOLUME;
  int volume = musicVolume;
  if (value->IsNumber()) {
    volume = FileNumberToInt(value->AsNumber());
  } else if (value->IsBool()) {
    volume = value->AsBool() ? maxVolume : 0;
  }
  if (volume < 0) {
    volume = 0;
  } else if (volume > maxVolume) {
    volume = maxVolume;
  }
  musicVolume = volume;
}

// The scancode an element of "Keyboard" names; SDL_SCANCODE_UNKNOWN (no key) for values that
// are not numbers and for numbers no key of SDL's can have.
SDL_Scancode ElementScancode(const zokCSON::Value& member) {
  int code = 0;
  if (member.IsNumber()) {
    code = FileNumberToInt(member.AsNumber());
  } else if (member.IsBool()) {
    code = member.AsBool() ? 1 : 0;
  }
  if (code < 0 || code >= SDL_SCANCODE_COUNT) {
    return SDL_SCANCODE_UNKNOWN;
  }
  return static_cast<SDL_Scancode>(code);
}

// Binds the actions the file names; every action it leaves out keeps its default key, so the
// turn loop, the options menu and the writer always find all nine. Elements past the last action
// are dropped: no command could ever use them.
void ReadKeyboard(const zokCSON::Value::Array& elements) {
  bool bound[ACTION_COUNT] = {};
  for (std::size_t i = 0; i < elements.size() && i < ACTION_COUNT; ++i) {
    if (!elements[i].IsObject()) {
      continue;
    }
    const zokCSON::Value* member = elements[i].Find(std::to_string(i));
    if (member == nullptr) {
      continue;
    }
    keyboard[static_cast<RKActionTypes>(i)] = ElementScancode(*member);
    bound[i] = true;
  }
  for (int action = 0; action < ACTION_COUNT; ++action) {
    if (!bound[action]) {
      const auto key = static_cast<RKActionTypes>(action);
      keyboard[key] = GetDefaultScancode(key);
    }
  }
}

// The button an element of "Pad" names; no button for anything else.
SDL_GamepadButton ElementButton(const zokCSON::Value& member) {
  const int button = member.IsNumber() ? FileNumberToInt(member.AsNumber()) : -1;
  if (button < 0 || button >= SDL_GAMEPAD_BUTTON_COUNT) {
    return SDL_GAMEPAD_BUTTON_INVALID;
  }
  return static_cast<SDL_GamepadButton>(button);
}

// "Pad" as "Keyboard": every action the file leaves out keeps its default button. A file of
// the version before has none, and one that is not a list is taken as none: the keys and
// everything else in the file are still good.
void ReadPad(const zokCSON::Value* pad) {
  bool bound[ACTION_COUNT] = {};
  if (pad != nullptr && pad->IsArray()) {
    const zokCSON::Value::Array& elements = pad->AsArray();
    for (std::size_t i = 0; i < elements.size() && i < ACTION_COUNT; ++i) {
      const zokCSON::Value* member =
          elements[i].IsObject() ? elements[i].Find(std::to_string(i)) : nullptr;
      if (member != nullptr) {
        padButtons[static_cast<RKActionTypes>(i)] = ElementButton(*member);
        bound[i] = true;
      }
    }
  }
  for (int action = 0; action < ACTION_COUNT; ++action) {
    if (!bound[action]) {
      const auto key = static_cast<RKActionTypes>(action);
      padButtons[key] = GetDefaultPadButton(key);
    }
  }
}

bool LoadSettingsFile(const std::string& path) {
  zokCSON::Value root;
  zokCSON::Error error;
  if (zokCSON::ParseFile(path, root, &error) != zokCSON::ErrorCode::Ok) {
    KeepUnusableFile(path, std::to_string(error.line) + ":" + std::to_string(error.column) + ": " +
                               error.message);
    return false;
  }
  if (!root.IsObject()) {
    KeepUnusableFile(path, "it holds no object");
    return false;
  }
  ReadSwitch(root, "Fullscreen", fullscreen);
  ReadSwitch(root, "Music", musicEnabled);
  ReadVolume(root);

  const zokCSON::Value* keys = root.Find("Keyboard");
  if (keys != nullptr && !keys->IsArray()) {
    KeepUnusableFile(path, "\"Keyboard\" is not a list");
    return false;
  }
  static const zokCSON::Value::Array NO_ELEMENTS;
  ReadKeyboard(keys != nullptr ? keys->AsArray() : NO_ELEMENTS);
  ReadPad(root.Find("Pad"));

  const zokCSON::Value* language = root.Find("Language");
  if (language != nullptr && language->IsString() && gLocalization != nullptr) {
    gLocalization->SetLanguageCode(language->AsString());
  }
  return true;
}

bool SaveSettingsFile(const std::string& path, zokCSON::Error* error) {
  zokCSON::Value root = zokCSON::Value::MakeObject();
  root["Fullscreen"] = zokCSON::Value(fullscreen);
  root["Music"] = zokCSON::Value(musicEnabled);
  root["MusicVolume"] = zokCSON::Value(musicVolume);
  if (gLocalization != nullptr) {
    root["Language"] = zokCSON::Value(gLocalization->GetCurrentLanguageCode());
  }
  // One element per action, each keyed by its position, so a reader can tell a moved or
  // missing element from a binding.
  zokCSON::Value keys = zokCSON::Value::MakeArray();
  for (int action = 0; action < ACTION_COUNT; ++action) {
    auto binding = keyboard.find(static_cast<RKActionTypes>(action));
    // Every action has a binding once the settings are read; one missing anyway is written as
    // no key rather than shifting the positions of the others.
    const SDL_Scancode code = binding != keyboard.end() ? binding->second : SDL_SCANCODE_UNKNOWN;
    zokCSON::Value element = zokCSON::Value::MakeObject();
    element[std::to_string(action)] = zokCSON::Value(static_cast<int>(code));
    keys.Append(std::move(element));
  }
  root["Keyboard"] = std::move(keys);
  // The pad's buttons the same way; the version before ignores a member it does not know.
  zokCSON::Value buttons = zokCSON::Value::MakeArray();
  for (int action = 0; action < ACTION_COUNT; ++action) {
    auto binding = padButtons.find(static_cast<RKActionTypes>(action));
    const SDL_GamepadButton button =
        binding != padButtons.end() ? binding->second : SDL_GAMEPAD_BUTTON_INVALID;
    zokCSON::Value element = zokCSON::Value::MakeObject();
    element[std::to_string(action)] = zokCSON::Value(static_cast<int>(button));
    buttons.Append(std::move(element));
  }
  root["Pad"] = std::move(buttons);

  zokCSON::WriteOptions options;
  options.indent = 2;
  options.sortKeys = false;
  return zokCSON::WriteFile(path, root, options, error) && KeepWrittenFiles(error);
}

}  // namespace

int FileNumberToInt(double value) {
  // Converting a double outside the int range is undefined behaviour; the game's own conversion
  // gave the smallest int for those, and every reader treats that as out of range.
  if (std::isnan(value)) {
    return std::numeric_limits<int>::min();
  }
  const double truncated = std::trunc(value);
  if (truncated < static_cast<double>(std::numeric_limits<int>::min()) ||
      truncated > static_cast<double>(std::numeric_limits<int>::max())) {
    return std::numeric_limits<int>::min();
  }
  return static_cast<int>(truncated);
}

bool LoadGameSettings() { return LoadGameSettingsFrom(SETTINGS_FILE); }

bool LoadGameSettingsFrom(const std::string& path) {
  try {
    return LoadSettingsFile(path);
  } catch (const std::exception& error) {
    throw std::runtime_error(std::string("Error while loading game settings: ") + error.what());
  }
}

bool SaveGameSettings(zokCSON::Error* error) { return SaveGameSettingsTo(SETTINGS_FILE, error); }

bool SaveGameSettingsTo(const std::string& path, zokCSON::Error* error) {
  try {
    return SaveSettingsFile(path, error);
  } catch (const std::exception& error) {
    throw std::runtime_error(std::string("Error while saving game settings: ") + error.what());
  }
}
