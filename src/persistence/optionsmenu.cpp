#include "persistence/optionsmenu.h"

#include <SDL3/SDL.h>

#include <list>
#include <string>
#include <vector>

#include "game/frames.h"
#include "game/lifecycle.h"
#include "game/globals.h"
#include "localization/localization.h"
#include "music/music.h"
#include "persistence/keybindings.h"
#include "persistence/savefailure.h"
#include "persistence/settings.h"
#include "ui/banner.h"
#include "ui/menu.h"

namespace {

// The text keys of each action: "options.keybinding.<name>" labels its line,
// "options.changeKey.<name>" heads its key capture.
const char* const ACTION_KEY_NAMES[ActionCount] = {
    "moveUp", "moveDown", "moveLeft", "moveRight", "take",
    "use",    "drop",     "characterInfo",         "inventory",
};

// Menu lines after the nine key bindings.
enum RKOptionsLine : int {
  LineFullscreen = 9,
  LineMusic = 10,
  LineVolume = 11,
  LineLanguage = 12,
  LineRestoreDefaults = 13,
  LineSaveChanges = 14,
  LineDiscardChanges = 15,
};


std::string T(const std::string& key) {
  return gLocalization != nullptr ? gLocalization->T(key) : key;
}

std::string TFormat(const std::string& key, const std::vector<std::string>& args) {
  return gLocalization != nullptr ? gLocalization->TFormat(key, args) : key;
}

std::string CurrentLanguageCode() {
  return gLocalization != nullptr ? gLocalization->GetCurrentLanguageCode() : std::string();
}

void LoadLanguage(const std::string& code) {
  if (gLocalization != nullptr) {
    gLocalization->LoadLanguageByCode(code);
  }
}

bool WindowIsFullscreen() {
  return window != nullptr && (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) != 0;
}

// Music on starts the first pattern from its beginning, even when it was already playing.
void ApplyMusicSwitch() {
  if (musicEnabled) {
    RestartFirstPattern();
  } else {
    StopMusic();
  }
}

void CaptureKey(RKActionTypes action) {
  const std::string name = ACTION_KEY_NAMES[action];
  option.clear();
  option.push_back(T("options.changeKey.prompt"));
  // F2 or a close request captures nothing; starting from the current key means the binding
  // then stays as it was, instead of taking whatever key an earlier dialog left behind.
  auto binding = keyboard.find(action);
  if (binding != keyboard.end()) {
    selectedKey = binding->second.first;
  }
  int noSelection = -1;
  Menu(T("options.changeKey." + name), option, 320, noSelection, true);
  if (!quitRequested) {
    UpdateKeybinding(action, T("options.keybinding." + name), true);
  }
}

// One step per arrow key press, with the music following at once; any other key closes it.
void VolumeDialog() {
  const int maxVolume = musicPattern.GetMaxMusicVolume();
  selectedKey = SDL_SCANCODE_UNKNOWN;
  for (;;) {
    if (selectedKey == SDL_SCANCODE_RIGHT) {
      musicVolume = musicVolume < maxVolume ? musicVolume + 1 : maxVolume;
    } else if (selectedKey == SDL_SCANCODE_LEFT) {
      musicVolume = musicVolume > 0 ? musicVolume - 1 : 0;
    } else if (selectedKey != SDL_SCANCODE_UNKNOWN || quitRequested) {
      break;
    }
    musicPattern.UpdateMusicVolume();
    option.clear();
    option.push_back(TFormat("options.changeMusicVolume.value", {std::to_string(musicVolume)}));
    option.push_back(T("options.changeMusicVolume.leftRight"));
    option.push_back(T("options.changeMusicVolume.return"));
    int noSelection = -1;
    Menu(T("options.changeMusicVolume.header"), option, 320, noSelection, true);
  }
  musicPattern.UpdateMusicVolume();
}

// Acts on a confirmed line; true when the line leaves the menu.
bool ConfirmLine(int line) {
  if (line >= 0 && line < ActionCount) {
    CaptureKey(static_cast<RKActionTypes>(line));
    return false;
  }
  switch (line) {
    case LineFullscreen:
      fullscreen = ToggleFullscreen();
      return false;
    case LineMusic:
      musicEnabled = !musicEnabled;
      ApplyMusicSwitch();
      return false;
    case LineVolume:
      VolumeDialog();
      return false;
    case LineLanguage:
      LoadLanguage(GetNextLanguageCode(CurrentLanguageCode()));
      return false;
    case LineRestoreDefaults:
      SetDefaultGameSettings();
      LoadLanguage(CurrentLanguageCode());
      SetFullscreen(fullscreen);
      ApplyMusicSwitch();
      musicPattern.UpdateMusicVolume();
      return true;
    case LineSaveChanges:
      // A failed write has shown its box: the menu stays, to try again or discard.
      return SaveGameSettingsOrShowFailure();
    case LineDiscardChanges:
      RestoreOldGameSettings();
      SetFullscreen(fullscreen);
      ApplyMusicSwitch();
      musicPattern.UpdateMusicVolume();
      return true;
    default:
      return false;
  }
}

}  // namespace

