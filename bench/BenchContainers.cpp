// Container and cache costs: ordered insertion and repeated look-ups must stay constant per
// operation as containers grow, and a warmed-up cache must recycle without touching the heap.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "base/EngineClasses.h"

// ---- heap allocation counter ----------------------------------------------------------------

#include "BenchAllocations.h"

namespace {

using namespace tv;

// Names whose byte order is their numeric order.
std::string NameOf(int I) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "Item%07d", I);
  return buffer;
}

// Every size runs the same total number of insertions, spread over Total / N containers, so that
// the memory touched is the same and only the container size changes.
constexpr int kTotal = 100000;

void BM_InsertAscending(benchmark::State& State) {
  const int n = static_cast<int>(State.range(0));
  const int containers = kTotal / n;
  std::vector<std::unique_ptr<TContainer>> chains;
  std::vector<std::unique_ptr<TNamedItem>> items;
  for (int c = 0; c < containers; ++c) chains.push_back(std::make_unique<TContainer>(true, false));
  for (int i = 0; i < kTotal; ++i) items.push_back(std::make_unique<TNamedItem>(NameOf(i % n)));
  for (auto _ : State) {
    const auto start = std::chrono::steady_clock::now();
    for (int c = 0; c < containers; ++c) {
      TContainer& chain = *chains[static_cast<std::size_t>(c)];
      for (int i = 0; i < n; ++i) chain.Insert(items[static_cast<std::size_t>(c * n + i)].get(), true);
    }
    const auto stop = std::chrono::steady_clock::now();
    State.SetIterationTime(std::chrono::duration<double>(stop - start).count());
    for (auto& chain : chains) chain->Clear();  // not timed
  }
  State.counters["per_op"] =
      benchmark::Counter(kTotal, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_InsertAscending)->Arg(10)->Arg(1000)->Arg(100000)->UseManualTime();

// Look-ups as callers make them: each name several times in a row, the names in chain order, and
// round again (one backward scan per round).
void BM_FindRepeated(benchmark::State& State) {
  const int n = static_cast<int>(State.range(0));
  constexpr int kRepeats = 4;
  TContainer chain(true, true);
  std::vector<std::string> names;
  for (int i = 0; i < n; ++i) {
    names.push_back(NameOf(i));
    chain.Insert(new TNamedItem(names.back()), true);
  }
  for (auto _ : State) {
    for (const std::string& name : names) {
      for (int r = 0; r < kRepeats; ++r) benchmark::DoNotOptimize(chain.Find(name));
    }
  }
  State.counters["per_op"] =
      benchmark::Counter(n * kRepeats, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_FindRepeated)->Arg(10)->Arg(1000)->Arg(100000);

struct TBenchParticle : TItem {
  float Age = 0;
  void Attached() override { Age = 0; }
};

// A million items taken from a cache and returned; after the first round has grown the cache the
// heap must never be touched again.
void BM_CacheAcquireRemove(benchmark::State& State) {
  constexpr int kItems = 1000000;
  TContainer chain(false, MakeItem<TBenchParticle>, 0);
  for (int i = 0; i < kItems; ++i) chain.InsertNew(false);  // warm-up: grows the cache
  chain.Clear();
  long long allocations = 0;
  for (auto _ : State) {
    const long long before = gAllocations;
    for (int i = 0; i < kItems; ++i) chain.InsertNew(false);
    chain.Clear();
    allocations += gAllocations - before;
  }
  State.counters["allocations"] = static_cast<double>(allocations);
  State.counters["per_op"] =
      benchmark::Counter(kItems, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  State.counters["cache_size"] = chain.GetCache()->GetCount();
}
BENCHMARK(BM_CacheAcquireRemove)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
