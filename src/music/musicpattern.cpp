#include "music/musicpattern.h"

#include <SDL3/SDL.h>
#include <SDL3_mixer/SDL_mixer.h>

#include <climits>
#include <stdexcept>

bool RKMusicPatternSystem::PlayMusicPattern(RKMusicPatternEntry* entry, int fadeInMs) {
  if (entry == nullptr || track == nullptr) return false;
  if (!MIX_SetTrackAudio(track, entry->audio)) return false;

  SDL_PropertiesID properties = SDL_CreateProperties();
  if (properties == 0) return false;
  SDL_SetNumberProperty(properties, MIX_PROP_PLAY_LOOPS_NUMBER, -1);
  if (fadeInMs > 0)
    SDL_SetNumberProperty(properties, MIX_PROP_PLAY_FADE_IN_MILLISECONDS_NUMBER, fadeInMs);
  const bool playing = MIX_PlayTrack(track, properties);
  SDL_DestroyProperties(properties);
  if (!playing) return false;

  // Without a known length the "loops = 0" branch of the advance must never see the end.
  const Sint64 frames = MIX_GetAudioDuration(entry->audio);
  const Sint64 ms = frames > 0 ? MIX_AudioFramesToMS(entry->audio, frames) : -1;
  patternLengthMs = ms > 0 && ms <= INT_MAX ? static_cast<int>(ms) : INT_MAX;

  currentPatternName = entry->patternName;
  nextPatternName = entry->nextPatternName;
  lastPosition = -1;
  return true;
}

void RKMusicPatternSystem::SetNextMusicPattern(const std::string& name) {
  for (RKMusicPatternEntry* entry : patterns) {
    if (entry->patternName == name) {
      queuedPattern = entry;
      return;
    }
  }
  throw std::runtime_error("Requested zone or fill could not be found: " + name);
}

bool RKMusicPatternSystem::UpdateMusicVolume() const {
  if (track == nullptr) return true;
  return MIX_SetTrackGain(track, GetMusicGain());
}

float RKMusicPatternSystem::GetMusicGain() const {
  if (volumeSource == nullptr) return 0.0f;
  const int volume = *volumeSource;
  if (volume <= 0) return 0.0f;
  if (volume >= GetMaxMusicVolume()) return 1.0f;
  return static_cast<float>(volume) / static_cast<float>(GetMaxMusicVolume());
}

RKMusicPatternSystem::RKMusicPatternType RKMusicPatternSystem::GetMusicPatternType(
    const std::string& text) {
  if (text == "Zone") return Zone;
  if (text == "Fill") return Fill;
  return Unknown;
}

std::string RKMusicPatternSystem::GetMusicPatternTypeName(RKMusicPatternType type) {
  switch (type) {
    case Zone:
      return "Zone";
    case Fill:
      return "Fill";
    default:
      return "Unknown";
  }
}
