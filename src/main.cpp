// Tower Vault Keeper: the entry point. The game takes no arguments and reads its data from
// the working directory. Exit code 1 when start-up fails, 0 otherwise.

#include <exception>
#include <iostream>

#include "app/frames.h"
#include "play/lifecycle.h"
#include "play/mainmenu.h"

int main(int, char**) {
  int code = 0;
  try {
    if (InitGame(640, 400, true)) {
      MainMenu();
    } else {
      // Start-up has said what is missing; the settings are still written.
      code = 1;
    }
    QuitGame();
  } catch (const std::exception& error) {
    // Errors the game cannot continue from (music that cannot start) end it here, on purpose
    // without QuitGame: the failing subsystem may be in any state.
    std::cout << "Exception: " << error.what() << std::endl;
  }
  ShowGameEnded();
  return code;
}
