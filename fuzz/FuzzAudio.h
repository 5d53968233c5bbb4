// The audio module for fuzz targets that load sounds: started once, on the manual clock (no sound
// device), and a loaded sample played for a while so that decoding and streaming run as well.
#pragma once

#include <cstdint>
#include <string>

#include "engine/EngineAudio.h"

namespace tv::fuzz {

inline void EnsureAudio() {
  static const bool started = [] {
    SetSoundClock(TSoundClock::Manual, 48000);
    AudioStartup();
    return true;
  }();
  (void)started;
}

// Loads Bytes as a sound file of Kind into Sample (named "G8Fuzz"); false when the loader refuses
// them.
inline bool LoadSample(TSample& Sample, TExtKind Kind, const std::string& Bytes) {
  Sample.Name = "G8Fuzz";
  try {
    Sample.LoadFrom(Kind, [&Bytes]() { return MemorySoundInput(Bytes); });
  } catch (const EError&) {
    return false;
  }
  return true;
}

// Plays Sample looping for Blocks mixer blocks of 1024 frames, a tenth of a second of updates each.
inline void PlayBriefly(TSample& Sample, int Blocks) {
  TSource* source = nullptr;
  CreateSource(source);
  source->SetLooping(true);
  source->SetSample(&Sample);
  source->SetPlaying(true);
  int16_t out[2 * 1024];
  for (int i = 0; i < Blocks; ++i) {
    GetAudioDevice()->Render(out, 1024);
    AudioUpdateBy(0.1f);
  }
  FreeSource(source);
}

}  // namespace tv::fuzz
