// Reads arbitrary bytes as an ".emt" effect file and as emitter source text. Neither may crash,
// read outside its input or allocate beyond what the input describes; a file that reads must
// write back to the same bytes, survive the trip through its source, and play.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/AppMain.h"
#include "engine/EngineEffectSource.h"
#include "engine/EngineEffects.h"

namespace {

void Play(const tv::TEffectFile& File) {
  // Many emitters at the particle limits are legal but slow; a few show the same faults.
  if (File.Emitters.size() > 4) return;
  tv::TEffect effect("G2Fuzz");
  effect.Assign(File);
  tv::SeedRandom(1);
  tv::TPerformer* performer = tv::PlayEffect(nullptr, nullptr, 0, {10, 20}, &effect);
  for (int i = 0; i < 6; ++i) {
    tv::EffectsUpdateBy(0.1f);
    if (i == 3) tv::StopEffects(nullptr, false);
  }
  (void)performer;
  tv::StopEffects(nullptr, true);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool Started = [] {
    tv::EffectsStartup();
    return true;
  }();
  (void)Started;
  const std::string bytes(reinterpret_cast<const char*>(Data), Size);

  try {
    size_t trailing = 0;
    const tv::TEffectFile file = tv::ReadEffectFile(bytes, &trailing);
    const std::string written = tv::WriteEffectFile(file);
    if (written != bytes.substr(0, bytes.size() - trailing)) std::abort();
    const std::string source = tv::EffectFileToSource(file);
    if (tv::WriteEffectFile(tv::EffectFileFromSource(source)) != written) std::abort();
    Play(file);
  } catch (const tv::EError&) {
  }

  try {
    const tv::TEffectFile file = tv::EffectFileFromSource(bytes);
    Play(file);
  } catch (const tv::EError&) {
  }
  return 0;
}
