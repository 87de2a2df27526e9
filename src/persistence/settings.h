#pragma once
// The settings file "game.cfg": fullscreen, music, volume, language and the nine key bindings.
// Read once at start-up, written at every shut-down and when the options menu saves.

namespace zokCSON {
struct Error;
}

#include <string>

// The game's settings file, in the working folder.
constexpr const char* SETTINGS_FILE = "game.cfg";

// Reads the settings file and applies it. False when the file is missing, unreadable, not an
// object, or its "Keyboard" is not a list; the caller then applies the defaults. A file that
// exists but cannot be used is first renamed to path + ".bad" (replacing an older one), with
// one line on standard error, so that the defaults written at shut-down do not destroy it.
// Actions the file leaves without a key get their default key.
bool LoadGameSettingsFrom(const std::string& path);
// LoadGameSettingsFrom(SETTINGS_FILE).
bool LoadGameSettings();

// Writes the settings file; false when it could not be written, with *error (when given) saying
// why.
bool SaveGameSettingsTo(const std::string& path, zokCSON::Error* error = nullptr);
// SaveGameSettingsTo(SETTINGS_FILE).
bool SaveGameSettings(zokCSON::Error* error = nullptr);

// A number read from a file as a 32-bit int, truncated toward zero. Values outside the 32-bit
// range (and NaN) give INT32_MIN, which every reader then rejects as out of range.
int FileNumberToInt(double value);