void OptionsMenu() {
  SaveOldGameSettings();
  RestartFrameDeadline();
  int selected = 0;
  std::vector<std::string> lines;
  for (;;) {
    BuildOptionsMenuOptions(lines);
    option.clear();
    for (std::size_t i = 0; i < lines.size(); ++i) {
      option.push_back(static_cast<int>(i) == selected ? "> " + lines[i] + " <" : lines[i]);
    }
    Header();
    const bool confirmed = Menu(T("menu.options.header"), option, 560, selected, false);
    RestartFrameDeadline();
    // A close request leaves the changes in effect; shut-down writes them with the settings.
    const bool leave = (confirmed && ConfirmLine(selected)) || quitRequested;
    FinishFrame();
    if (leave) {
      return;
    }
  }
}

void BuildOptionsMenuOptions(std::vector<std::string>& lines) {
  lines.clear();
  for (int action = 0; action < ActionCount; ++action) {
    lines.push_back(SetMenuOptionOfKeybinding(
        static_cast<RKActionTypes>(action),
        T(std::string("options.keybinding.") + ACTION_KEY_NAMES[action])));
  }
  // The window's own state, which can differ from the setting when a switch failed.
  lines.push_back(TFormat("options.fullscreen", {GetYesNoText(WindowIsFullscreen())}));
  lines.push_back(TFormat("options.music", {GetOnOffText(musicEnabled)}));
  lines.push_back(TFormat("options.musicVolume", {std::to_string(musicVolume)}));
  lines.push_back(
      TFormat("options.language", {GetLanguageDisplayName(CurrentLanguageCode())}));
  lines.push_back(T("options.restoreDefault"));
  lines.push_back(T("options.saveChanges"));
  lines.push_back(T("options.discardChanges"));
}

void SaveOldGameSettings() {
  previousFullscreen = fullscreen;
  previousMusicEnabled = musicEnabled;
  previousMusicVolume = musicVolume;
  previousLanguageCode = CurrentLanguageCode();
  previousKeyboard.clear();
  for (const auto& [action, binding] : keyboard) {
    previousKeyboard[action] = {binding.first, false};
  }
}

void RestoreOldGameSettings() {
  fullscreen = previousFullscreen;
  musicEnabled = previousMusicEnabled;
  musicVolume = previousMusicVolume;
  if (!previousLanguageCode.empty() && gLocalization != nullptr) {
    gLocalization->SetLanguageCode(previousLanguageCode);
    gLocalization->LoadLanguageByCode(gLocalization->GetCurrentLanguageCode());
  }
  keyboard.clear();
  for (const auto& [action, binding] : previousKeyboard) {
    keyboard[action] = {binding.first, false};
  }
}

std::string GetOnOffText(bool on) {
  return T(on ? "common.on" : "common.off");
}

std::string GetYesNoText(bool yes) {
  return T(yes ? "common.yes" : "common.no");
}

std::string GetLanguageDisplayName(const std::string& code) {
  if (gLocalization != nullptr) {
    for (const RKLanguageEntry& language : gLocalization->GetAvailableLanguages()) {
      if (language.code == code) {
        // Written like the texts, so a name beyond ASCII ("Espa\\u00f1ol") reaches the font.
        return RKLocalization::NormalizeText(language.name);
      }
    }
  }
  return code;
}

std::string GetNextLanguageCode(const std::string& code) {
  if (gLocalization == nullptr || gLocalization->GetAvailableLanguages().empty()) {
    return code;
  }
  const auto& languages = gLocalization->GetAvailableLanguages();
  for (std::size_t i = 0; i < languages.size(); ++i) {
    if (languages[i].code == code) {
      return languages[(i + 1) % languages.size()].code;
    }
  }
  return languages.front().code;
}
