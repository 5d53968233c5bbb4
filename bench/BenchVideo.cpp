// Video benchmarks, in a real window (SDL_VIDEODRIVER=x11 on an X server, as bench/run.sh runs
// them) or headless (the off-screen SDL driver; OpenGL on llvmpipe either way):
//
// - BM_VideoFrame: a frame of 1,536 sprites (the sprite cache's size) of mixed shading modes on
//   the 1600 x 900 main canvas, drawn and presented by our device.
// - BM_SdlRendererFrame: the same 1,536 textured, rotated, tinted quads through SDL2's own
//   renderer with its OpenGL driver, in the same run.
// - BM_LoadPng2048: loading a 2048 x 2048 PNG texture (decoding, premultiplying, uploading).
//
// Both frame benchmarks wait for the GPU to finish each frame, so they compare whole frames. At
// the end the ratio of the two frame times is printed (above 1: our device is faster).
// Counters: fps, cpu_ms (main-thread CPU time a frame), proc_cpu_ms (the whole process's, the
// driver's rasterising threads included), allocs/frame (heap allocations a steady frame, which
// should be 0), batches (draw calls a frame) and sprites.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <vector>

#include "BenchFrames.h"
#include "BenchSdlReference.h"
#include "base/AppFolders.h"
#include "engine/EngineTextures.h"
#include "engine/EngineVideo.h"
#include "platform/PlatformGraphics.h"
#include "platform/PlatformImage.h"
#include "platform/PlatformWindow.h"

#include "BenchAllocations.h"

