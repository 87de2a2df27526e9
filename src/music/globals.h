#pragma once
// The music's shared state: the pattern system, the mixer and its one track, and the menus'
// fade-in.

#include <cstdint>

#include "music/musicpattern.h"

struct MIX_Mixer;
struct MIX_Track;

// Their values when the program starts are set by ResetMusicState.
extern RKMusicPatternSystem musicPattern;  // nothing played yet and nothing queued
extern MIX_Mixer* musicMixer;              // made by OpenMusic, destroyed by CloseMusic
extern MIX_Track* musicTrack;              // the music's track on musicMixer
extern bool menuFadeActive, menuFadeWaitingForPlayback, menuFadeDone;  // false
extern std::uint64_t menuFadeStart;  // tick the menus' fade-in began at; 0

// Puts every value above back to what it is when the program starts: of musicPattern, what it
// has played and queued. Its patterns, track and volume source stay, as OpenMusic set them and
// CloseMusic forgets them; the pointers are forgotten, not freed.
void ResetMusicState();
