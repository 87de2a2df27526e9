#pragma once
// The options menu: key bindings, fullscreen, music, volume and language, live while the menu
// is open, then saved, restored to the defaults, or discarded.

#include <string>
#include <vector>

// Runs the menu until the player saves, restores the defaults or discards the changes, or the
// window is asked to close (the changes then stay in effect).
void OptionsMenu();

// The 16 lines of the menu, in menu order, in the current language.
void BuildOptionsMenuOptions(std::vector<std::string>& lines);
// Appends the nine key bindings as the menu shows them ("Take: G"), in action order.
void AppendKeyBindingLines(std::vector<std::string>& lines);

// Copies the settings so that discarding can bring them back.
void SaveOldGameSettings();
// Brings back the copies taken by SaveOldGameSettings, reloading the language they name.
void RestoreOldGameSettings();

std::string GetOnOffText(bool on);
std::string GetYesNoText(bool yes);
// The name under which the language list offers the code, its escapes resolved as in the texts;
// the code itself when not listed.
std::string GetLanguageDisplayName(const std::string& code);
// The code listed after this one, wrapping to the first; the first code when this one is not
// listed; the code itself when no language is listed.
std::string GetNextLanguageCode(const std::string& code);
