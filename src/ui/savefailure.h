#pragma once
// Saving with the player told when it fails: a full disk or a folder that takes no files must
// never cost a game or the settings silently. The box is shown over whatever the screen holds.

// Saves the running game. When that fails, prints the reason on standard error, shows the
// player a box ("The game could not be saved: " and the reason, translated) until a key is
// pressed, and returns false: the game is still there to play, and the previous save untouched.
// True when saved.
bool SaveGameOrShowFailure();

// Saves the running game; when that fails, only prints the reason on standard error. For a
// close request that has already been told once that saving fails.
bool SaveGameOrReport();

// The same as SaveGameOrShowFailure for the settings file, as the options menu saves it.
bool SaveGameSettingsOrShowFailure();
