// Fuzz target for the script loader: any bytes, loaded as the common or the scenario script in
// add mode and then again in replace mode, under one of three code pages. The only failure
// allowed is the loader's own parse error.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/EngineClasses.h"
#include "engine/EngineScript.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size == 0) return 0;
  const uint8_t flags = Data[0];
  const std::string_view script(reinterpret_cast<const char*>(Data + 1), Size - 1);
  static const int32_t pages[] = {1252, 1251, 1250, 1252};
  tv::ResetLocalization();
  tv::SetCodePage(pages[flags & 3]);
  const bool scenario = (flags & 4) != 0;
  for (const bool replace : {false, true}) {
    try {
      tv::LoadScript(script, scenario, replace);
    } catch (const tv::EError&) {
    }
  }
  for (tv::TItem* item : tv::TextTable()) {
    if (static_cast<tv::TScriptNode*>(item)->Text.empty()) __builtin_trap();
  }
  (void)tv::FormatInteger(tv::GetDigitGroupingAboveValue());
  tv::FreeTexts();
  return 0;
}
