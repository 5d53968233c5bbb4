// Video benchmarks, headless (the off-screen SDL driver gives real OpenGL on llvmpipe):
//
// - BM_VideoFrame: a frame of 1,536 sprites (the sprite cache's size) of mixed shading modes on
//   the 1600 x 900 main canvas, drawn and presented by our device.
// - BM_SdlRendererFrame: the same 1,536 textured, rotated, tinted quads through SDL2's own
//   renderer with its OpenGL driver, in the same run.
// - BM_LoadPng2048: loading a 2048 x 2048 PNG texture (decoding, premultiplying, uploading).
//
// Both frame benchmarks wait for the GPU to finish each frame, so they compare whole frames. At
// the end the ratio of the two frame times is printed (above 1: our device is faster).
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <vector>

#include "base/AppFolders.h"
#include "engine/EngineTextures.h"
#include "engine/EngineVideo.h"
#include "platform/PlatformImage.h"
#include "platform/PlatformWindow.h"

namespace {

using namespace tv;

constexpr int32_t SpriteCount = SpriteCacheSize;
constexpr int32_t TextureCount = 8;
constexpr int32_t TextureSide = 64;

// One quad's placement, shared by both renderers.
struct TQuad {
  float X, Y, W, H, Angle;
  float R, G, B, A;
  int32_t Texture;
  int32_t Mode;
};

std::vector<TQuad> MakeQuads() {
  std::mt19937 random(12345);
  std::uniform_real_distribution<float> unit(0, 1);
  std::vector<TQuad> quads;
  for (int32_t i = 0; i < SpriteCount; ++i) {
    TQuad q{};
    q.X = (unit(random) - 0.5f) * 1500;
    q.Y = (unit(random) - 0.5f) * 800;
    q.W = 32 + unit(random) * 96;
    q.H = 32 + unit(random) * 96;
    q.Angle = unit(random) < 0.5f ? 0 : unit(random) * 360;
    q.R = 0.5f + unit(random) / 2;
    q.G = 0.5f + unit(random) / 2;
    q.B = 0.5f + unit(random) / 2;
    q.A = unit(random) < 0.5f ? 1 : 0.5f + unit(random) / 2;
    // Sprites sharing a texture come in runs, as a careful screen orders them.
    q.Texture = (i / 64) % TextureCount;
    q.Mode = (i / 16) % ShadingModeCount;
    quads.push_back(q);
  }
  return quads;
}

// A picture with a soft round alpha edge and a colour per texture, as premultiplied ARGB.
std::vector<uint8_t> TexturePixels(int32_t Index) {
  std::vector<uint8_t> bytes(static_cast<size_t>(TextureSide) * TextureSide * 4);
  for (int32_t y = 0; y < TextureSide; ++y) {
    for (int32_t x = 0; x < TextureSide; ++x) {
      const float dx = static_cast<float>(x) - TextureSide / 2.0f;
      const float dy = static_cast<float>(y) - TextureSide / 2.0f;
      const float a = std::clamp(TextureSide / 2.0f - std::sqrt(dx * dx + dy * dy), 0.0f, 1.0f);
      uint8_t* p = &bytes[(static_cast<size_t>(y) * TextureSide + static_cast<size_t>(x)) * 4];
      p[0] = static_cast<uint8_t>(a * static_cast<float>((Index * 40) % 256));
      p[1] = static_cast<uint8_t>(a * static_cast<float>(x * 4));
      p[2] = static_cast<uint8_t>(a * static_cast<float>(y * 4));
      p[3] = static_cast<uint8_t>(a * 255);
    }
  }
  return bytes;
}

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
  if (!PlatformOpenWindow("bench", error) || !HasGLContext()) return false;
  Ours.Context = SDL_GL_GetCurrentContext();
  // The window's drawable at the back buffer's size, so frames go straight to it as SDL's do.
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
  for (auto _ : State) {
    RenderFrame(nullptr);
    glFinish();
  }
  State.counters["fps"] = benchmark::Counter(static_cast<double>(State.iterations()), benchmark::Counter::kIsRate);
  State.counters["sprites"] = SpriteCount;
}

