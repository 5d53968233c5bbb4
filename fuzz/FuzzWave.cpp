// Loads arbitrary bytes as a WAVE file and plays what loaded: no input may crash the reader, read
// outside its buffer or make a buffer larger than the input.
#include <cstdint>
#include <string>

#include "FuzzAudio.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  tv::fuzz::EnsureAudio();
  std::string bytes(reinterpret_cast<const char*>(Data), Size);
  tv::TSample sample;
  if (!tv::fuzz::LoadSample(sample, tv::TExtKind::Wav, bytes)) return 0;
  if (sample.Buffer != nullptr && sample.Buffer->GetSize() > Size) __builtin_trap();
  tv::fuzz::PlayBriefly(sample, 4);
  return 0;
}
