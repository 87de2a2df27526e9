#include "play/mainmenu.h"

#include <cstdint>
#include <iterator>
#include <list>
#include <string>
#include <vector>

#include "app/frames.h"
#include "core/globals.h"
#include "input/globals.h"
#include "input/input.h"
#include "localization/localization.h"
#include "music/music.h"
#include "persistence/savegame.h"
#include "play/turnloop.h"
#include "ui/banner.h"
#include "ui/globals.h"
#include "ui/menu.h"
#include "ui/optionsmenu.h"
#include "ui/screen.h"

namespace {

// The menu's lines in order; the selected index is the position in this table.
enum RKMainMenuItem : int {
  ItemNewGame = 0,
  ItemLoadGame = 1,
  ItemOptions = 2,
  ItemHelp = 3,
  ItemQuit = 4,
};

// clang-format off
const char* const MAIN_MENU_KEYS[] = {
    "menu.main.newGame",
    "menu.main.loadGame",
    "menu.main.options",
    "menu.main.help",
    "menu.main.quit",
};
// clang-format on

// Tells the player why the saved game cannot be continued.
void ShowLoadFailure(int result, const std::string& savedVersion) {
  std::string why;
  if (result == LoadFailed) {
    why = gLocalization->T("menu.loadingFailed.noSave");
  } else if (result == LoadBadSignature) {
    why = gLocalization->T("menu.loadingFailed.badSignature");
  } else {
    why = gLocalization->TFormat("menu.loadingFailed.badVersion", {savedVersion, GAMEVERSION});
  }
  MSGBox(gLocalization->T("menu.loadingFailed.header"),
         {why, "\\n", PromptText("menu.loadingFailed.returnMainMenu")}, NARROW_BOX);
}

}  // namespace

void MainMenu() {
  RestartFrameDeadline();
  int selected = ItemNewGame;
  bool backFromGame = false;
  for (;;) {
    StartMenuMusic(backFromGame);

    // Translated on every pass so that a language chosen in the options shows at once.
    std::vector<std::string> lines;
    for (const char* key : MAIN_MENU_KEYS) {
      lines.push_back(gLocalization->T(key));
    }
    SetMenuLines(lines, selected);
    Header();
    bool confirmed = MenuConfirmed(gLocalization->TFormat("menu.main.header", {GAMEVERSION}),
                                   option, WIDE_MENU, selected, false);
    RestartFrameDeadline();

    bool quit = false;
    if (confirmed) {
      switch (selected) {
        case ItemNewGame:
          NewGame();
          RunGame();
          selected = ItemNewGame;
          backFromGame = true;
          RestartFrameDeadline();
          break;
        case ItemLoadGame: {
          std::string savedVersion;
          int result = LoadGame(savedVersion);
          if (result == LoadOk) {
            RunGame();
            backFromGame = true;
          } else {
            ShowLoadFailure(result, savedVersion);
            selected = ItemLoadGame;
          }
          RestartFrameDeadline();
          break;
        }
        case ItemOptions:
          OptionsMenu();
          RestartFrameDeadline();
          break;
        case ItemHelp:
          HelpScreen();
          RestartFrameDeadline();
          break;
        case ItemQuit:
          quit = true;
          break;
        default:
          break;
      }
    }
    // A close request, here or in a game or screen opened from here, ends the program.
    if (quitRequested) {
      return;
    }
    FinishFrame();
    if (quit) {
      return;
    }
  }
}
