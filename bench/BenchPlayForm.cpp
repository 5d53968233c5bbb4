// The play form's frame on the llvmpipe OpenGL device at 1600 x 900, in a real window
// (SDL_VIDEODRIVER=x11, as bench/run.sh runs it) or headless (the off-screen SDL driver), beside
// the 1,536-quad SDL_Renderer reference scene of the video benchmark:
//
// - BM_PlayFormFrame: the demo's busiest region (the most plots and sites) on the real play form,
//   every tile revealed, every site shown, its plots, water, fog and the map effect; one frame is
//   the GUI step, the particle step, drawing and presenting.
// - BM_SdlReferenceFrame: the reference scene.
//
// Counters: fps, cpu_ms (main-thread CPU time per frame), proc_cpu_ms (CPU time of the whole
// process, the driver's rasterising threads included), allocs/frame (heap allocations per
// steady-state frame, which should be 0), batches (draw calls a frame) and sprites (on all
// canvases).
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <new>
#include <string>

#include "BenchSdlReference.h"
#include "base/AppFolders.h"
#include "app/AppGame.h"
#include "base/AppProcess.h"
#include "base/AppTimer.h"
#include "engine/EngineAudio.h"
#include "engine/EngineEffects.h"
#include "engine/EngineGui.h"
#include "engine/EngineScript.h"
#include "engine/EngineTexts.h"
#include "engine/EngineVideo.h"
#include "game/GameAvatar.h"
#include "game/GamePlayers.h"
#include "game/GamePool.h"
#include "game/GameRegion.h"
#include "game/GameScenario.h"
#include "game/GameSite.h"
#include "game/gui/GameGuiControlMap.h"
#include "game/gui/GameGuiFormPlay.h"
#include "platform/PlatformGraphics.h"
#include "platform/PlatformWindow.h"

#include "BenchAllocations.h"
#include "BenchFrames.h"

namespace {

using namespace tv;
using namespace tv::bench;

constexpr float FrameTime = 1.0f / 60;

struct TPlayScene {
  SDL_GLContext Context = nullptr;
  bool Tried = false;
  bool Ready = false;
  std::string Region;
};
TPlayScene Play;

int32_t SpritesDrawn() {
  int32_t n = 0;
  for (TItem* item : *Canvases()) n += static_cast<TCanvas*>(item)->Sprites->GetCount();
  return n;
}

// The region with the most plots and sites.
TRegion* BusiestRegion() {
  TRegion* best = nullptr;
  int32_t most = -1;
  for (TItem* item : *Regions()) {
    auto* region = static_cast<TRegion*>(item);
    const int32_t weight = region->Map->PlotCount() + region->Sites->GetCount();
    if (weight > most) {
      most = weight;
      best = region;
    }
  }
  return best;
}

void Frame() {
  AdvanceFrameNumber();
  UpdateTimer();
  UpdateGui();
  EffectsUpdate();
  RenderFrame(nullptr);
}

bool StartPlay() {
  if (Play.Tried) return Play.Ready;
  Play.Tried = true;
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  const std::string program = TV_BIN_DIR;
  static char xdg[] = "/tmp/tolvaren-bench-XXXXXX";
  if (mkdtemp(xdg) == nullptr) return false;
  setenv("XDG_DATA_HOME", xdg, 1);
  InitFoldersFrom(program + "/tolvaren");
  std::string error;
  if (!PlatformOpenWindow("bench", error, 1600, 900) || !HasGLContext()) return false;
  Play.Context = SDL_GL_GetCurrentContext();
  PlatformPlaceWindow(false, 1600, 900);
  SDL_GL_SetSwapInterval(0);
  InitTimer();
  SetFixedFrameTime(FrameTime);
  SeedRandom(7);
  InstallEngineHooks();
  InitTexts();
  SetSegmentNameRules(MayHaveSegments, AlternativeSegmentsName);
  SetVideoOptions({TGfxBackend::OpenGL, 1600, 900});
  VideoStartup();
  TextsStartup();
  EffectsStartup();
  InstallPoolTextureLoader();
  InstallPoolEffectLoader();
  CreateGame();
  GuiStartup();
  InstallScreenHooks();
  RegisterScreens();
  PrepareGame();
  TRegion* region = BusiestRegion();
  if (region == nullptr) return false;
  Play.Region = region->Name;
  // Every site shown and the hero at rest, so that the frame is the steady picture of the region.
  for (TItem* item : *region->Sites) {
    auto* site = static_cast<TSite*>(item);
    site->Revealed = true;
    site->Closed = false;
    site->Count = 0;
    site->HiddenUntilEntered = false;
  }
  for (TPlotData& plot : region->Map->Plots) plot.Visible = true;
  SetCurrentRegion(region);
  Avatar()->State = StateIdle;
  Avatar()->Site = nullptr;
  SetPointer(Pointers::Nothing);
  ShowForm("Play");
  auto* form = static_cast<TGuiFormPlay*>(CurrentForm());
  if (form == nullptr || form->MapControl == nullptr) return false;
  form->MapControl->RevealAll();
  // Warm the caches, the shader variants and the particle pools.
  for (int i = 0; i < 240; ++i) Frame();
  glFinish();
  Play.Ready = true;
  return true;
}

void BM_PlayFormFrame(benchmark::State& State) {
  if (!StartPlay()) {
    State.SkipWithError("no OpenGL 3.3 context or no demo data");
    return;
  }
  SDL_GL_MakeCurrent(PlatformWindowHandle(), Play.Context);
  for (int i = 0; i < 30; ++i) Frame();
  glFinish();
  bench::TimeGlFrames(State, gAllocations, Frame);
  State.counters["sprites"] = SpritesDrawn();
  State.SetLabel(Play.Region);
}

void BM_SdlReferenceFrame(benchmark::State& State) {
  if (!StartPlay() || !bench::StartSdl()) {
    State.SkipWithError("SDL's OpenGL renderer is not available");
    return;
  }
  bench::TimeSdlFrames(State);
}

BENCHMARK(BM_PlayFormFrame)->Unit(benchmark::kMillisecond)->MinTime(3)->UseRealTime();
BENCHMARK(BM_SdlReferenceFrame)->Unit(benchmark::kMillisecond)->MinTime(3)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  bench::FreeSdl();
  if (Play.Tried) {
    if (Play.Context != nullptr) SDL_GL_MakeCurrent(PlatformWindowHandle(), Play.Context);
    GuiShutdown();
    ClearScreenHooks();
    DestroyGame();
    EffectsShutdown();
    TextsShutdown();
    VideoShutdown();
    PlatformCloseWindow();
  }
  return 0;
}
