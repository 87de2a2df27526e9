#pragma once
// The one saved game, "game.sav": written when the player leaves with Escape, read back when
// the player continues from the main menu.

#include <cstdint>
#include <string>

#include "core/types.h"

namespace zokCSON {
struct Error;
}

// What loading a game needs of play, which stands above the saved game: play fills these in
// (RegisterLoadEntries) before any game is loaded. Both are null until then.
struct RKLoadEntries {
  DeathFunction playerDeath = nullptr;  // the death function a loaded player gets
  void (*fillRegistries)() = nullptr;   // fills funcVec and useFuncVec as a new game has them
};
extern RKLoadEntries loadEntries;

// Results of LoadGame; the main menu picks its failure box from them.
enum RKLoadResult : int {
  LoadOk = 0,
  LoadFailed = -1,        // no file, unreadable, or not a game this program can run
  LoadBadSignature = -2,  // not a save game of ours
  LoadBadVersion = -3,    // written by another version of the game
};

// The game's one saved game, in the working folder.
constexpr const char* SAVE_FILE = "game.sav";
// A game the program writes takes about 100 KB, and the loader's bounds allow a few hundred;
// anything far larger is refused before the reader builds a tree of it.
constexpr std::uintmax_t MAX_SAVE_BYTES = std::uintmax_t{4} * 1024 * 1024;

// Writes the running game to the file, replacing the previous save only once the new one is
// complete. False when nothing could be written (the old save is then still there), with *error
// (when given) saying why.
bool SaveGameTo(const std::string& path, zokCSON::Error* error = nullptr);
// SaveGameTo(SAVE_FILE).
bool SaveGame(zokCSON::Error* error = nullptr);
// The text SaveGameTo would write, into `text`, touching no file; false as SaveGameTo.
bool SaveGameText(std::string& text, zokCSON::Error* error = nullptr);

// Rebuilds the game from the file. savedVersion receives the file's "Version" when it is a
// string (the main menu shows it in the bad-version box). A signature or version mismatch leaves
// the running state untouched; any later rejection leaves no game at all: both lists empty,
// player null, an all-wall map and an empty log. Every LoadFailed prints one line on standard
// error naming the reason ("pack holds 31 items, at most 26"). Files no game writes are refused:
// a file over 4 MiB (before it is read), names over 256 bytes, hit points outside 0..maximum
// (plus what worn pieces add), a maximum below 1, more than 26 pack items, more than 1000
// entities, more than six log lines or one over 1024 bytes, a floor outside 1-10, a state other
// than playing or player defeated.
int LoadGameFrom(const std::string& path, std::string& savedVersion);
// LoadGameFrom(SAVE_FILE, savedVersion).
int LoadGame(std::string& savedVersion);
// Puts a file from elsewhere (one the player brings in) through every check LoadGameFrom makes:
// empty when it would load, otherwise why not, in words for the player. Silent on the console.
// Meant for outside play: whatever game is in memory is ended, and gameState left as it was.
std::string CheckSaveFile(const std::string& path);

// Log lines are stored with bytes of 128 and above as backslash-u escapes, so the file stays
// plain ASCII, and with every backslash doubled.
std::string EscapeSaveMessage(const std::string& line);
// The reverse: escapes of values above 255 become "?", a doubled backslash becomes one.
std::string UnescapeSaveMessage(const std::string& text);
