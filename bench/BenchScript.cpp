// Loading a script: a 1 MB common script of 20,000 texts must load in one pass, with a number of
// heap allocations that follows the texts, not the characters. The same bytes copied plainly,
// in the same run, give the yardstick for the loader's speed.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "engine/EngineScript.h"

#include "BenchAllocations.h"

namespace {

using namespace tv;

constexpr int TextCount = 20000;
constexpr size_t ScriptSize = 1 << 20;

// A common script of exactly 1 MB holding 20,000 texts: words, collapsing blanks, line breaks,
// character references, a skipped inline element, accented letters and a comment now and then.
const std::string& SampleScript() {
  static const std::string script = [] {
    static const char* words[] = {"the",         "road", "to",    "Tolvaren", "winds", "past",         "mill",
                                  "caf\xC3\xA9", "and",  "river", "trader",   "sells", "m\xC3\xBCsli", "at"};
    std::string out = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<script>\r\n";
    out += "  <option id=\"DigitGroupingAboveValue\" value=\"9999\"/>\r\n";
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
    for (int i = 0; i < TextCount; ++i) {
      out += "  <text id=\"SceneLegendH" + std::to_string(i) + "\">";
      const int count = 3 + static_cast<int>(next() % 5);
      for (int w = 0; w < count; ++w) {
        out += words[next() % (sizeof words / sizeof *words)];
        switch (next() % 12) {
          case 0: out += "\r\n    "; break;
          case 1: out += " &amp; "; break;
          case 2: out += " <b>x</b> "; break;
          case 3: out += "  "; break;
          default: out += ' '; break;
        }
      }
      out += "</text>\r\n";
      if (i % 1000 == 0) out += "  <!-- part -->\r\n";
    }
    out += "</script>\r\n";
    // Pad with blanks after the root to exactly 1 MB; the scanner reads them like any other byte.
    if (out.size() < ScriptSize) out.append(ScriptSize - out.size(), ' ');
    return out;
  }();
  return script;
}

void BM_LoadScript(benchmark::State& State) {
  const std::string& script = SampleScript();
  long long allocations = 0;
  for (auto _ : State) {
    State.PauseTiming();
    FreeTexts();
    State.ResumeTiming();
    const long long before = gAllocations;
    LoadScript(script, false, false);
    allocations += gAllocations - before;
  }
  if (TextTable().GetCount() != TextCount) State.SkipWithError("wrong number of texts");
  FreeTexts();
  const double rounds = static_cast<double>(State.iterations());
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations()) * static_cast<int64_t>(script.size()));
  State.counters["allocations"] = static_cast<double>(allocations) / rounds;
  State.counters["allocations_per_text"] = static_cast<double>(allocations) / rounds / TextCount;
  State.counters["allocations_per_char"] =
      static_cast<double>(allocations) / rounds / static_cast<double>(script.size());
}
BENCHMARK(BM_LoadScript)->Unit(benchmark::kMillisecond);

// Replace mode over the same table: every text is looked up by its key from the remembered
// position, which for a file in table order is the next entry.
void BM_ReloadScript(benchmark::State& State) {
  const std::string& script = SampleScript();
  FreeTexts();
  LoadScript(script, false, false);
  for (auto _ : State) LoadScript(script, false, true);
  FreeTexts();
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations()) * static_cast<int64_t>(script.size()));
}
BENCHMARK(BM_ReloadScript)->Unit(benchmark::kMillisecond);

void BM_CopyBytes(benchmark::State& State) {
  const std::string& script = SampleScript();
  std::vector<char> target(script.size());
  for (auto _ : State) {
    std::memcpy(target.data(), script.data(), script.size());
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations()) * static_cast<int64_t>(script.size()));
}
BENCHMARK(BM_CopyBytes)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
