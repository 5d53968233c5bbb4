// A high-DPI screen, simulated with the offscreen driver (TOLVAREN_DPI_SCALE): the back buffer
// and screenshots have the drawable's pixels, twice the window's units at scale 2, and a click
// given in the window's units lands on what is drawn under it.
#include <gtest/gtest.h>

#include <string>

#include "app/AppInput.h"
#include "app/AppWindow.h"
#include "engine/EngineTextures.h"
#include "platform/PlatformWindow.h"
#include "support/VideoTestSupport.h"

namespace tv {
namespace {

using test::TScopedEnv;

uint32_t PixelAt(const std::vector<uint8_t>& Rgba, int32_t Width, int32_t X, int32_t Y) {
  const size_t i = (static_cast<size_t>(Y) * static_cast<size_t>(Width) + static_cast<size_t>(X)) * 4;
  return static_cast<uint32_t>(Rgba[i] << 24 | Rgba[i + 1] << 16 | Rgba[i + 2] << 8 | Rgba[i + 3]);
}

// The main window at a simulated scale on an 800 x 450 desktop (full screen: the client area is
// the desktop), with the OpenGL video device sized from the window.
class HighDpiWindow : public ::testing::Test {
 protected:
  void Open(const char* Scale) {
    DpiScale = std::make_unique<TScopedEnv>("TOLVAREN_DPI_SCALE", Scale);
    Env = std::make_unique<test::TVideoTestEnv>(0, 0, TGfxBackend::OpenGL, false);
    CreateMainWindow();
    VideoStartup();
    ASSERT_TRUE(VideoStarted());
  }
  void TearDown() override {
    if (Square != nullptr) FreeSprite(Square);
    VideoShutdown();
    DestroyMainWindow();
    Env.reset();
    DpiScale.reset();
  }
  // Moves the mouse to a point in the window's units and presses the button, as the system would.
  static void ClickAt(int32_t X, int32_t Y) {
    TInputEvent move;
    move.Kind = TInputEvent::TKind::MouseMove;
    move.X = X;
    move.Y = Y;
    PlatformInjectEvent(move);
    TInputEvent down = move;
    down.Kind = TInputEvent::TKind::ButtonDown;
    down.Button = MouseButtonLeft;
    PlatformInjectEvent(down);
    TWindowMessage m;
    while (PlatformNextMessage(m, false, 0)) {
    }
    UpdateInput();
  }

