#pragma once
// The title screen's menu: new game, continue, options, help and quit.

// Runs the main menu, and the games, options and help screens it opens, until the player
// chooses quit or the window is asked to close.
void MainMenu();
