// Loads arbitrary bytes as a WAVE file and plays what loaded: no input may crash the reader, read
// outside its buffer or make a buffer larger than the input.
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
  for (int i = 0; i < 4; ++i) {
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
    sample.LoadFrom(tv::TExtKind::Wav, [&bytes]() { return tv::MemorySoundInput(bytes); });
  } catch (const tv::EError&) {
    return 0;
  }
  if (sample.Buffer != nullptr && sample.Buffer->GetSize() > Size) __builtin_trap();
  PlayBriefly(sample);
  return 0;
}
