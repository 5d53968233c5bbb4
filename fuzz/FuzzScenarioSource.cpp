// Fuzz target for the scenario source format: any text is compiled; what compiles must survive the
// round trip through the scenario file and the decompiler unchanged, and the linter must cope
// with it. The only failures allowed are the compiler's messages.
#include <cstddef>
#include <cstdint>
#include <string>

#include "authoring/GameScenarioLint.h"
#include "authoring/GameScenarioSource.h"
#include "base/EngineClasses.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string text(reinterpret_cast<const char*>(Data), Size);
  const tv::TScenarioCompileResult compiled = tv::CompileScenarioSources({{"fuzz.tvs", text}});
  for (const tv::TScenarioDiagnostic& d : compiled.Diagnostics) {
    if (d.Message.empty()) __builtin_trap();
  }
  if (!compiled.Ok) return 0;
  const std::string bytes = compiled.Scenario.Build();
  const tv::TScenarioBuilder read = tv::ReadScenarioRecords(bytes, "fuzz.dat");
  if (read.Build() != bytes) __builtin_trap();
  const std::string source = tv::DecompileScenario(read);
  const tv::TScenarioCompileResult back = tv::CompileScenarioSources({{"back.tvs", source}});
  if (!back.Ok || back.Scenario.Build() != bytes) __builtin_trap();
  (void)tv::LintScenario(compiled.Scenario, &compiled.Places, "fuzz.dat", {});
  return 0;
}
