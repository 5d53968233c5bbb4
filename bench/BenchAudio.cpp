// The mixer and the music stream. Times are CPU times of the benchmark's thread.
//
// BM_Mix32Sources: 32 looping 44.1 kHz stereo buffers mixed into the 48 kHz output, 1024 frames a
// call (what one audio callback asks for). "core_percent" is the share of one core the mixer
// takes to keep up with real time; it must stay under 5.
//
// BM_StreamingFrame: the audio update of one 60 Hz frame while one 40-second Ogg Vorbis track
// streams (the mixer moving its cursor on between frames, outside the timing). Each frame does at
// most one block decode or one block write; "worst_frame_ms" is the dearest frame (a one-second
// block decoded) and "allocations_per_frame" counts our own allocations once the stream is open.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "engine/EngineAudio.h"
#include "engine/EngineSoundFiles.h"

#include "BenchAllocations.h"
#include "BenchClock.h"

namespace tv {
namespace {

// CPU time of this thread: the machine may be busy with other work, and the share of a core the
// mixer needs is what matters.
using bench::ThreadSeconds;

std::vector<int16_t> StereoTone(double Hz, double Seconds, int32_t Rate) {
  const size_t frames = static_cast<size_t>(Seconds * Rate);
  std::vector<int16_t> pcm(frames * 2);
  for (size_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / Rate;
    pcm[2 * i] = static_cast<int16_t>(6000 * std::sin(2 * M_PI * Hz * t));
    pcm[2 * i + 1] = static_cast<int16_t>(6000 * std::sin(2 * M_PI * Hz * 1.5 * t));
  }
  return pcm;
}

void BM_Mix32Sources(benchmark::State& State) {
  SetSoundClock(TSoundClock::Manual, 48000);
  std::unique_ptr<TSoundDevice> device = SoundCreate();
  std::vector<TSoundBufferPtr> buffers;
  for (int i = 0; i < 32; ++i) {
    const std::vector<int16_t> pcm = StereoTone(200 + 37 * i, 1.0 + 0.01 * i, 44100);
    TSoundBufferDesc desc;
    desc.BufferBytes = static_cast<uint32_t>(pcm.size() * 2);
    desc.Format = PcmFormat(2, 44100);
    TSoundBufferPtr buffer = device->CreateSoundBuffer(desc);
    void* p = nullptr;
    uint32_t n = 0;
    buffer->Lock(0, 0, &p, &n, nullptr, nullptr, DSBLOCK_ENTIREBUFFER);
    std::memcpy(p, pcm.data(), n);
    buffer->Unlock(p, n, nullptr, 0);
    buffer->SetVolume(-100 * (i % 12));
    buffer->Play(0, DSBPLAY_LOOPING);
    buffers.push_back(buffer);
  }
  std::vector<int16_t> out(2 * 1024);
  const double start = ThreadSeconds();
  for (auto _ : State) {
    device->Render(out.data(), 1024);
    benchmark::DoNotOptimize(out.data());
  }
  const double seconds = ThreadSeconds() - start;
  const double audio = static_cast<double>(State.iterations()) * 1024 / 48000;
  State.counters["core_percent"] = 100 * seconds / audio;
  State.counters["playing"] = device->PlayingCount();
  SetSoundClock(TSoundClock::Device);
}
BENCHMARK(BM_Mix32Sources);

void BM_StreamingFrame(benchmark::State& State) {
  SetSoundClock(TSoundClock::Manual, 48000);
  AudioStartup();
  const std::string ogg = EncodeOggVorbis(StereoTone(330, 40.0, 44100), 2, 44100, 0.3f);
  {
    TSample sample;
    sample.Name = "J9Bench";
    sample.LoadFrom(TExtKind::Ogg, [&ogg]() { return MemorySoundInput(ogg); });
    TSource* source = nullptr;
    CreateSource(source);
    source->SetLooping(true);
    source->SetSample(&sample);
    source->SetPlaying(true);
    std::vector<int16_t> out(2 * 800);
    double worst = 0;
    const long long allocationsBefore = gAllocations.load();
    for (auto _ : State) {
      State.PauseTiming();
      GetAudioDevice()->Render(out.data(), 800);
      State.ResumeTiming();
      const double start = ThreadSeconds();
      AudioUpdateBy(1.0f / 60);
      worst = std::max(worst, ThreadSeconds() - start);
    }
    State.counters["allocations_per_frame"] =
        static_cast<double>(gAllocations.load() - allocationsBefore) / static_cast<double>(State.iterations());
    State.counters["worst_frame_ms"] = worst * 1000;
    State.counters["failed"] = sample.Failed ? 1 : 0;
    FreeSource(source);
  }
  AudioShutdown();
  SetSoundClock(TSoundClock::Device);
}
BENCHMARK(BM_StreamingFrame)->Iterations(3600);

}  // namespace
}  // namespace tv

BENCHMARK_MAIN();
