// Loads arbitrary bytes as an Ogg Vorbis file and plays or streams what loaded: no input may crash the
// decoder, read outside a buffer or make a buffer for more than the input can hold.
#include <cstdint>
#include <string>

#include "engine/EngineAudio.h"

namespace {

void PlayBriefly(tv::TSample& Sample) {
  tv::TSource* source = nullptr;
  tv::CreateSource(source);
  source->SetLooping(true);
  source->SetSample(&Sample);
  source->SetPlaying(true);
  int16_t out[2 * 1024];
  for (int i = 0; i < 12; ++i) {
    tv::GetAudioDevice()->Render(out, 1024);
    tv::AudioUpdateBy(0.1f);
  }
  tv::FreeSource(source);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool Started = [] {
    tv::SetSoundClock(tv::TSoundClock::Manual, 48000);
    tv::AudioStartup();
    return true;
  }();
  (void)Started;
  std::string bytes(reinterpret_cast<const char*>(Data), Size);
  tv::TSample sample;
  sample.Name = "G8Fuzz";
  try {
    sample.LoadFrom(tv::TExtKind::Ogg, [&bytes]() { return tv::MemorySoundInput(bytes); });
  } catch (const tv::EError&) {
    return 0;
  }
  // No packet yields more than 4096 frames of at most 4 bytes, and each takes a byte of the file.
  if (sample.Buffer != nullptr && !sample.Streaming && sample.Buffer->GetSize() > Size * 4096 * 4) __builtin_trap();
  PlayBriefly(sample);
  return 0;
}
