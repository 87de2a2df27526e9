#pragma once
// Start-up and shut-down of the game.

// Opens everything the game needs; false when something is missing, after printing on standard
// error (surfaces: standard output) which file or device failed and why. A language that cannot
// be loaded is reported too, but the game then runs showing its text keys.
// useDefaultRenderer false asks SDL for its "software" renderer.
bool InitGame(int width, int height, bool useDefaultRenderer);
// Releases everything in a fixed order; safe after a failed or partial start-up.
void QuitGame();
// Gives the saved game what loading a game needs of play: the player's death function and the
// filling of the registries. Start-up and ResetProgramState do it; a run that loads a game
// without either must do it first.
void RegisterLoadEntries();
// Puts every shared value of the program back to what it is when the program starts, with the
// reset of each folder that declares some: ResetGameState, ResetApplicationState,
// ResetSettingsState, ResetMusicState and ResetMenuState. Pointers are forgotten, not freed:
// QuitGame frees what they own. Registers the saved game's entries again.
void ResetProgramState();
