// Fuzz target for reading a scenario file as records and decompiling it: any bytes are read (a
// read failure is allowed), linted, and decompiled (refusing references beyond the lists is
// allowed); the source must compile back to the same records, unless the compiler refuses numbers
// that saved games could not tell apart.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "authoring/GameScenarioLint.h"
#include "authoring/GameScenarioSource.h"
#include "base/EngineClasses.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string_view bytes(reinterpret_cast<const char*>(Data), Size);
  tv::TScenarioBuilder read;
  tv::TScenarioReadNotes notes;
  try {
    read = tv::ReadScenarioRecords(bytes, "fuzz.dat", notes);
  } catch (const tv::EError&) {
    return 0;
  }
  (void)tv::LintScenario(read, nullptr, "fuzz.dat", {});
  std::string source;
  try {
    source = tv::DecompileScenario(read);
  } catch (const tv::EError&) {
    return 0;
  }
  const tv::TScenarioCompileResult back = tv::CompileScenarioSources({{"back.tvs", source}});
  if (!back.Ok) {
    for (const tv::TScenarioDiagnostic& d : back.Diagnostics) {
      const bool duplicate = d.Message.find("is already used by") != std::string::npos;
      if (d.Severity == tv::TScenarioDiagnostic::TSeverity::Error && !duplicate) __builtin_trap();
    }
    return 0;
  }
  if (back.Scenario.Build() != read.Build()) __builtin_trap();
  return 0;
}
