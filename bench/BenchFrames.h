// The timed loop of the benchmarks that draw whole frames with OpenGL: each iteration draws a
// frame and waits for the driver to finish it, and the counters give the frame rate, the CPU time
// a frame (the thread's in "cpu_ms", the process's in "proc_cpu_ms", the driver's threads
// included), the heap allocations and the draw batches a frame.
#pragma once

#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <atomic>
#include <cstdint>

#include "BenchClock.h"
#include "platform/PlatformGraphics.h"

namespace tv::bench {

// Allocations: the executable's allocation counter (BenchAllocations.h).
template <typename TDraw>
void TimeGlFrames(benchmark::State& State, const std::atomic<long long>& Allocations, TDraw&& Draw) {
  const double cpuStart = ThreadSeconds();
  const double procStart = ProcessSeconds();
  const long long allocStart = Allocations;
  const int64_t batchStart = GfxStats().Batches;
  int64_t frames = 0;
  for (auto _ : State) {
    Draw();
    glFinish();
    ++frames;
  }
  const double cpu = ThreadSeconds() - cpuStart;
  const long long allocations = Allocations - allocStart;  // before the counters allocate
  const int64_t batches = GfxStats().Batches - batchStart;
  const double n = frames > 0 ? static_cast<double>(frames) : 1;
  State.counters["fps"] = benchmark::Counter(static_cast<double>(State.iterations()), benchmark::Counter::kIsRate);
  State.counters["cpu_ms"] = cpu * 1000 / n;
  State.counters["proc_cpu_ms"] = (ProcessSeconds() - procStart) * 1000 / n;
  State.counters["allocs/frame"] = static_cast<double>(allocations) / n;
  State.counters["batches"] = static_cast<double>(batches) / n;
}

}  // namespace tv::bench
