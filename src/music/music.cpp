#include "music/music.h"

#include <SDL3/SDL.h>
#include <SDL3_mixer/SDL_mixer.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <vector>

#include "app/frames.h"
#include "core/globals.h"
#include "cson/cson.h"
#include "music/globals.h"
#include "persistence/globals.h"

namespace {

using Entry = RKMusicPatternSystem::RKMusicPatternEntry;

constexpr int MENU_FADE_MS = 500;
constexpr int SHUTDOWN_FADE_MS = 500;
// The fade-out should end after 500 ms; a track that never reports stopping must not hang
// the program on its way out.
constexpr Uint64 SHUTDOWN_WAIT_LIMIT_MS = 2000;

// A start-up step failed: say so with SDL's reason and give up.
bool FailToOpen(const char* what) {
  std::cerr << what << SDL_GetError() << std::endl;
  return false;
}

[[noreturn]] void ThrowPlayFailure() {
  throw std::runtime_error(std::string("Failed to play music! SDL_mixer Error: ") + SDL_GetError());
}

std::string StringMember(const zokCSON::Value& object, const char* key) {
  const zokCSON::Value* member = object.Find(key);
  return member != nullptr && member->IsString() ? member->AsString() : std::string();
}

// Starts whatever is queued at once and empties the queue; throws when it cannot be started.
void StartQueuedPattern() {
  const bool started = musicPattern.PlayMusicPattern(musicPattern.queuedPattern, 0);
  musicPattern.queuedPattern = nullptr;
  if (!started) ThrowPlayFailure();
}

// The wrap-around (or end) of the current pattern: the queued pattern, or failing that the
// current one's successor, starts now; with neither the current pattern just keeps looping.
void ChangePattern(Sint64 position) {
  musicPattern.lastPosition = position;
  if (musicPattern.queuedPattern == nullptr && !musicPattern.nextPatternName.empty()) {
    musicPattern.SetNextMusicPattern(musicPattern.nextPatternName);
  }
  if (musicPattern.queuedPattern != nullptr) StartQueuedPattern();
}

// Ends or abandons the menu fade-in with the music at the volume setting.
void SwitchMenuFadeOff() {
  menuFadeActive = false;
  menuFadeWaitingForPlayback = false;
  // The gain of the tag "music" is the music track's own gain, not a second one: the fade
  // (or a tag gain of 1.0) leaves the track at that gain until the volume is applied again,
  // which would play the music at full volume, or stuck part-way, whatever the setting.
  if (musicMixer != nullptr) MIX_SetTagGain(musicMixer, "music", 1.0f);
  musicPattern.UpdateMusicVolume();
}

}  // namespace

bool CheckPatternAudio(SDL_IOStream* io, std::string& reason) {
  // Closed here, not by the decoder: a decoder that cannot be created leaves it open.
  MIX_AudioDecoder* decoder = MIX_CreateAudioDecoder_IO(io, false, 0);
  if (decoder == nullptr) {
    reason = SDL_GetError();
    if (io != nullptr) SDL_CloseIO(io);
    return false;
  }
  // A looping track whose audio yields no sample frames rewinds and reads again without end,
  // holding the mixer's lock all the while: such a file must never reach the track. The first
  // frames are enough to know; one call decodes at most one buffer, so no file keeps us here.
  const SDL_AudioSpec spec{SDL_AUDIO_S16, 2, 44100};
  std::vector<char> buffer(4096);
  const int bytes = MIX_DecodeAudio(decoder, buffer.data(), static_cast<int>(buffer.size()), &spec);
  if (bytes < 0) reason = SDL_GetError();
  if (bytes == 0) reason = "no audio could be decoded";
  const bool decoded = bytes > 0;
  MIX_DestroyAudioDecoder(decoder);
  SDL_CloseIO(io);
  return decoded;
}