namespace {

using namespace tv;
using namespace tv::bench;

struct TOurScene {
  std::vector<std::unique_ptr<TTexture>> Textures;
  SDL_GLContext Context = nullptr;
  bool Ready = false;
};
TOurScene Ours;

double OurFrameNs = 0;
double OurDefaultFrameNs = 0;
double SdlFrameNs = 0;

bool StartOurs() {
  if (Ours.Ready) return true;
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  std::string error;
  // The window's drawable at the back buffer's size, so frames go straight to it as SDL's do.
  if (!PlatformOpenWindow("bench", error, 1600, 900) || !HasGLContext()) return false;
  Ours.Context = SDL_GL_GetCurrentContext();
  PlatformPlaceWindow(false, 1600, 900);
  SDL_GL_SetSwapInterval(0);  // measure drawing, not the display's refresh
  SetVideoOptions({TGfxBackend::OpenGL, 1600, 900});
  VideoStartup();
  for (int32_t i = 0; i < TextureCount; ++i) {
    auto t = std::make_unique<TTexture>("B");
    const std::vector<uint8_t> pixels = TexturePixels(i);
    UploadPicture(*t, pixels.data(), TextureSide, TextureSide, TPixelFormat::A8R8G8B8, TextureSide * 4);
    SetSingleSegment(*t, {TextureSide, TextureSide});
    Ours.Textures.push_back(std::move(t));
  }
  for (const TQuad& q : MakeQuads()) {
    TSprite* s = nullptr;
    CreateSprite(s, MainCanvas(), 0);
    s->Position = {q.X, q.Y};
    s->Size = {q.W, q.H};
    s->Angle = q.Angle;
    s->Color = {q.R, q.G, q.B, q.A};
    s->Mode = q.Mode;
    s->Param = 0.5f;
    for (int32_t stage = 0; stage < TextureStages; ++stage) {
      s->SetTexture(stage, Ours.Textures[static_cast<size_t>((q.Texture + stage) % TextureCount)].get());
    }
  }
  Ours.Ready = true;
  return true;
}

// Argument 0: the mixed shading modes; 1: every sprite in "Default" (one texture, as SDL draws).
void BM_VideoFrame(benchmark::State& State) {
  if (!StartOurs()) {
    State.SkipWithError("no OpenGL 3.3 context");
    return;
  }
  SDL_GL_MakeCurrent(PlatformWindowHandle(), Ours.Context);
  const std::vector<TQuad> quads = MakeQuads();
  size_t i = 0;
  for (TItem* item : *MainCanvas()->Sprites) {
    static_cast<TSprite*>(item)->Mode = State.range(0) == 0 ? quads[i].Mode : 0;
    ++i;
  }
  // The driver compiles its shader variants on first use: keep that out of the timing.
  for (int warm = 0; warm < 3; ++warm) RenderFrame(nullptr);
  glFinish();
  TimeGlFrames(State, gAllocations, [] { RenderFrame(nullptr); });
  State.counters["sprites"] = SpriteCount;
}

bool StartSdlAfterOurs() { return StartOurs() && StartSdl(); }

void BM_SdlRendererFrame(benchmark::State& State) {
  if (!StartSdlAfterOurs()) {
    State.SkipWithError("SDL's OpenGL renderer is not available");
    return;
  }
  TimeSdlFrames(State);
}

void BM_LoadPng2048(benchmark::State& State) {
  if (!StartOurs()) {
    State.SkipWithError("no OpenGL 3.3 context");
    return;
  }
  SDL_GL_MakeCurrent(PlatformWindowHandle(), Ours.Context);
  // A noisy picture with varying alpha, so that compression does not make decoding trivial.
  const int32_t side = 2048;
  std::vector<uint8_t> rgba(static_cast<size_t>(side) * side * 4);
  std::mt19937 random(7);
  for (size_t i = 0; i < rgba.size(); ++i) rgba[i] = static_cast<uint8_t>(((i / 4) % 251) ^ (random() & 15));
  char folder[] = "/tmp/tolvaren-bench-XXXXXX";
  if (mkdtemp(folder) == nullptr) {
    State.SkipWithError("no temporary folder");
    return;
  }
  const std::string program = folder;
  std::filesystem::create_directories(program + "/Ordinary");
  WritePngRgba(program + "/Ordinary/G2Big.png", side, side, rgba);
  InitFoldersFrom(program + "/bench");
  for (auto _ : State) {
    TTexture* t = LoadTexture("G2Big");
    glFinish();
    benchmark::DoNotOptimize(t);
    State.PauseTiming();
    ReleaseTexture(t);
    State.ResumeTiming();
  }
  DoneFolders();
  std::filesystem::remove_all(program);
  State.counters["MB_per_s"] =
      benchmark::Counter(static_cast<double>(State.iterations()) * side * side * 4 / 1e6, benchmark::Counter::kIsRate);
}

BENCHMARK(BM_VideoFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(3)->UseRealTime();
BENCHMARK(BM_SdlRendererFrame)->Unit(benchmark::kMillisecond)->MinTime(3)->UseRealTime();
BENCHMARK(BM_LoadPng2048)->Unit(benchmark::kMillisecond)->MinTime(3)->UseRealTime();

// Keeps each frame benchmark's real time per iteration for the ratio.
class TRatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& Runs) override {
    for (const Run& run : Runs) {
      if (run.iterations == 0 || run.run_type != Run::RT_Iteration) continue;
      const double ns = run.GetAdjustedRealTime() * 1e6;  // reported in milliseconds
      if (run.run_name.function_name == "BM_VideoFrame" && run.run_name.args == "0") OurFrameNs = ns;
      if (run.run_name.function_name == "BM_VideoFrame" && run.run_name.args == "1") OurDefaultFrameNs = ns;
      if (run.run_name.function_name == "BM_SdlRendererFrame") SdlFrameNs = ns;
    }
    ConsoleReporter::ReportRuns(Runs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  TRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  if (OurFrameNs > 0 && SdlFrameNs > 0) {
    std::printf("frame time ratio, SDL_Renderer opengl / our device, mixed modes: %.2f\n", SdlFrameNs / OurFrameNs);
  }
  if (OurDefaultFrameNs > 0 && SdlFrameNs > 0) {
    std::printf("frame time ratio, SDL_Renderer opengl / our device, one texture a sprite: %.2f\n",
                SdlFrameNs / OurDefaultFrameNs);
  }
  FreeSdl();
  if (Ours.Context != nullptr) SDL_GL_MakeCurrent(PlatformWindowHandle(), Ours.Context);
  Ours.Textures.clear();
  VideoShutdown();
  PlatformCloseWindow();
  benchmark::Shutdown();
  return 0;
}
