#include "ui/optionsmenu.h"

#include <SDL3/SDL.h>

#include <cstddef>
#include <iostream>
#include <list>
#include <set>
#include <string>
#include <vector>

#include "app/frames.h"
#include "app/globals.h"
#include "app/window.h"
#include "core/globals.h"
#include "input/globals.h"
#include "input/input.h"
#include "localization/localization.h"
#include "music/globals.h"
#include "music/music.h"
#include "persistence/globals.h"
#include "persistence/keybindings.h"
#include "persistence/settings.h"
#include "ui/banner.h"
#include "ui/globals.h"
#include "ui/menu.h"
#include "ui/savefailure.h"
#include "ui/screen.h"

namespace {

// The text keys of each action: "options.keybinding.<name>" labels its line,
// "options.changeKey.<name>" heads its key capture.
const char* const ACTION_KEY_NAMES[ACTION_COUNT] = {
    "moveUp", "moveDown", "moveLeft",      "moveRight", "take",
    "use",    "drop",     "characterInfo", "inventory",
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

// The language after the current one whose file reads; one that does not is passed over, and
// said so once on standard error, so that the languages after it can still be reached.
void LoadNextLanguage() {
  if (gLocalization == nullptr) {
    return;
  }
  static std::set<std::string> toldUnreadable;
  const std::string start = CurrentLanguageCode();
  std::string code = start;
  for (std::size_t tries = 0; tries < gLocalization->GetAvailableLanguages().size(); ++tries) {
    code = GetNextLanguageCode(code);
    if (code == start || gLocalization->LoadLanguageByCode(code)) {
      return;
    }
    if (toldUnreadable.insert(code).second) {
      std::cerr << "Language " << code << " skipped: its file cannot be read" << std::endl;
    }
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
  int noSelection = -1;
  MenuConfirmed(T("options.changeKey." + name), {PromptText("options.changeKey.prompt")},
                NARROW_BOX, noSelection, true);
  // F2 or a close request captures nothing, and Escape cancels: bound to a command, it would
  // save and leave the game instead.
  if (!quitRequested) {
    BindCapturedInput(action);
  }
}

// One step per press of right or left, with the music following at once; any other press
// closes it.
void VolumeDialog() {
  const int maxVolume = musicPattern.GetMaxMusicVolume();
  RKAction step = RKAction::None;
  // A close request must end the dialog, not repeat its last step.
  while (!quitRequested) {
    if (step == RKAction::Right) {
      musicVolume = musicVolume < maxVolume ? musicVolume + 1 : maxVolume;
    } else if (step == RKAction::Left) {
      musicVolume = musicVolume > 0 ? musicVolume - 1 : 0;
    } else if (step != RKAction::None) {
      break;
    }
    musicPattern.UpdateMusicVolume();
    MSGBox(
        T("options.changeMusicVolume.header"),
        {TFormat("options.changeMusicVolume.value", {std::to_string(musicVolume)}),
         T("options.changeMusicVolume.leftRight"), PromptText("options.changeMusicVolume.return")},
        NARROW_BOX);
    // F2 frees or captures the mouse and changes nothing.
    step = lastInput.action == RKAction::ToggleMouse ? RKAction::None : lastInput.action;
  }
  musicPattern.UpdateMusicVolume();
}

// Puts back the settings the menu found; true: the menu is left.
bool DiscardChanges() {
  RestoreOldGameSettings();
  SetFullscreen(fullscreen);
  ApplyMusicSwitch();
  musicPattern.UpdateMusicVolume();
  return true;
}

// The lines after the nine key bindings, in menu order: what each shows, and what confirming
// it does; true when that leaves the menu.
struct RKOptionsLine {
  std::string (*text)();
  bool (*confirm)();
};
const RKOptionsLine OTHER_LINES[] = {
    // The window's own state, which can differ from the setting when a switch failed.
    {[] { return TFormat("options.fullscreen", {GetYesNoText(WindowIsFullscreen())}); },
     [] {
       fullscreen = ToggleFullscreen();
       return false;
     }},
    {[] { return TFormat("options.music", {GetOnOffText(musicEnabled)}); },
     [] {
       musicEnabled = !musicEnabled;
       ApplyMusicSwitch();
       return false;
     }},
    {[] { return TFormat("options.musicVolume", {std::to_string(musicVolume)}); },
     [] {
       VolumeDialog();
       return false;
     }},
    {[] { return TFormat("options.language", {GetLanguageDisplayName(CurrentLanguageCode())}); },
     [] {
       LoadNextLanguage();
       return false;
     }},
    {[] { return T("options.restoreDefault"); },
     [] {
       SetDefaultGameSettings();
       LoadLanguage(CurrentLanguageCode());
       SetFullscreen(fullscreen);
       ApplyMusicSwitch();
       musicPattern.UpdateMusicVolume();
       return true;
     }},
    // A failed write has shown its box: the menu stays, to try again or discard.
    {[] { return T("options.saveChanges"); }, [] { return SaveGameSettingsOrShowFailure(); }},
    {[] { return T("options.discardChanges"); }, DiscardChanges},
};

// Acts on a confirmed line; true when the line leaves the menu.
bool ConfirmLine(int line) {
  if (line >= 0 && line < ACTION_COUNT) {
    CaptureKey(static_cast<RKActionTypes>(line));
    return false;
  }
  const std::size_t other = static_cast<std::size_t>(line - ACTION_COUNT);
  return other < std::size(OTHER_LINES) && OTHER_LINES[other].confirm();
}

}  // namespace

void OptionsMenu() {
  SaveOldGameSettings();
  RestartFrameDeadline();
  int selected = 0;
  std::vector<std::string> lines;
  for (;;) {
    BuildOptionsMenuOptions(lines);
    SetMenuLines(lines, selected);
    Header();
    const bool confirmed =
        MenuConfirmed(T("menu.options.header"), option, WIDE_MENU, selected, false);
    RestartFrameDeadline();
    // A close request leaves the changes in effect; shut-down writes them with the settings.
    // A pad's cancel goes back as the discard line does.
    const bool cancelled = !confirmed && lastInput.action == RKAction::Cancel;
    const bool leave =
        (confirmed && ConfirmLine(selected)) || (cancelled && DiscardChanges()) || quitRequested;
    FinishFrame();
    if (leave) {
      return;
    }
  }
}

void BuildOptionsMenuOptions(std::vector<std::string>& lines) {
  lines.clear();
  AppendKeyBindingLines(lines);
  for (const RKOptionsLine& line : OTHER_LINES) {
    lines.push_back(line.text());
  }
}

void AppendKeyBindingLines(std::vector<std::string>& lines) {
  for (int action = 0; action < ACTION_COUNT; ++action) {
    lines.push_back(BindingLine(static_cast<RKActionTypes>(action),
                                T(std::string("options.keybinding.") + ACTION_KEY_NAMES[action])));
  }
}

void SaveOldGameSettings() {
  previousFullscreen = fullscreen;
  previousMusicEnabled = musicEnabled;
  previousMusicVolume = musicVolume;
  previousLanguageCode = CurrentLanguageCode();
  previousKeyboard.clear();
  previousKeyboard = keyboard;
  previousPadButtons = padButtons;
}

void RestoreOldGameSettings() {
  fullscreen = previousFullscreen;
  musicEnabled = previousMusicEnabled;
  musicVolume = previousMusicVolume;
  if (!previousLanguageCode.empty() && gLocalization != nullptr) {
    gLocalization->SetLanguageCode(previousLanguageCode);
    gLocalization->LoadLanguageByCode(gLocalization->GetCurrentLanguageCode());
  }
  keyboard = previousKeyboard;
  padButtons = previousPadButtons;
}

std::string GetOnOffText(bool on) { return T(on ? "common.on" : "common.off"); }

std::string GetYesNoText(bool yes) { return T(yes ? "common.yes" : "common.no"); }

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
