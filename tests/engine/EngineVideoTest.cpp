// The video device on the memory device: start-up and its failures, the main canvas's scaling,
// canvases and sprites, the frame pass with its state cache, device loss and the still capture.
#include <gtest/gtest.h>

#include <cmath>

#include "app/AppInput.h"
#include "support/VideoTestSupport.h"

namespace tv {
namespace {

using test::SolidPicture;
using test::TVideoTestEnv;
using test::WritePacked;

TEST(VideoStartup, FailuresGiveTheirMessagesAndCodes) {
  struct TCase {
    const char* Switches;
    int32_t Code;
    const char* Message;
  };
  const TCase cases[] = {
      {"no-device=1", 2, "Failed to create Direct3D object"},
      {"old-programs=1", 2, "Direct3D device does not support required pixel shaders version"},
      {"fail-vertex=3", 1, "Failed to setup vertex shaders"},
      {"fail-pixel=13", 1, "Failed to setup pixel shaders"},
  };
  for (const TCase& c : cases) {
    TVideoTestEnv env(1600, 900, TGfxBackend::Memory, false);
    test::TScopedEnv switches("TOLVAREN_GRAPHICS", c.Switches);
    SetErrorCode(0);
    try {
      VideoStartup();
      ADD_FAILURE() << c.Switches << " started";
    } catch (const EError& e) {
      EXPECT_STREQ(e.what(), c.Message);
      EXPECT_EQ(GetErrorCode(), c.Code);
    }
    EXPECT_FALSE(VideoStarted());
    // Shutting down after a failed start-up is harmless, and so is doing it twice.
    VideoShutdown();
    VideoShutdown();
    EXPECT_EQ(MainCanvas(), nullptr);
    SetErrorCode(0);
  }
  // A device without a two-float position declaration uses three floats.
  TVideoTestEnv env(1600, 900, TGfxBackend::Memory, false);
  GfxSwitches().TwoComponentPosition = 0;
  VideoStartup();
  EXPECT_TRUE(VideoStarted());
}

TEST(VideoStartup, RestartsInOneProcessAndChecksNothingBeforeStart) {
  EXPECT_FALSE(CheckDevice());
  EXPECT_FALSE(RenderFrame(nullptr));
  ResetVideo();
  for (int i = 0; i < 3; ++i) {
    TVideoTestEnv env;
    ASSERT_TRUE(VideoStarted());
    EXPECT_EQ(SpriteCache()->GetCount(), SpriteCacheSize);
    EXPECT_EQ(Canvases()->GetCount(), 1);
    EXPECT_EQ(MainCanvas()->Order, MainCanvasOrder);
    EXPECT_EQ(MainCanvas()->FormatIndex, 1);
    EXPECT_TRUE(CheckDevice());
    TSprite* sprite = nullptr;
    CreateSprite(sprite, MainCanvas(), 0);
    EXPECT_TRUE(RenderFrame(nullptr));
  }
}

TEST(MainCanvas, ScalesTheDesignScreenToTheWindow) {
  struct TCase {
    int32_t W, H;
    float SizeX, SizeY, Scale;
  };
  const TCase cases[] = {
      {1920, 1080, 1600, 900, 1.2f},
      {1024, 768, 1600, 1200, 0.64f},
      {2560, 1080, 2133.333f, 900, 1.2f},
      {1600, 900, 1600, 900, 1.0f},
  };
  for (const TCase& c : cases) {
    TVideoTestEnv env(c.W, c.H);
    const TCanvas& m = *MainCanvas();
    SCOPED_TRACE(c.W);
    EXPECT_NEAR(m.Size.X, c.SizeX, 0.01f);
    EXPECT_NEAR(m.Size.Y, c.SizeY, 0.01f);
    EXPECT_FLOAT_EQ(m.Scale, c.Scale);
    EXPECT_EQ(m.PixelSize.X, c.W);
    EXPECT_EQ(m.Target->TextureSize.Y, c.H);
    EXPECT_EQ(m.Target->SegmentCount(), 1);
    EXPECT_NEAR(ScreenCanvasSize().X, c.SizeX, 0.01f);
  }
  // A change of the window's size reaches the device through a reset.
  TVideoTestEnv env(1600, 900);
  SetVideoOptions({TGfxBackend::Memory, 800, 600});
  ResetVideo();
  EXPECT_FALSE(IsDeviceLost());
  EXPECT_EQ(MainCanvas()->PixelSize.X, 800);
  EXPECT_FLOAT_EQ(MainCanvas()->Size.Y, 1200);
}

TEST(Canvases, SizeScaleTilesAndRecycling) {
  TVideoTestEnv env(1920, 1080);
  TCanvas* canvas = nullptr;
  CreateCanvas(canvas, 5, {100.4f, 50});
  ASSERT_NE(canvas, nullptr);
  TCanvas* same = canvas;
  CreateCanvas(canvas, 7, {1, 1});  // already set: nothing happens
  EXPECT_EQ(canvas, same);
  EXPECT_EQ(canvas->Order, 5);
  EXPECT_EQ(canvas->PixelSize.X, 120);  // 100.4 x 1.2 = 120.48
  EXPECT_EQ(canvas->PixelSize.Y, 60);
  EXPECT_FLOAT_EQ(canvas->Aspect, 100.4f / 50);
  canvas->SetScale(2);
  EXPECT_EQ(canvas->PixelSize.X, 241);
  EXPECT_FLOAT_EQ(canvas->Target->SegmentAt(0)->PixelSize.X, 241);
  canvas->SetSize({200, 100});
  EXPECT_EQ(canvas->PixelSize.Y, 240);
  canvas->SetTiles({0, 0}, {50, 50}, 4, 2);
  ASSERT_EQ(canvas->Target->SegmentCount(), 8);
  EXPECT_FLOAT_EQ(canvas->Target->SegmentAt(5)->UVOffset.X, 0.25f);
  EXPECT_FLOAT_EQ(canvas->Target->SegmentAt(5)->PixelSize.X, 120);
  // Canvases draw in ascending order with the main canvas last.
  TCanvas* early = nullptr;
  CreateCanvas(early, -3, {10, 10});
  EXPECT_EQ(Canvases()->First(), early);
  EXPECT_EQ(Canvases()->Last(), MainCanvas());
  // A freed canvas comes back with its defaults.
  canvas->FormatIndex = 2;
  canvas->ClearColor = 0xFF00FF00;
  FreeCanvas(canvas);
  EXPECT_EQ(canvas, nullptr);
  FreeCanvas(canvas);
  CreateCanvas(canvas, 1, {10, 10});
  EXPECT_EQ(canvas->FormatIndex, 0);
  EXPECT_EQ(canvas->ClearColor, 0u);
  EXPECT_FALSE(canvas->Tiled);
  EXPECT_FLOAT_EQ(canvas->Scale, 1);
  // Absurd sizes are bounded rather than overflowing.
  canvas->SetSize({1e30f, -5});
  EXPECT_LE(canvas->PixelSize.X, 16384);
  EXPECT_EQ(canvas->PixelSize.Y, 0);
  EXPECT_TRUE(RenderFrame(nullptr));
}

TEST(Sprites, OrderDefaultsAndTextures) {
  TVideoTestEnv env;
  WritePacked(env.Ordinary("G2Sprite.tpx"), {SolidPicture(4, 4, 0xFFFFFFFF)});
  TSprite* a = nullptr;
  TSprite* b = nullptr;
  TSprite* c = nullptr;
  CreateSprite(a, MainCanvas(), 5);
  CreateSprite(b, MainCanvas(), 5);
  CreateSprite(c, MainCanvas(), 1);
  // Equal orders keep the order of insertion; lower orders come first.
  EXPECT_EQ(MainCanvas()->Sprites->GetItem(1), c);
  EXPECT_EQ(MainCanvas()->Sprites->GetItem(2), a);
  EXPECT_EQ(MainCanvas()->Sprites->GetItem(3), b);
  c->SetOrder(9);
  EXPECT_EQ(MainCanvas()->Sprites->Last(), c);
  EXPECT_EQ(a->Canvas, MainCanvas());
  EXPECT_TRUE(a->Visible);
  EXPECT_FLOAT_EQ(a->Color.A, 1);

  a->SetTextureName(0, "G2Sprite");
  TTexture* loaded = a->GetTexture(0);
  ASSERT_NE(loaded, nullptr);
  a->SetTextureName(0, "G2Sprite");
  EXPECT_EQ(a->GetTexture(0), loaded);
  a->SetSegment(2, 7);
  EXPECT_EQ(a->GetSegment(2), 7);
  a->SetTextureName(0, "");
  EXPECT_EQ(a->GetTexture(0), nullptr);
  EXPECT_EQ(TextureCache()->GetCount(), 1);  // replaced textures stay cached
  a->SetTexture(9, loaded);                  // no such stage
  EXPECT_EQ(a->GetTexture(9), nullptr);

  a->Angle = 45;
  a->Mode = 3;
  a->Tag = 8;
  a->Scale = 3;
  a->Visible = false;
  a->SetTexture(1, loaded);
  TSprite* old = a;
  FreeSprite(a);
  EXPECT_EQ(a, nullptr);
  TSprite* again = nullptr;
  CreateSprite(again, MainCanvas(), 0);
  EXPECT_EQ(again, old);  // recycled through the cache
  EXPECT_FLOAT_EQ(again->Angle, 0);
  EXPECT_EQ(again->Mode, 0);
  EXPECT_EQ(again->Tag, 0);
  EXPECT_FLOAT_EQ(again->Scale, 1);
  EXPECT_TRUE(again->Visible);
  EXPECT_EQ(again->GetTexture(1), nullptr);

  EXPECT_EQ(FindShadingMode("Blend3"), 6);
  EXPECT_EQ(FindShadingMode("PropIcon"), 13);
  EXPECT_EQ(FindShadingMode("blend3"), 0);
  EXPECT_EQ(FindShadingMode("Nothing"), 0);
  EXPECT_STREQ(ShadingProps(99).Name, "Default");
}

class FramePass : public ::testing::Test {
 protected:
  TVideoTestEnv Env;
  TTexture* A = nullptr;
  TTexture* B = nullptr;

