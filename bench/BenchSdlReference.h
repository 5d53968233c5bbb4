// The reference scene of the video benchmarks: 1,536 textured, rotated, tinted quads of eight
// textures, drawn through SDL2's own renderer with its OpenGL driver. Benchmarks of our device
// report their frames beside it, measured in the same run.
#pragma once

#include <SDL.h>
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "engine/EngineVideo.h"

#include "BenchClock.h"

namespace tv::bench {

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

inline std::vector<TQuad> MakeQuads() {
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
inline std::vector<uint8_t> TexturePixels(int32_t Index) {
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

struct TSdlScene {
  SDL_Window* Window = nullptr;
  SDL_Renderer* Renderer = nullptr;
  std::vector<SDL_Texture*> Textures;
  std::vector<TQuad> Quads;
};
inline TSdlScene Sdl;

// Needs the off-screen window opened first (PlatformOpenWindow).
inline bool StartSdl() {
  if (Sdl.Renderer != nullptr) return true;
  SDL_SetHint(SDL_HINT_RENDER_DRIVER, "opengl");
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, 0);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
  // Shown in a real window system, as our device's window is: presenting into a hidden window
  // can cost less than presenting into one on the screen.
  const char* driver = SDL_GetCurrentVideoDriver();
  const bool offscreen = driver != nullptr && std::string(driver) == "offscreen";
  Sdl.Window =
      SDL_CreateWindow("sdl", 0, 0, 1600, 900, SDL_WINDOW_OPENGL | (offscreen ? SDL_WINDOW_HIDDEN : SDL_WINDOW_SHOWN));
  if (Sdl.Window == nullptr) return false;
  Sdl.Renderer = SDL_CreateRenderer(Sdl.Window, -1, SDL_RENDERER_ACCELERATED);
  if (Sdl.Renderer == nullptr) return false;
  SDL_RendererInfo info;
  SDL_GetRendererInfo(Sdl.Renderer, &info);
  if (std::string(info.name) != "opengl") return false;
  SDL_GL_SetSwapInterval(0);
  for (int32_t i = 0; i < TextureCount; ++i) {
    SDL_Texture* t =
        SDL_CreateTexture(Sdl.Renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, TextureSide, TextureSide);
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

inline void DrawSdlFrame() {
  SDL_SetRenderDrawColor(Sdl.Renderer, 0, 0, 0, 255);
  SDL_RenderClear(Sdl.Renderer);
  for (const TQuad& q : Sdl.Quads) {
    SDL_Texture* t = Sdl.Textures[static_cast<size_t>(q.Texture)];
    SDL_SetTextureColorMod(t, static_cast<uint8_t>(q.R * 255), static_cast<uint8_t>(q.G * 255),
                           static_cast<uint8_t>(q.B * 255));
    SDL_SetTextureAlphaMod(t, static_cast<uint8_t>(q.A * 255));
    const SDL_FRect dst{q.X + 800 - q.W / 2, q.Y + 450 - q.H / 2, q.W, q.H};
    SDL_RenderCopyExF(Sdl.Renderer, t, nullptr, &dst, q.Angle, nullptr, SDL_FLIP_NONE);
  }
  SDL_RenderPresent(Sdl.Renderer);
}

// The benchmark of the reference scene, once StartSdl has succeeded: a frame an iteration, with
// the frames a second and the CPU time a frame of this thread ("cpu_ms") and of the whole process
// ("proc_cpu_ms", the driver's threads included).
inline void TimeSdlFrames(benchmark::State& State) {
  for (int warm = 0; warm < 3; ++warm) DrawSdlFrame();
  glFinish();
  const double cpuStart = ThreadSeconds();
  const double procStart = ProcessSeconds();
  int64_t frames = 0;
  for (auto _ : State) {
    DrawSdlFrame();
    glFinish();
    ++frames;
  }
  State.counters["fps"] = benchmark::Counter(static_cast<double>(State.iterations()), benchmark::Counter::kIsRate);
  State.counters["cpu_ms"] = frames > 0 ? (ThreadSeconds() - cpuStart) * 1000 / static_cast<double>(frames) : 0;
  State.counters["proc_cpu_ms"] = frames > 0 ? (ProcessSeconds() - procStart) * 1000 / static_cast<double>(frames) : 0;
  State.counters["sprites"] = SpriteCount;
}

inline void FreeSdl() {
  if (Sdl.Renderer != nullptr) SDL_DestroyRenderer(Sdl.Renderer);
  if (Sdl.Window != nullptr) SDL_DestroyWindow(Sdl.Window);
  Sdl = {};
}

}  // namespace tv::bench