bool LoadMusicDefinition(const std::string& path) {
  ForgetMusicPatterns();

  zokCSON::Value root;
  zokCSON::Error error{};
  if (zokCSON::ParseFile(path, root, &error) != zokCSON::ErrorCode::Ok) {
    std::cerr << "Failed to load music definition file!\n";
    if (!error.message.empty()) {
      std::cerr << "CSON error: " << path << ':' << error.line << ':' << error.column << ": "
                << error.message << '\n';
    }
    return false;
  }
  if (!root.IsObject()) {
    std::cerr << "Invalid music definition data!\n";
    return false;
  }
  const zokCSON::Value* patterns = root.Find("patterns");
  if (patterns == nullptr) {
    std::cerr << "Music definition is missing patterns!\n";
    return false;
  }
  if (!patterns->IsArray()) {
    std::cerr << "Music patterns data is invalid!\n";
    return false;
  }

  for (const zokCSON::Value& element : patterns->AsArray()) {
    if (!element.IsObject()) continue;
    Entry* entry = new Entry();
    entry->patternName = StringMember(element, "patternName");
    entry->nextPatternName = StringMember(element, "nextPatternName");
    entry->fileName = StringMember(element, "fileName");
    const std::string type = StringMember(element, "type");
    entry->type = RKMusicPatternSystem::GetMusicPatternType(type);
    if (entry->type == RKMusicPatternSystem::Unknown) {
      std::cerr << "Given pattern type is unknown! (pattern \"" << entry->patternName
                << "\", type \"" << type << "\")\n";
      delete entry;
      return false;
    }
    // Only a regular file is handed to the decoder: a folder or a device is no audio.
    std::error_code failure;
    if (!std::filesystem::is_regular_file(entry->fileName, failure)) {
      SDL_SetError("%s is missing or not a regular file", entry->fileName.c_str());
    } else {
      SDL_IOStream* file = SDL_IOFromFile(entry->fileName.c_str(), "rb");
      std::string reason;
      if (file == nullptr) {
        reason = SDL_GetError();
      } else if (CheckPatternAudio(file, reason)) {
        entry->audio = MIX_LoadAudio(musicMixer, entry->fileName.c_str(), false);
      }
      if (entry->audio == nullptr && !reason.empty()) {
        // The file is there but holds no music we can play: named like a damaged font.
        std::cerr << entry->fileName << ": " << reason << '\n';
        delete entry;
        return false;
      }
    }
    if (entry->audio == nullptr) {
      std::cerr << "Failed to load music! SDL_mixer Error: " << SDL_GetError() << " ("
                << entry->fileName << ")\n";
      delete entry;
      return false;
    }
    musicPattern.patterns.push_back(entry);
  }

  // The menus play the first pattern and the game switches to the second: with fewer the
  // game would have nothing to play.
  if (musicPattern.patterns.size() < 2) {
    std::cerr << "Music definition needs at least two patterns!\n";
    return false;
  }
  // A successor that names no pattern would end the program at the first wrap-around, with the
  // game in progress lost: it fails start-up instead.
  for (const Entry* entry : musicPattern.patterns) {
    const std::string& next = entry->nextPatternName;
    auto named = [&next](const Entry* other) { return other->patternName == next; };
    const bool known = next.empty() || std::any_of(musicPattern.patterns.begin(),
                                                   musicPattern.patterns.end(), named);
    if (!known) {
      std::cerr << "Music pattern \"" << entry->patternName << "\" names an unknown next pattern \""
                << next << "\"! (" << path << ")\n";
      return false;
    }
  }
  return true;
}

void AdvanceMusic() {
  MIX_Track* track = musicPattern.track;
  if (track == nullptr || !musicEnabled) return;

  const int loops = MIX_GetTrackLoops(track);
  const Sint64 position = MIX_GetTrackPlaybackPosition(track);
  if (position >= 0) {
    if (loops != 0) {
      // A looping track never reports its loops: the position falling back is the only sign.
      if (musicPattern.lastPosition >= 0 && musicPattern.lastPosition > position) {
        ChangePattern(position);
      } else {
        musicPattern.lastPosition = position;
      }
    } else if (musicPattern.patternLengthMs <= MIX_TrackFramesToMS(track, position)) {
      ChangePattern(position);
    } else {
      musicPattern.lastPosition = position;
    }
  } else if (loops == 0 && !MIX_TrackPlaying(track)) {
    ChangePattern(-1);
  }
}

int MusicWaitMs() {
  MIX_Track* track = musicPattern.track;
  if (track == nullptr || !musicEnabled) return NO_TIME_LIMIT;
  // With nothing queued and no successor the pattern loops by itself: nothing to do at its end.
  if (musicPattern.queuedPattern == nullptr && musicPattern.nextPatternName.empty()) {
    return NO_TIME_LIMIT;
  }
  const Sint64 position = MIX_GetTrackPlaybackPosition(track);
  if (position < 0) {
    // A pattern that has ended hands over at once; a track without a position never does.
    return MIX_GetTrackLoops(track) == 0 && !MIX_TrackPlaying(track) ? 0 : NO_TIME_LIMIT;
  }
  // An end that cannot be foreseen is watched for at every frame.
  if (musicPattern.patternLengthMs == INT_MAX) return 0;
  const Sint64 left = musicPattern.patternLengthMs - MIX_TrackFramesToMS(track, position);
  return left > 0 ? static_cast<int>(left) : 0;
}

bool MenuMusicFading() {
  return menuFadeActive && musicTrack != nullptr && musicMixer != nullptr && musicEnabled;
}

void UpdateMenuMusicFade() {
  if (!MenuMusicFading()) return;

  if (menuFadeWaitingForPlayback) {
    // Opening the audio device can take a while; counting from before the first sample is
    // heard would eat part of the fade.
    if (!MIX_TrackPlaying(musicTrack) || MIX_GetTrackPlaybackPosition(musicTrack) < 0) return;
    // 0 means "not started yet", so a start in the very first millisecond must not be 0.
    menuFadeStart = std::max<std::uint64_t>(Now(), 1);
    menuFadeWaitingForPlayback = false;
    MIX_SetTagGain(musicMixer, "music", 0.0f);
  }
  if (menuFadeStart == 0) return;

  float t = static_cast<float>(Now() - menuFadeStart) / static_cast<float>(MENU_FADE_MS);
  if (t > 1.0f) t = 1.0f;
  MIX_SetTagGain(musicMixer, "music", musicPattern.GetMusicGain() * t);
  if (t >= 1.0f) SwitchMenuFadeOff();
}

