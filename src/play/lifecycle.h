#pragma once
// Start-up and shut-down of the game.

// Opens everything the game needs; false when something is missing, after printing on standard
// error (surfaces: standard output) which file or device failed and why. A language that cannot
// be loaded is reported too, but the game then runs showing its text keys.
// useDefaultRenderer false asks SDL for its "software" renderer.
bool InitGame(int width, int height, bool useDefaultRenderer);
// Releases everything in a fixed order; safe after a failed or partial start-up.
void QuitGame();