  TScopedEnv Desktop{"TOLVAREN_DESKTOP", "800x450"};
  std::unique_ptr<TScopedEnv> DpiScale;
  std::unique_ptr<test::TVideoTestEnv> Env;
  TSprite* Square = nullptr;
};

TEST_F(HighDpiWindow, TheBackBufferHasTheDrawablesPixels) {
  for (const char* scale : {"1", "2"}) {
    SCOPED_TRACE(scale);
    Open(scale);
    const int32_t k = scale[0] - '0';
    int32_t w = 0;
    int32_t h = 0;
    GetClientSize(w, h);
    EXPECT_EQ(w, 800);
    EXPECT_EQ(h, 450);
    GetDrawableSize(w, h);
    EXPECT_EQ(w, 800 * k);
    EXPECT_EQ(h, 450 * k);
    // The design screen is the same 1600 x 900 units, drawn with k times the pixels.
    EXPECT_EQ(MainCanvas()->PixelSize.X, 800 * k);
    EXPECT_EQ(MainCanvas()->PixelSize.Y, 450 * k);
    EXPECT_FLOAT_EQ(MainCanvas()->Size.X, 1600);
    EXPECT_FLOAT_EQ(MainCanvas()->Scale, 0.5f * static_cast<float>(k));
    ASSERT_TRUE(RenderFrame(nullptr));
    const std::vector<uint8_t> frame = GfxReadBackBuffer(w, h);
    EXPECT_EQ(w, 800 * k);
    EXPECT_EQ(h, 450 * k);
    EXPECT_EQ(frame.size(), static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
    TearDown();
  }
}

TEST_F(HighDpiWindow, AClickInWindowUnitsHitsWhatIsDrawnThereAtTwiceThePixels) {
  Open("2");
  // A white square of 100 units at (400, -200): at scale 2 it covers pixels 1150..1249 across
  // and 200..299 down of the 1600 x 900 back buffer.
  CreateSprite(Square, MainCanvas(), 1);
  Square->Mode = 1;  // the tint alone
  Square->Position = {400, -200};
  Square->Size = {100, 100};
  ASSERT_TRUE(RenderFrame(nullptr));
  int32_t w = 0;
  int32_t h = 0;
  const std::vector<uint8_t> frame = GfxReadBackBuffer(w, h);
  ASSERT_EQ(w, 1600);
  EXPECT_EQ(PixelAt(frame, w, 1200, 250), 0xFFFFFFFFu);
  EXPECT_EQ(PixelAt(frame, w, 1151, 201), 0xFFFFFFFFu);
  EXPECT_EQ(PixelAt(frame, w, 1148, 250), 0x000000FFu);
  EXPECT_EQ(PixelAt(frame, w, 600, 125), 0x000000FFu);  // where the square would be at scale 1

  // The square's centre in the window's units is pixel (1200, 250) halved. A mapping that took the
  // window's units for pixels would land at (-200, -325), far from the square.
  ClickAt(600, 125);
  EXPECT_TRUE(KeyDown(KeyClick));
  const TVector mouse = MousePosition();
  EXPECT_NEAR(mouse.X, 400, 1);
  EXPECT_NEAR(mouse.Y, -200, 1);
  EXPECT_LT(std::abs(mouse.X - Square->Position.X), Square->Size.X / 2);
  EXPECT_LT(std::abs(mouse.Y - Square->Position.Y), Square->Size.Y / 2);
  // The window's far corner is the design screen's far corner.
  ClickAt(799, 449);
  EXPECT_NEAR(MousePosition().X, 800, 2.1);
  EXPECT_NEAR(MousePosition().Y, 450, 2.1);
}

// The real program at scale 2: its screenshot has twice the window's size in each direction.
TEST(HighDpiProgram, ScreenshotsAreTakenAtTheDrawablesResolution) {
  test::TTempDir dir;
  for (const char* scale : {"1", "2"}) {
    SCOPED_TRACE(scale);
    const std::string shot = dir / (std::string("shot") + scale + ".png");
    std::string err;
    ASSERT_EQ(
        test::RunCommand("SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy TOLVAREN_DESKTOP=640x360 "
                         "TOLVAREN_DPI_SCALE=" +
                             std::string(scale) + " XDG_DATA_HOME='" + dir.Path() +
                             "/data' '" TV_BIN_DIR "/tolvaren' -frames 3 -fixed-dt 0.016 -screenshot '" + shot + "'",
                         nullptr, &err),
        0)
        << err;
    const std::string png = test::ReadFile(shot);
    const TImage image = DecodePng(reinterpret_cast<const uint8_t*>(png.data()), png.size(), false);
    const int32_t k = scale[0] - '0';
    EXPECT_EQ(image.Width, 640 * k);
    EXPECT_EQ(image.Height, 360 * k);
  }
}

TEST(SimulatedDpiScale, OnlyValidScalesCount) {
  std::string error;
  ASSERT_TRUE(PlatformOpenWindow("scale", error)) << error;
  for (const auto& [text, scale] : std::initializer_list<std::pair<const char*, double>>{
           {"2", 2}, {"1.5", 1.5}, {"0.5", 1}, {"9", 1}, {"two", 1}, {"2x", 1}, {"", 1}, {"nan", 1}}) {
    TScopedEnv env("TOLVAREN_DPI_SCALE", text);
    EXPECT_EQ(PlatformSimulatedDpiScale(), scale) << text;
  }
  PlatformCloseWindow();
  // Without the video subsystem (or another driver than offscreen) there is nothing to simulate.
  TScopedEnv env("TOLVAREN_DPI_SCALE", "2");
  EXPECT_EQ(PlatformSimulatedDpiScale(), 1);
}

}  // namespace
}  // namespace tv
