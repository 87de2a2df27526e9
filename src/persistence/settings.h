#pragma once
// The settings file "game.cfg": fullscreen, music, volume, language and the nine key bindings.
// Read once at start-up, written at every shut-down and when the options menu saves.

// Reads "game.cfg" and applies it. False when the file is missing, unreadable, not an object, or
// its "Keyboard" is not a list; the caller then applies the defaults. Actions the file leaves
// without a key get their default key.
bool LoadGameSettings();

// Writes "game.cfg"; false when it could not be written.
bool SaveGameSettings();

// A number read from a file as a 32-bit int, truncated toward zero. Values outside the 32-bit
// range (and NaN) give INT32_MIN, which every reader then rejects as out of range.
int FileNumberToInt(double value);
