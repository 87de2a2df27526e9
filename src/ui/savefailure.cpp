#include "ui/savefailure.h"

#include <iostream>
#include <list>
#include <string>

#include "app/frames.h"
#include "core/globals.h"
#include "cson/cson.h"
#include "input/input.h"
#include "localization/localization.h"
#include "persistence/savegame.h"
#include "persistence/settings.h"
#include "ui/menu.h"
#include "ui/screen.h"

namespace {

// The catalogue key of what the player is told about a failed write.
std::string ReasonKey(const zokCSON::Error& error) {
  if (error.code != zokCSON::ErrorCode::IoError) {
    return "menu.saveFailed.refused";  // a value the format cannot hold
  }
  if (error.message == FILES_NOT_KEPT) {
    return "menu.saveFailed.notKept";  // a web page in a private window
  }
  // Nothing could be created beside the file (a read-only or full folder, a folder in the way
  // of the temporary file), or what was written could not be completed and put in its place.
  return error.message == "Failed to open file for writing" ? "menu.saveFailed.cannotCreate"
                                                            : "menu.saveFailed.cannotWrite";
}

void ReportFailure(const char* file, const zokCSON::Error& error) {
  std::cerr << file << " could not be written: " << error.message << std::endl;
}

void ShowFailure(const char* file, const char* textKey, const zokCSON::Error& error) {
  ReportFailure(file, error);
  std::list<std::string> lines = {
      gLocalization->TFormat(textKey, {gLocalization->T(ReasonKey(error))}),
      "\\n",
      PromptText("menu.saveFailed.pressKey"),
  };
  MSGBox(gLocalization->T("menu.saveFailed.header"), lines, NARROW_BOX);
}

}  // namespace

bool SaveGameOrShowFailure() {
  zokCSON::Error error;
  if (SaveGame(&error)) {
    return true;
  }
  ShowFailure(SAVE_FILE, "menu.saveFailed.game", error);
  return false;
}

bool SaveGameOrReport() {
  zokCSON::Error error;
  if (SaveGame(&error)) {
    return true;
  }
  ReportFailure(SAVE_FILE, error);
  return false;
}

bool SaveGameSettingsOrShowFailure() {
  zokCSON::Error error;
  if (SaveGameSettings(&error)) {
    return true;
  }
  ShowFailure(SETTINGS_FILE, "menu.saveFailed.settings", error);
  return false;
}