struct TSdlScene {
  SDL_Window* Window = nullptr;
  SDL_Renderer* Renderer = nullptr;
  std::vector<SDL_Texture*> Textures;
  std::vector<TQuad> Quads;
};
TSdlScene Sdl;

bool StartSdl() {
  if (Sdl.Renderer != nullptr) return true;
  if (!StartOurs()) return false;
  SDL_SetHint(SDL_HINT_RENDER_DRIVER, "opengl");
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, 0);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
  Sdl.Window = SDL_CreateWindow("sdl", 0, 0, 1600, 900, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (Sdl.Window == nullptr) return false;
  Sdl.Renderer = SDL_CreateRenderer(Sdl.Window, -1, SDL_RENDERER_ACCELERATED);
  if (Sdl.Renderer == nullptr) return false;
  SDL_RendererInfo info;
  SDL_GetRendererInfo(Sdl.Renderer, &info);
  if (std::string(info.name) != "opengl") return false;
  SDL_GL_SetSwapInterval(0);
  for (int32_t i = 0; i < TextureCount; ++i) {
    SDL_Texture* t = SDL_CreateTexture(Sdl.Renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, TextureSide, TextureSide);
    const std::vector<uint8_t> pixels = TexturePixels(i);
    SDL_UpdateTexture(t, nullptr, pixels.data(), TextureSide * 4);
    // The pixels are premultiplied: blend them as such, like our device does.
    SDL_SetTextureBlendMode(t, SDL_ComposeCustomBlendMode(SDL_BLENDFACTOR_ONE, SDL_BLENDFACTOR_ONE_MINUS_SRC_ALPHA,
                                                          SDL_BLENDOPERATION_ADD, SDL_BLENDFACTOR_ONE,
                                                          SDL_BLENDFACTOR_ONE_MINUS_SRC_ALPHA, SDL_BLENDOPERATION_ADD));
    Sdl.Textures.push_back(t);
  }
  Sdl.Quads = MakeQuads();
  return true;
}

void DrawSdlFrame() {
  SDL_SetRenderDrawColor(Sdl.Renderer, 0, 0, 0, 255);
  SDL_RenderClear(Sdl.Renderer);
  for (const TQuad& q : Sdl.Quads) {
    SDL_Texture* t = Sdl.Textures[static_cast<size_t>(q.Texture)];
    SDL_SetTextureColorMod(t, static_cast<uint8_t>(q.R * 255), static_cast<uint8_t>(q.G * 255), static_cast<uint8_t>(q.B * 255));
    SDL_SetTextureAlphaMod(t, static_cast<uint8_t>(q.A * 255));
    const SDL_FRect dst{q.X + 800 - q.W / 2, q.Y + 450 - q.H / 2, q.W, q.H};
    SDL_RenderCopyExF(Sdl.Renderer, t, nullptr, &dst, q.Angle, nullptr, SDL_FLIP_NONE);
  }
  SDL_RenderPresent(Sdl.Renderer);
}

void BM_SdlRendererFrame(benchmark::State& State) {
  if (!StartSdl()) {
    State.SkipWithError("SDL's OpenGL renderer is not available");
    return;
  }
  for (int warm = 0; warm < 3; ++warm) DrawSdlFrame();
  glFinish();
  for (auto _ : State) {
    DrawSdlFrame();
    glFinish();
  }
  State.counters["fps"] = benchmark::Counter(static_cast<double>(State.iterations()), benchmark::Counter::kIsRate);
  State.counters["sprites"] = SpriteCount;
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
  if (Sdl.Renderer != nullptr) SDL_DestroyRenderer(Sdl.Renderer);
  if (Sdl.Window != nullptr) SDL_DestroyWindow(Sdl.Window);
  if (Ours.Context != nullptr) SDL_GL_MakeCurrent(PlatformWindowHandle(), Ours.Context);
  Ours.Textures.clear();
  VideoShutdown();
  PlatformCloseWindow();
  benchmark::Shutdown();
  return 0;
}
