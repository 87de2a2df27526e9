#pragma once
// The game-side steps around the music pattern system: loading the definition at start-up,
// advancing patterns each frame of play, the menus' music, the calm/alert choice while the
// frame is drawn, and the fade-out at shut-down. They all act on the globals musicPattern,
// musicMixer and musicTrack, and do nothing when there is no track or no pattern.

#include <string>

struct SDL_IOStream;

// Start-up: SDL_mixer, its mixer on the default playback device and the music track on it at
// the volume setting, then the music definition at path. False when one of them failed, after
// printing on standard error what failed and why.
bool OpenMusic(const std::string& path);
// Shut-down: forgets the patterns, destroys the mixer and closes SDL_mixer; safe after a
// failed or partial OpenMusic.
void CloseMusic();

// Decodes the start of an audio file (closing io): true when it yields sample frames. Else
// false, with the reason in reason: a file the decoders do not know, or one whose packets give
// no sound. The work is bounded whatever the file holds.
bool CheckPatternAudio(SDL_IOStream* io, std::string& reason);

// Reads the music definition into musicPattern and loads every pattern's audio on musicMixer.
// False, after printing why to stderr, when the file or a pattern is unusable (a damaged audio
// file as "<fileName>: <reason>"), fewer than two
// patterns are defined, or a "nextPatternName" names no pattern. Patterns of an earlier load are
// forgotten first.
bool LoadMusicDefinition(const std::string& path);

// One frame of play: notices that the current pattern wrapped around (or ended) and then starts
// the queued pattern, or the current one's successor. Throws std::runtime_error when the new
// pattern cannot be started.
void AdvanceMusic();

// How long a frame of play may wait for input before AdvanceMusic has work: about the time
// left until the current pattern ends while a change waits for that end, 0 when the end cannot
// be foreseen (every frame then looks), NO_TIME_LIMIT when no change waits or no music plays.
int MusicWaitMs();

// True while the menus' fade-in is under way: a menu waiting for a key must then keep calling
// UpdateMenuMusicFade.
bool MenuMusicFading();

// The menus' fade-in: waits until playback has really begun, then raises the gain of the
// tag "music" from silence to 1.0 over 500 ms. Called on every pass of a menu's input wait.
void UpdateMenuMusicFade();

// The main menu's music, run on every pass before the menu is drawn: starts the first pattern
// (with the one-time fade-in on the very first start), restarts it without fade after a game
// (backFromGame, which is then cleared), and starts nothing while music is switched off.
// Throws std::runtime_error when the pattern cannot be started.
void StartMenuMusic(bool& backFromGame);

// Starts the first pattern from its beginning at once, dropping anything queued.
// Throws std::runtime_error when it cannot be started.
void RestartFirstPattern();

// Silences the music track at once.
void StopMusic();

// The mood of the frame being drawn: asks for the alert (second) pattern while an enemy is in
// view, else the calm (first) one, but only in frames where the player moved or attacked, and
// only when that pattern is not the one already playing. The change waits for the wrap-around.
void ChooseInGameMusic(bool enemyInView);

// Shut-down: fades a playing track out over 500 ms and waits for it to fall silent, but never
// longer than two seconds.
void FadeOutMusic();

// Destroys the audio of every pattern, the pattern records themselves and whatever was queued
// or playing by name: the system is as empty as before the first load. Shut-down calls it, and
// so does a new load (the tests start the game many times in one process).
void ForgetMusicPatterns();
