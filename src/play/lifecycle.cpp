#include "play/lifecycle.h"

#include <SDL3/SDL.h>

#include <iostream>
#include <string>

#include "app/frames.h"
#include "app/globals.h"
#include "app/window.h"
#include "core/globals.h"
#include "core/message.h"
#include "cson/cson.h"
#include "input/globals.h"
#include "localization/localization.h"
#include "music/globals.h"
#include "music/music.h"
#include "persistence/globals.h"
#include "persistence/keybindings.h"
#include "persistence/savegame.h"
#include "persistence/settings.h"
#include "play/progression.h"
#include "play/turnloop.h"
#include "ui/font.h"
#include "ui/globals.h"
#include "ui/screen.h"
#include "world/entity.h"

namespace {

// A fatal start-up step failed: say so with SDL's reason and give up.
bool Fail(std::ostream& stream, const char* what) {
  stream << what << SDL_GetError() << std::endl;
  return false;
}

const char* const LANGUAGE_LIST = "languages/languages.cson";
const char* const FONT_FILE = "gfx/font.png";

// Which language could not be loaded, and from which file.
void ReportLanguageFailure(const std::string& code) {
  for (const RKLanguageEntry& language : gLocalization->GetAvailableLanguages()) {
    if (language.code == code) {
      std::cerr << "Couldn't load the language \"" << code << "\" from " << language.file
                << std::endl;
      return;
    }
  }
  std::cerr << "The language \"" << code << "\" is not in " << LANGUAGE_LIST << std::endl;
}

}  // namespace

bool InitGame(int width, int height, bool useDefaultRenderer) {
  RegisterLoadEntries();
  pageEntries = {MAX_SAVE_BYTES, CheckSaveFile,
                 [](std::string& text) { return SaveGameText(text); }};
  if (!gLocalization) {
    gLocalization = new RKLocalization;
  }
  // Without a language the game still runs, showing its text keys; the console says why.
  const bool listed = gLocalization->LoadLanguageList(LANGUAGE_LIST);
  if (!listed) {
    std::cerr << "Couldn't read a language from the list " << LANGUAGE_LIST << std::endl;
  }
  if (!LoadGameSettings()) {
    SetDefaultGameSettings();
  }
  const std::string chosen = gLocalization->GetCurrentLanguageCode();
  if (!gLocalization->LoadLanguageByCode(chosen)) {
    if (listed) ReportLanguageFailure(chosen);
    gLocalization->SetLanguageCode(gLocalization->GetDefaultLanguageCode());
    const std::string& fallback = gLocalization->GetCurrentLanguageCode();
    if (!gLocalization->LoadLanguageByCode(fallback) && listed && fallback != chosen) {
      ReportLanguageFailure(fallback);
    }
  }

  if (!OpenWindow(width, height, useDefaultRenderer, fullscreen) ||
      !OpenMusic("music/music_def.cson") || !CreateScreenSurfaces(width, height)) {
    return false;
  }
  // From now on the window's own events say when its picture must be shown again.
  WatchWindowForRedraws();
  PlaceMouseOnPicture(width, height);

  font = new RKFont;
  if (!font->Init(FONT_FILE, screenFormat)) {
    return Fail(std::cerr, "Couldn't load the font: ");
  }
  message = new RKMessage;
  return message->Init(panel);
}

void ResetProgramState() {
  ResetGameState();
  ResetApplicationState();
  ResetSettingsState();
  ResetMusicState();
  ResetMenuState();
  ResetInputState();
  RegisterLoadEntries();
}

void RegisterLoadEntries() { loadEntries = {PlayerDeath, FillRegistries}; }

void QuitGame() {
  EndGame();
  funcVec.clear();
  useFuncVec.clear();

  delete font;
  font = nullptr;
  delete message;
  message = nullptr;

  DestroyScreenSurfaces();

  FadeOutMusic();
  zokCSON::Error error;
  if (!SaveGameSettings(&error)) {
    std::cerr << "game.cfg could not be written: " << error.message << std::endl;
  }
  delete gLocalization;
  gLocalization = nullptr;

  CloseMusic();
  CloseWindow();
}
