#include "music/globals.h"

RKMusicPatternSystem musicPattern;
MIX_Mixer* musicMixer = nullptr;
MIX_Track* musicTrack = nullptr;
bool menuFadeActive;
bool menuFadeWaitingForPlayback;
bool menuFadeDone;
std::uint64_t menuFadeStart;

void ResetMusicState() {
  musicPattern.patternLengthMs = 0;
  musicPattern.lastPosition = -1;
  musicPattern.currentPatternName.clear();
  musicPattern.nextPatternName.clear();
  musicPattern.queuedPattern = nullptr;
  musicMixer = nullptr;
  musicTrack = nullptr;
  menuFadeActive = false;
  menuFadeWaitingForPlayback = false;
  menuFadeDone = false;
  menuFadeStart = 0;
}

namespace {
// A program starts with the values ResetMusicState gives.
[[maybe_unused]] const bool STARTED = (ResetMusicState(), true);
}  // namespace
