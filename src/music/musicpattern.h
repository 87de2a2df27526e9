#pragma once
// The game's music: looping patterns played one at a time on the one music track. A change
// requested during play is queued and starts when the current pattern wraps around, so the
// music never cuts off mid-phrase.

#include <cstdint>
#include <string>
#include <vector>

#include "persistence/globals.h"

struct MIX_Track;
struct MIX_Audio;

class RKMusicPatternSystem {
 public:
  enum RKMusicPatternType : std::uint8_t { Zone = 0, Fill = 1, Unknown = 2 };

  struct RKMusicPatternEntry {
    std::string patternName;
    std::string nextPatternName;  // follows this one when nothing is queued; empty = loop
    std::string fileName;
    MIX_Audio* audio = nullptr;
    RKMusicPatternType type = Unknown;
  };

  int patternLengthMs = 0;         // INT32_MAX when the audio reports no positive duration
  std::int64_t lastPosition = -1;  // sample frames seen by the last advance; -1 = none yet
  std::vector<RKMusicPatternEntry*> patterns;  // in file order; first calm, second alert
  std::string currentPatternName;
  std::string nextPatternName;
  RKMusicPatternEntry* queuedPattern = nullptr;
  MIX_Track* track = nullptr;
  const int* volumeSource = nullptr;

  // Starts the entry on the track, looping forever. False when it cannot be started.
  bool PlayMusicPattern(RKMusicPatternEntry* entry, int fadeInMs);
  // Queues the pattern with this name; throws std::runtime_error when there is none.
  void SetNextMusicPattern(const std::string& name);
  // Applies the volume setting to the track's gain; true without a track.
  bool UpdateMusicVolume() const;
  // The volume setting as a gain in 0..1; 0 without a volume source.
  float GetMusicGain() const;
  int GetMaxMusicVolume() const { return MAX_MUSIC_VOLUME; }
  void SetTrack(MIX_Track* newTrack) { track = newTrack; }
  void SetVolumeSource(const int* source) { volumeSource = source; }

  static RKMusicPatternType GetMusicPatternType(const std::string& text);
  static std::string GetMusicPatternTypeName(RKMusicPatternType type);
};
