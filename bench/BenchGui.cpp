// The screen manager per frame: a form of 300 controls under three stacked dialogs of 20 controls
// each, on the memory video device. One iteration is one frame of 1/60 s: the GUI step (fades,
// hit test, hover, clicks, hints, every control's update, rendering of the dirty ones) and the
// drawing of the frame. The mouse sweeps over the top dialog's buttons and clicks one every ten
// frames, and a tenth of all controls change their alpha each frame, so hover, hint, click and
// render paths all run. The counters give the heap allocations per frame once warm (expected: 0).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <new>

#include "engine/EngineGui.h"
#include "engine/EngineGuiInspect.h"
#include "engine/EngineVideo.h"

#include "BenchAllocations.h"

namespace {

using namespace tv;

constexpr float FrameTime = 1.0f / 60.0f;
int64_t Frame = 0;

// A control drawn as one sprite; every tenth one pulses its alpha.
class TBenchControl : public TGuiControl {
 public:
  TSprite* Sprite = nullptr;
  int32_t Index = 0;
  bool Focusable = false;

  bool TakesFocus() const override { return Focusable; }

  void Update() override {
    if ((Frame + Index) % 10 == 0) SetAlpha(Alpha > 0.75f ? 0.5f : 1.0f);
  }
  void Render(bool Show) override {
    if (!Show) {
      FreeSprite(Sprite);
      return;
    }
    CreateSprite(Sprite, Canvas, Layer);
    Sprite->Position = {Origin.X + Offset.X, Origin.Y + Offset.Y};
    Sprite->Size = Size;
    Sprite->Scale = Scale;
    Sprite->Color = {Color.X, Color.Y, Color.Z, Alpha * (Hovered ? 1.0f : 0.8f)};
  }
  void BeforeDestroy() override { FreeSprite(Sprite); }
};

// Warms up with 240 frames, then times one frame an iteration and counts the heap allocations.
template <class F>
void TimeFrames(benchmark::State& State, F&& Step) {
  for (int i = 0; i < 240; ++i) Step();
  const long long before = gAllocations;
  long long frames = 0;
  for (auto _ : State) {
    Step();
    ++frames;
  }
  State.counters["allocs/frame"] = static_cast<double>(gAllocations - before) / static_cast<double>(frames);
}

// Lays Count buttons out in rows of Columns inside the current Place.
void Grid(TGuiForm& Form, int32_t Count, int32_t Columns, float W, float H) {
  for (int32_t i = 0; i < Count; ++i) {
    const float x = (static_cast<float>(i % Columns) - static_cast<float>(Columns - 1) / 2) * W;
    const float y = (static_cast<float>(i / Columns) - static_cast<float>((Count - 1) / Columns) / 2) * H;
    Form.Place(PlaceRestore, 0, PlaceSetX, x, PlaceSetY, y, PlaceWidth, W - 4, PlaceHeight, H - 4);
    auto* c = Form.AddControl<TBenchControl>(i % 3, PropName, "Button" + std::to_string(i), PropEnabled, true,
                                             PropHintText, "A hint over the button", PropParamA, "G2Button");
    c->Index = i;
  }
}

class TBenchForm : public TGuiDialog {
 public:
  TBenchForm(const std::string& Name, int32_t Count, int32_t Columns)
      : TGuiDialog(Name, "Arrow", "Tip", 0.3f, 0.3f), Count(Count), Columns(Columns) {}
  void OnShow() override { Grid(*this, Count, Columns, 1500.0f / static_cast<float>(Columns), 40); }
  int32_t Count;
  int32_t Columns;
};

void BM_GuiFrame(benchmark::State& State) {
  SetVideoOptions({TGfxBackend::Memory, 1600, 900});
  VideoStartup();
  GuiStartup();
  TGuiInputFrame input;
  SetGuiInputOverride(&input);
  SetGuiTimeStep(FrameTime);
  RegisterCursor(std::make_unique<TGuiCursor>("Arrow"));
  RegisterHint(std::make_unique<TGuiHint>("Tip", 0.75f, 0.25f, 0.25f));
  RegisterForm(std::make_unique<TBenchForm>("Board", 300, 15));
  for (const char* name : {"Lower", "Middle", "Upper"}) RegisterDialog(std::make_unique<TBenchForm>(name, 20, 5));
  ShowForm("Board");
  ShowDialog("Lower");
  ShowDialog("Middle");
  ShowDialog("Upper");

  bool previous = false;
  auto frame = [&] {
    ++Frame;
    // The mouse crosses the top dialog's buttons; a click every ten frames.
    input.Mouse = {std::sin(static_cast<float>(Frame) * 0.05f) * 700, std::cos(static_cast<float>(Frame) * 0.03f) * 70};
    const bool down = Frame % 10 == 1;
    input.WasDown[GuiKeyClick] = previous;
    input.Down[GuiKeyClick] = down;
    previous = down;
    UpdateGui();
    RenderFrame(nullptr);
  };
  TimeFrames(State, frame);
  State.counters["controls"] = 300 + 3 * 20;
  State.counters["ready"] = InputTargetReady() ? 1 : 0;
  GuiShutdown();
  SetGuiInputOverride(nullptr);
  SetGuiTimeStep(-1);
  VideoShutdown();
  SetVideoOptions({});
}
BENCHMARK(BM_GuiFrame)->Unit(benchmark::kMicrosecond);

// The same board of 300 controls played with a controller: every control takes the focus, which a
// direction (or Tab) moves every fourth frame and a ring follows.
class TBenchFocusRing : public TGuiFocusRing {
 public:
  void Show(const TGuiControl* Control, float) override { Last = Control; }
  const TGuiControl* Last = nullptr;
};

void BM_GuiFocusFrame(benchmark::State& State) {
  SetVideoOptions({TGfxBackend::Memory, 1600, 900});
  VideoStartup();
  GuiStartup();
  TGuiInputFrame input;
  input.Device = TGuiDevice::Pad;
  input.MouseInside = false;
  SetGuiInputOverride(&input);
  SetGuiTimeStep(FrameTime);
  RegisterCursor(std::make_unique<TGuiCursor>("Arrow"));
  RegisterHint(std::make_unique<TGuiHint>("Tip", 0.75f, 0.25f, 0.25f));
  RegisterForm(std::make_unique<TBenchForm>("Board", 300, 15));
  SetFocusRing(std::make_unique<TBenchFocusRing>());
  ShowForm("Board");
  for (TItem* item : CurrentForm()->Controls) static_cast<TBenchControl*>(item)->Focusable = true;

  constexpr int32_t Keys[] = {GuiKeyFocusRight, GuiKeyFocusDown, GuiKeyFocusRight,   GuiKeyFocusNext,
                              GuiKeyFocusLeft,  GuiKeyFocusUp,   GuiKeyFocusPrevious};
  auto frame = [&] {
    ++Frame;
    for (int32_t k : Keys) input.WasDown[k] = input.Down[k];
    for (int32_t k : Keys) input.Down[k] = false;
    if (Frame % 4 == 0) input.Down[Keys[(Frame / 4) % 7]] = true;
    UpdateGui();
    RenderFrame(nullptr);
  };
  TimeFrames(State, frame);
  State.counters["focused"] = FocusedControl() != nullptr ? 1 : 0;
  GuiShutdown();
  SetGuiInputOverride(nullptr);
  SetGuiTimeStep(-1);
  VideoShutdown();
  SetVideoOptions({});
}
BENCHMARK(BM_GuiFocusFrame)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