  void SetUp() override {
    WritePacked(Env.Ordinary("G2A.tpx"), {SolidPicture(100, 50, 0xFFFFFFFF)});
    WritePacked(Env.Ordinary("G2B.tpx"), {SolidPicture(64, 64, 0xFFFFFFFF)});
    test::WriteFile(Env.Ordinary("G2A.tsg"), "SEGMENTS 3 SEGMENT 2 50 0 50 50");
    A = LoadTexture("G2A");
    B = LoadTexture("G2B");
  }

  TSprite* Sprite(int32_t Order, TTexture* Texture, int32_t Mode = 0, TCanvas* Canvas = nullptr) {
    TSprite* s = nullptr;
    CreateSprite(s, Canvas != nullptr ? Canvas : MainCanvas(), Order);
    s->Size = {100, 50};
    s->Mode = Mode;
    s->SetTexture(0, Texture);
    return s;
  }

  static TGfxStats Draw() {
    GfxStats() = TGfxStats{};
    EXPECT_TRUE(RenderFrame(nullptr));
    return GfxStats();
  }
};

TEST_F(FramePass, SpritesSharingTextureAndModeCostOneUploadAndOneDrawEach) {
  for (int i = 0; i < 10; ++i) Sprite(i, A);
  TGfxStats s = Draw();
  EXPECT_EQ(s.Draw, 10);
  EXPECT_EQ(s.SetConstants, 10);
  EXPECT_EQ(s.SetStream, 1);
  EXPECT_EQ(s.SetVertexProgram, 2);  // bound once, unbound at the end
  EXPECT_EQ(s.SetPixelProgram, 2);
  EXPECT_EQ(s.SetTexture, 1 + TextureStages);  // bound once, the four stages unbound at the end
  EXPECT_EQ(s.SetFilter, TextureStages);       // the frame's reset only
  EXPECT_EQ(s.Clear, 1);
  EXPECT_EQ(s.Present, 1);

  // Alternating textures rebind every sprite; invisible sprites cost nothing.
  TSprite* hidden = Sprite(20, B);
  hidden->Visible = false;
  for (int i = 0; i < 4; ++i) Sprite(30 + i, i % 2 == 0 ? B : A);
  s = Draw();
  EXPECT_EQ(s.Draw, 14);
  EXPECT_EQ(s.SetTexture, 1 + 4 + TextureStages);

  // Modes that share programs do not rebind them: Default and Grayscale share the vertex program.
  for (TItem* item : *MainCanvas()->Sprites) static_cast<TSprite*>(item)->Mode = 2;
  Sprite(40, A, 0);
  s = Draw();
  EXPECT_EQ(s.SetVertexProgram, 2);
  EXPECT_EQ(s.SetPixelProgram, 3);
}

// Sprites that share programs, textures, filters and canvas go to the device as one batch,
// whatever their placement, quad, tint or parameter; each change of a shared state breaks it.
TEST_F(FramePass, BatchesBreakExactlyWhereStateChanges) {
  for (int i = 0; i < 6; ++i) {
    TSprite* s = Sprite(i, A);
    s->Position = {static_cast<float>(i * 10), 0};
    s->Orientation = i % 8;
    s->Color = {1, 1, 1, 0.5f + 0.1f * static_cast<float>(i % 3)};
    s->Param = static_cast<float>(i);
    s->Angle = i % 2 == 0 ? 0.0f : 30.0f;
  }
  TGfxStats s = Draw();
  EXPECT_EQ(s.Draw, 6);
  EXPECT_EQ(s.Batches, 1);

  // A texture change, a mode of other programs, and back: four runs.
  Sprite(10, B);
  Sprite(11, B);
  Sprite(12, B, 1);  // OnlyTint: other programs, no texture
  Sprite(13, A);
  s = Draw();
  EXPECT_EQ(s.Draw, 10);
  EXPECT_EQ(s.Batches, 4);

  // Another canvas is another target: its sprites are a batch of their own, and the main
  // canvas's first run is not merged with anything drawn before it.
  TCanvas* canvas = nullptr;
  CreateCanvas(canvas, 1, {200, 100});
  Sprite(0, A, 0, canvas);
  Sprite(1, A, 0, canvas);
  s = Draw();
  EXPECT_EQ(s.Draw, 12);
  EXPECT_EQ(s.Batches, 5);

  // A filter change (point sampling at the picture's own size) breaks a run of one texture.
  FreeCanvas(canvas);
  for (TItem* item : *MainCanvas()->Sprites) static_cast<TSprite*>(item)->Visible = false;
  A->Smooth = false;
  TSprite* sharp = Sprite(20, A);
  TSprite* scaled = Sprite(21, A);
  scaled->Scale = 2;
  Sprite(22, A)->Scale = 2;
  s = Draw();
  EXPECT_EQ(s.Draw, 3);
  EXPECT_EQ(s.Batches, 2);
  EXPECT_TRUE(sharp->Visible);

  // A run longer than one batch holds goes out in several, and nothing is lost between frames.
  for (TItem* item : *MainCanvas()->Sprites) static_cast<TSprite*>(item)->Visible = false;
  const int32_t many = 2048 + 100;
  for (int32_t i = 0; i < many; ++i) Sprite(i, B);
  s = Draw();
  EXPECT_EQ(s.Draw, many);
  EXPECT_EQ(s.Batches, 2);
}

// Fewer pixels for the same picture: an opaque picture under an opaque tint, and a big first
// sprite on a target cleared to transparent black, are drawn without blending; a frame's
// transparent middle is left out, the sprite drawn as the four strips around it.
TEST_F(FramePass, OpaqueSpritesSkipBlendingAndFramesSkipTheirMiddle) {
  TImage frame = SolidPicture(400, 300, 0xFFFFFFFF);
  for (int32_t y = 50; y < 250; ++y) {
    for (int32_t x = 60; x < 340; ++x) std::memset(&frame.Bytes[static_cast<size_t>(y * 400 + x) * 4], 0, 4);
  }
  WritePacked(Env.Ordinary("G2Frame.tpx"), {frame});
  TImage see = SolidPicture(400, 300, 0x80808080);
  WritePacked(Env.Ordinary("G2See.tpx"), {see});
  TTexture* f = LoadTexture("G2Frame");
  EXPECT_TRUE(A->Opaque);
  EXPECT_FALSE(f->Opaque);
  EXPECT_FALSE(LoadTexture("G2See")->Opaque);
  ASSERT_TRUE(f->HasHole());
  EXPECT_EQ(f->HoleMin.X, 64);  // the transparent run less the margin
  EXPECT_EQ(f->HoleMax.Y, 246);
  EXPECT_FALSE(A->HasHole());  // too small to be searched

  // Opaque picture, opaque tint: no blending; half-transparent tint: blending again. (Small
  // sprites keep blending: a batch break would cost more.)
  Sprite(0, A)->Scale = 5;
  TSprite* half = Sprite(1, A);
  half->Scale = 5;
  half->Color.A = 0.5f;
  Sprite(2, A);
  TGfxStats s = Draw();
  EXPECT_EQ(s.SetBlend, 2);
  EXPECT_EQ(s.Batches, 2);

  // The frame at 800 x 600 units: one sprite, four strips, none over the hole.
  for (TItem* item : *MainCanvas()->Sprites) static_cast<TSprite*>(item)->Visible = false;
  TSprite* shown = Sprite(2, f);
  shown->Size = {800, 600};
  shown->Position = {100, 0};
  s = Draw();
  EXPECT_EQ(s.Draw, 1);
  EXPECT_EQ(s.Batches, 1);
  EXPECT_EQ(s.SetBlend, 1);  // the first sprite, and big: nothing below to blend with
  float vc[11][4];
  float pc[2][4];
  GfxLastConstants(vc, pc);  // the last strip: right of the hole
  EXPECT_FLOAT_EQ(vc[9][0], 800 * (1 - 336.0f / 400));
  EXPECT_FLOAT_EQ(vc[9][2], 100 + 400 - vc[9][0] / 2);
  EXPECT_FLOAT_EQ(vc[10][1], 600 * (246.0f - 54) / 300);
  EXPECT_FLOAT_EQ(vc[0][2], 336.0f / 400);
  EXPECT_FLOAT_EQ(vc[0][0], 1 - 336.0f / 400);

  // Rotated, it is drawn whole.
  shown->Angle = 10;
  Draw();
  GfxLastConstants(vc, pc);
  EXPECT_FLOAT_EQ(vc[0][0], 1);
}

// A canvas drawn only when shown costs nothing in frames where no visible sprite shows it.
TEST_F(FramePass, ACanvasDrawnOnlyWhenShownWaitsForItsViewer) {
  TCanvas* canvas = nullptr;
  CreateCanvas(canvas, 1, {200, 100});
  canvas->OnlyWhenShown = true;
  Sprite(0, A, 0, canvas);
  TSprite* viewer = Sprite(0, nullptr);
  viewer->SetTexture(0, canvas->Target.get());
  viewer->Visible = false;
  TGfxStats s = Draw();
  EXPECT_EQ(s.Clear, 1);  // the main canvas only
  EXPECT_EQ(s.Draw, 0);
  viewer->Visible = true;
  s = Draw();
  EXPECT_EQ(s.Clear, 2);
  EXPECT_EQ(s.Draw, 2);
}

TEST_F(FramePass, ConstantsCarryMatrixTintAndSegment) {
  TSprite* s = Sprite(0, A);
  s->Position = {10, -20};
  s->Scale = 2;
  s->SetSegment(0, 99);  // clamped to the last segment
  s->Color = {1, 0.5f, 0.25f, 0.5f};
  s->Param = 0.75f;
  Draw();
  float vc[11][4];
  float pc[2][4];
  GfxLastConstants(vc, pc);
  EXPECT_FLOAT_EQ(vc[0][0], 0.5f);  // segment 2: 50 x 50 at x 50 of 100 x 50
  EXPECT_FLOAT_EQ(vc[0][1], 1.0f);
  EXPECT_FLOAT_EQ(vc[0][2], 0.5f);
  EXPECT_FLOAT_EQ(vc[8][0], 2.0f / 1600);
  EXPECT_FLOAT_EQ(vc[8][1], -2.0f / 900);
  EXPECT_FLOAT_EQ(vc[8][3], 1.0f);
  EXPECT_FLOAT_EQ(vc[9][0], 200);
  EXPECT_FLOAT_EQ(vc[9][1], 0);
  EXPECT_FLOAT_EQ(vc[9][2], 10);
  EXPECT_FLOAT_EQ(vc[10][1], 100);
  EXPECT_FLOAT_EQ(vc[10][2], -20);
  // The tint is premultiplied unless its alpha is exactly 1.
  EXPECT_FLOAT_EQ(pc[0][0], 0.5f);
  EXPECT_FLOAT_EQ(pc[0][1], 0.25f);
  EXPECT_FLOAT_EQ(pc[0][2], 0.125f);
  EXPECT_FLOAT_EQ(pc[0][3], 0.5f);
  EXPECT_FLOAT_EQ(pc[1][3], 0.75f);

  s->Angle = 90;
  s->Color.A = 1;
  s->SetSegment(0, -5);  // clamped to the first
  Draw();
  GfxLastConstants(vc, pc);
  EXPECT_NEAR(vc[9][0], 0, 1e-4f);
  EXPECT_NEAR(vc[9][1], -100, 1e-4f);  // sin(-90 degrees) x H
  EXPECT_NEAR(vc[10][0], 200, 1e-4f);
  EXPECT_FLOAT_EQ(pc[0][1], 0.5f);
  EXPECT_FLOAT_EQ(vc[0][0], 1.0f);
  EXPECT_FLOAT_EQ(vc[0][2], 0.0f);
}

TEST_F(FramePass, PointSamplingOnlyAtThePicturesOwnSize) {
  A->Smooth = false;
  TSprite* s = Sprite(0, A);
  Draw();
  EXPECT_FALSE(GfxFilterLinear(0));  // 100 units at scale 1 is 100 pixels of a 100-pixel segment
  s->Size.X = 101;                   // within one pixel
  Draw();
  EXPECT_FALSE(GfxFilterLinear(0));
  s->Scale = 1.5f;
  Draw();
  EXPECT_TRUE(GfxFilterLinear(0));
  s->Scale = 1;
  s->Angle = 0.001f;
  Draw();
  EXPECT_TRUE(GfxFilterLinear(0));
  s->Angle = 0;
  A->Smooth = true;
  Draw();
  EXPECT_TRUE(GfxFilterLinear(0));
}

TEST_F(FramePass, DeviceLossSkipsFramesUntilTheResetAndRemakesTargets) {
  TCanvas* canvas = nullptr;
  CreateCanvas(canvas, 1, {200, 100});
  Sprite(0, B, 0, canvas);
  TSprite* shown = Sprite(0, canvas->Target.get());
  shown->SetTexture(0, canvas->Target.get());
  EXPECT_TRUE(RenderFrame(nullptr));
  EXPECT_TRUE(canvas->Target->DeviceTexture);
  EXPECT_TRUE(MainCanvas()->Target->SegmentCount() == 1);

  GfxSwitches().LoseOnPresent = 1;
  GfxSwitches().LostProbes = 2;
  EXPECT_FALSE(RenderFrame(nullptr));
  EXPECT_TRUE(IsDeviceLost());
  EXPECT_FALSE(canvas->Target->DeviceTexture);
  EXPECT_FALSE(RenderFrame(nullptr));  // nothing is drawn while lost
  EXPECT_FALSE(CheckDevice());
  EXPECT_FALSE(CheckDevice());
  EXPECT_TRUE(CheckDevice());  // the third probe finds the device ready to be reset
  EXPECT_FALSE(IsDeviceLost());
  GfxStats() = TGfxStats{};
  EXPECT_TRUE(RenderFrame(nullptr));
  EXPECT_TRUE(canvas->Target->DeviceTexture);
  EXPECT_EQ(GfxStats().CreateTexture, 1);

  // A reset that fails leaves the device lost; the next probe tries again.
  GfxSwitches().FailReset = true;
  ResetVideo();
  EXPECT_TRUE(IsDeviceLost());
  EXPECT_FALSE(CheckDevice());
  GfxSwitches().FailReset = false;
  EXPECT_TRUE(CheckDevice());
}

TEST_F(FramePass, CaptureDrawsTheMainCanvasIntoAnEvenWidth565Image) {
  SetVideoOptions({TGfxBackend::Memory, 301, 100});
  ResetVideo();
  MainCanvas()->ClearColor = 0xFFFF0000;
  TCaptureImage image;
  GfxStats() = TGfxStats{};
  ASSERT_TRUE(RenderFrame(&image));
  EXPECT_EQ(GfxStats().Present, 0);
  EXPECT_EQ(image.Width, 302);
  EXPECT_EQ(image.Height, 100);
  ASSERT_EQ(image.Pixels.size(), 302u * 100u);
  EXPECT_EQ(image.Pixels[0], 0xF800);
  EXPECT_EQ(image.Pixels[300], 0xF800);
  EXPECT_EQ(image.Pixels[301], 0);  // the rounding column lies outside the viewport
}

}  // namespace
}  // namespace tv
