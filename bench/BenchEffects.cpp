// Particle effects per frame: 5,000 live particles updated at 60 frames a second, as one endless
// effect and as a stream of short one-shot effects that come and go. One iteration is one frame,
// so the time column is the update time per frame; the counters give the live particles and the
// heap allocations per frame once the caches are warm (expected: 0).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <new>

#include "app/AppMain.h"
#include "engine/EngineEffects.h"
#include "engine/EngineVideo.h"

#include "BenchAllocations.h"

namespace {

using namespace tv;

constexpr float FrameTime = 1.0f / 60.0f;

// An emitter that uses the costly paths: random area start, spread direction and size, all four
// curves over the life, and a colour change.
TEmitterRecord BusyEmitter() {
  TEmitterRecord e;
  e.PositionMode = PositionArea;
  e.DirectionMode = DirectionSpread;
  e.DirectionSpread = 90;
  e.DistanceMode = DistanceSpread;
  e.DistanceBase = 80;
  e.DistanceSpread = 40;
  e.SizeMode = SizeSpread;
  e.SizeBase = {24, 24};
  e.SizeSpread = {8, 8};
  e.AngleMode = AngleRandom;
  e.SpinMode = SpinSpread;
  e.SpinSpread = 180;
  e.ColorMode = ColorBetween;
  e.ColorB = {1, 1, 0};
  e.MotionCurveOn = 1;
  e.MotionCurve = "0-8-1";
  e.ScaleCurveOn = 1;
  e.ScaleEnd = 2;
  e.ScaleCurve = "0-1";
  e.SpinCurveOn = 1;
  e.SpinCurve = "0-1";
  e.ColorChangeOn = 1;
  e.AlphaCurve = "0-1-1-0";
  return e;
}

// Runs Frame 180 times to reach the steady state, then once an iteration, and reports the live
// particles and the heap allocations a frame.
template <typename TFrame>
void TimeFrames(benchmark::State& State, TFrame&& Frame) {
  for (int i = 0; i < 180; ++i) Frame();
  const long long before = gAllocations;
  long long frames = 0, particles = 0;
  for (auto _ : State) {
    Frame();
    particles += LiveParticleCount();
    ++frames;
  }
  const long long allocations = gAllocations - before;
  State.counters["particles"] = static_cast<double>(particles) / static_cast<double>(frames);
  State.counters["allocs/frame"] = static_cast<double>(allocations) / static_cast<double>(frames);
}

// One endless effect: 50 particles every 1/100 s, each living one second: 5,000 alive.
TEffectFile EndlessEffectFile() {
  TEffectFile file;
  file.Area = {800, 400};
  TEmitterRecord e = BusyEmitter();
  e.Interval = 0.01f;
  e.Count = 50;
  e.LifetimeBase = 1;
  file.Emitters = {e};
  return file;
}

// The endless effect on no canvas: updates only.
void BM_EffectsUpdateOneEffect(benchmark::State& State) {
  EffectsStartup();
  SeedRandom(1);
  TEffect effect("G2Bench");
  effect.Assign(EndlessEffectFile());
  PlayEffect(nullptr, nullptr, 0, {0, 0}, &effect);
  TimeFrames(State, [] { EffectsUpdateBy(FrameTime); });
  EffectsShutdown();
}
BENCHMARK(BM_EffectsUpdateOneEffect)->Unit(benchmark::kMicrosecond);

// One-shot effects of 100 particles started every frame, each lasting 0.8 s: about 48 performers
// and 5,000 particles alive, with performers, clusters and particles recycled all the time.
void BM_EffectsUpdateManyOneShots(benchmark::State& State) {
  EffectsStartup();
  SeedRandom(2);
  TEffectFile file;
  file.Area = {200, 200};
  TEmitterRecord e = BusyEmitter();
  e.Mode = EmitTimed;
  e.Interval = 1;
  e.Duration = 0.01f;
  e.Count = 100;
  e.LifetimeBase = 0.8f;
  file.Emitters = {e};
  TEffect effect("G2BenchBurst");
  effect.Assign(file);
  float x = 0;
  auto frame = [&] {
    x = x > 600 ? -600 : x + 7;
    PlayEffect(nullptr, nullptr, 0, {x, 0}, &effect);
    EffectsUpdateBy(FrameTime);
  };
  TimeFrames(State, frame);
  EffectsShutdown();
}
BENCHMARK(BM_EffectsUpdateManyOneShots)->Unit(benchmark::kMicrosecond);

// The endless effect again, on the main canvas of the memory video device: each frame updates the
// particles and their sprites and then draws them (sorting, states and quads, without a GPU).
void BM_EffectsUpdateAndDraw(benchmark::State& State) {
  SetVideoOptions({TGfxBackend::Memory, 1600, 900});
  VideoStartup();
  EffectsStartup();
  SeedRandom(3);
  TEffect effect("G2Bench");
  effect.Assign(EndlessEffectFile());
  PlayEffect(nullptr, MainCanvas(), 0, {0, 0}, &effect);
  TimeFrames(State, [] {
    EffectsUpdateBy(FrameTime);
    RenderFrame(nullptr);
  });
  EffectsShutdown();
  VideoShutdown();
  SetVideoOptions({});
}
BENCHMARK(BM_EffectsUpdateAndDraw)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