void StartMenuMusic(bool& backFromGame) {
  if (!musicEnabled) {
    SwitchMenuFadeOff();
    return;
  }
  if (musicPattern.patterns.empty() || musicPattern.track == nullptr) return;

  const std::string& first = musicPattern.patterns.front()->patternName;
  if (MIX_TrackPlaying(musicPattern.track) && !musicPattern.currentPatternName.empty()) {
    if (musicPattern.currentPatternName == first && !backFromGame) return;
    musicPattern.SetNextMusicPattern(first);
    SwitchMenuFadeOff();
  } else {
    musicPattern.SetNextMusicPattern(first);
    if (!menuFadeDone && musicMixer != nullptr) {
      MIX_SetTagGain(musicMixer, "music", 0.0f);
      menuFadeActive = true;
      menuFadeWaitingForPlayback = true;
      menuFadeStart = 0;
      menuFadeDone = true;
    } else {
      SwitchMenuFadeOff();
    }
  }
  backFromGame = false;
  StartQueuedPattern();
}

void RestartFirstPattern() {
  if (musicPattern.patterns.empty() || musicPattern.track == nullptr) return;
  musicPattern.SetNextMusicPattern(musicPattern.patterns.front()->patternName);
  StartQueuedPattern();
}

void StopMusic() {
  if (musicTrack != nullptr) MIX_StopTrack(musicTrack, 0);
}

void ChooseInGameMusic(bool enemyInView) {
  if (!playerMovedOrAttacked || musicPattern.patterns.size() < 2) return;
  Entry* target = musicPattern.patterns[enemyInView ? 1 : 0];
  if (musicPattern.currentPatternName != target->patternName) {
    musicPattern.SetNextMusicPattern(target->patternName);
  } else if (musicPattern.queuedPattern != nullptr && musicPattern.queuedPattern != target) {
    // A guard seen and lost again before the loop ended: the mood asked for then no longer
    // holds, and playing it for a whole loop would tell the player of a guard who is gone.
    musicPattern.queuedPattern = nullptr;
  }
}

void FadeOutMusic() {
  if (musicTrack == nullptr || !MIX_TrackPlaying(musicTrack)) return;
  MIX_StopTrack(musicTrack, MIX_TrackMSToFrames(musicTrack, SHUTDOWN_FADE_MS));
  // This waits for the audio device, which plays in real time: on SDL's own clock, not on the
  // frames' clock that a test may step.
  const Uint64 giveUpAt = SDL_GetTicks() + SHUTDOWN_WAIT_LIMIT_MS;
  while (MIX_TrackPlaying(musicTrack) && SDL_GetTicks() < giveUpAt) SDL_Delay(10);
}

void ForgetMusicPatterns() {
  for (Entry* entry : musicPattern.patterns) {
    if (entry->audio != nullptr) MIX_DestroyAudio(entry->audio);
    delete entry;
  }
  musicPattern.patterns.clear();
  musicPattern.queuedPattern = nullptr;
  musicPattern.currentPatternName.clear();
  musicPattern.nextPatternName.clear();
  musicPattern.lastPosition = -1;
  musicPattern.patternLengthMs = 0;
}

bool OpenMusic(const std::string& path) {
  if (!MIX_Init()) {
    return FailToOpen("SDL_mixer could not initialize! SDL_mixer Error: ");
  }
  SDL_AudioSpec spec{SDL_AUDIO_S16LE, 2, 44100};
  musicMixer = MIX_CreateMixerDevice(SDL_AUDIO_DEVICE_DEFAULT_PLAYBACK, &spec);
  if (!musicMixer) {
    return FailToOpen("SDL_mixer could not open audio device! SDL_mixer Error: ");
  }
  musicTrack = MIX_CreateTrack(musicMixer);
  if (!musicTrack) {
    return FailToOpen("SDL_mixer could not create music track! SDL_mixer Error: ");
  }
  if (!MIX_TagTrack(musicTrack, "music")) {
    std::cerr << "SDL_mixer could not tag music track! SDL_mixer Error: " << SDL_GetError()
              << std::endl;
  }
  musicPattern.SetTrack(musicTrack);
  musicPattern.SetVolumeSource(&musicVolume);
  if (!musicPattern.UpdateMusicVolume()) {
    return FailToOpen("SDL_mixer could not set music volume! SDL_mixer Error: ");
  }
  return LoadMusicDefinition(path);
}

void CloseMusic() {
  ForgetMusicPatterns();
  musicPattern.SetTrack(nullptr);
  if (musicMixer) {
    MIX_DestroyMixer(musicMixer);
    musicMixer = nullptr;
    musicTrack = nullptr;
  }
  MIX_Quit();
}
