// The video device on real OpenGL (the off-screen SDL driver): every shading mode's result
// against its formula, the eight quad orientations, clamped segments and the still capture.
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "platform/PlatformWindow.h"
#include "support/VideoTestSupport.h"

namespace tv {
namespace {

using test::TVideoTestEnv;

struct TRgba {
  double R = 0, G = 0, B = 0, A = 0;
};

TRgba operator*(TRgba X, TRgba Y) { return {X.R * Y.R, X.G * Y.G, X.B * Y.B, X.A * Y.A}; }
TRgba operator*(TRgba X, double S) { return {X.R * S, X.G * S, X.B * S, X.A * S}; }
TRgba operator+(TRgba X, TRgba Y) { return {X.R + Y.R, X.G + Y.G, X.B + Y.B, X.A + Y.A}; }
TRgba Over(TRgba Under, TRgba Top) { return Under * (1 - Top.A) + Top; }

// The formula of each mode, on premultiplied texels T, the (premultiplied) tint C and P.
TRgba Expected(int32_t Mode, const std::array<TRgba, 4>& T, TRgba C, double P) {
  switch (Mode) {
    case 0: return T[0] * C;
    case 1: return C;
    case 2:
    case 3: {
      const TRgba q = T[0] * C;
      const double g = 0.3125 * q.R + 0.4375 * q.G + 0.25 * q.B;
      return Mode == 2 ? TRgba{g, g, g, q.A} : TRgba{g, g * 0.9, g * 0.7, q.A};
    }
    case 4: return Over(T[0] * C, T[1]);
    case 5: return Over(Over(T[0] * C, T[1]), T[2]);
    case 6: return Over(Over(Over(T[0] * C, T[1]), T[2]), T[3]);
    case 7: return {T[0].R * T[1].R * C.R, T[0].G * T[1].G * C.G, T[0].B * T[1].B * C.B, T[0].A * C.A};
    case 8: return T[0] * T[1] * C;
    case 9: return T[0] * C * T[1].A;
    case 10: return T[0] * C * (1 - T[1].A);
    case 11: return (T[1] * P + T[0] * (1 - P)) * C;
    case 12: return Over(T[2], T[3]) * std::min(1.0, C.A * T[1].A + T[0].A);
    case 13: {
      const TRgba q = Over(T[0] * C, T[1]);
      const double g = 0.2344 * q.R + 0.3281 * q.G + 0.1875 * q.B;
      return {P * q.R + (1 - P) * g, P * q.G + (1 - P) * g, P * q.B + (1 - P) * g, q.A};
    }
    default: return {};
  }
}

uint32_t Argb(TRgba C) {
  auto b = [](double V) { return static_cast<uint32_t>(std::lround(std::clamp(V, 0.0, 1.0) * 255)); };
  return b(C.A) << 24 | b(C.R) << 16 | b(C.G) << 8 | b(C.B);
}

TRgba FromArgb(uint32_t V) {
  return {((V >> 16) & 0xFF) / 255.0, ((V >> 8) & 0xFF) / 255.0, (V & 0xFF) / 255.0, (V >> 24) / 255.0};
}

class VideoOnOpenGL : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(PlatformOpenWindow("test", error)) << error;
    ASSERT_TRUE(HasGLContext());
    Env = std::make_unique<TVideoTestEnv>(320, 180, TGfxBackend::OpenGL);
    ASSERT_TRUE(VideoStarted());
  }
  void TearDown() override {
    Owned.clear();
    Env.reset();
    PlatformCloseWindow();
  }

  // A texture of one premultiplied colour, owned by the test.
  TTexture* Solid(uint32_t Color, int32_t Size = 4) {
    auto t = std::make_unique<TTexture>("T");
    const TImage p = test::SolidPicture(Size, Size, Color);
    UploadPicture(*t, p.Bytes.data(), Size, Size, p.Format, p.Pitch);
    SetSingleSegment(*t, {Size, Size});
    Owned.push_back(std::move(t));
    return Owned.back().get();
  }

  // An off-screen canvas whose pixels are its units (the main scale is 0.2 at 320 x 180).
  TCanvas* PixelCanvas(int32_t W, int32_t H) {
    TCanvas* canvas = nullptr;
    CreateCanvas(canvas, 1, {static_cast<float>(W), static_cast<float>(H)});
    canvas->SetScale(5);
    EXPECT_EQ(canvas->PixelSize.X, W);
    return canvas;
  }

  static uint32_t Pixel(const std::vector<uint8_t>& Bytes, int32_t Pitch, int32_t X, int32_t Y) {
    const size_t i = static_cast<size_t>(Y) * static_cast<size_t>(Pitch) + static_cast<size_t>(X) * 4;
    return static_cast<uint32_t>(Bytes[i + 3]) << 24 | static_cast<uint32_t>(Bytes[i + 2]) << 16 |
           static_cast<uint32_t>(Bytes[i + 1]) << 8 | Bytes[i];
  }

  std::unique_ptr<TVideoTestEnv> Env;
  std::vector<std::unique_ptr<TTexture>> Owned;
};

TEST_F(VideoOnOpenGL, EveryModeComputesItsFormula) {
  const uint32_t texels[4] = {0xE6CC6633, 0x80402010, 0x4C4C0000, 0xFF1080F0};  // premultiplied
  struct TTint {
    TColor4 Color;
    float Param;
  };
  const TTint tints[] = {
      {{1, 1, 1, 1}, 0.0f}, {{0.5f, 0.8f, 0.3f, 1}, 0.3f}, {{0.9f, 0.6f, 0.3f, 0.5f}, 1.0f}, {{1, 1, 1, 0}, 0.5f}};
  constexpr int32_t Cell = 8;
  const int32_t columns = ShadingModeCount;
  const int32_t rows = static_cast<int32_t>(std::size(tints)) + 1;
  TCanvas* canvas = PixelCanvas(columns * Cell, rows * Cell);
  TTexture* t[4];
  for (int i = 0; i < 4; ++i) t[i] = Solid(texels[i]);
  std::array<TRgba, 4> texel;
  for (int i = 0; i < 4; ++i) texel[static_cast<size_t>(i)] = FromArgb(texels[i]);

  for (int32_t mode = 0; mode < columns; ++mode) {
    for (int32_t row = 0; row < rows; ++row) {
      TSprite* s = nullptr;
      CreateSprite(s, canvas, 0);
      s->Mode = mode;
      s->Size = {Cell, Cell};
      s->Position = {(mode + 0.5f) * Cell - canvas->Size.X / 2, (row + 0.5f) * Cell - canvas->Size.Y / 2};
      if (row < rows - 1) {
        s->Color = tints[row].Color;
        s->Param = tints[row].Param;
        for (int i = 0; i < 4; ++i) s->SetTexture(i, t[i]);
      }  // the last row has no textures at all: every stage samples the empty texture
    }
  }
  ASSERT_TRUE(RenderFrame(nullptr));
  const std::vector<uint8_t> bytes = GfxReadTexture(canvas->Target->DeviceTexture.get());
  const int32_t pitch = canvas->Target->TextureSize.X * 4;
  for (int32_t mode = 0; mode < columns; ++mode) {
    for (int32_t row = 0; row < rows; ++row) {
      std::array<TRgba, 4> samples = texel;
      TColor4 color{1, 1, 1, 1};
      double param = 0;
      if (row < rows - 1) {
        color = tints[row].Color;
        param = tints[row].Param;
      } else {
        samples = {};
      }
      const TRgba tint = color.A == 1 ? TRgba{color.R, color.G, color.B, 1}
                                      : TRgba{color.R * color.A, color.G * color.A, color.B * color.A, color.A};
      TRgba want = Expected(mode, samples, tint, param);
      if (std::lround(std::clamp(want.A, 0.0, 1.0) * 255) == 0) want = {};  // dropped by the alpha test
      const uint32_t expected = Argb(want);
      const uint32_t got = Pixel(bytes, pitch, mode * Cell + Cell / 2, row * Cell + Cell / 2);
      for (int shift = 0; shift < 32; shift += 8) {
        const int e = static_cast<int>((expected >> shift) & 0xFF);
        const int g = static_cast<int>((got >> shift) & 0xFF);
        EXPECT_LE(std::abs(e - g), 2) << ShadingProps(mode).Name << " row " << row << std::hex << " expected "
                                      << expected << " got " << got;
      }
    }
  }
}

TEST_F(VideoOnOpenGL, OrientationsMirrorAndTurnTheTexture) {
  // A 2 x 2 picture: red top-left, green top-right, blue bottom-left, white bottom-right.
  auto t = std::make_unique<TTexture>("Corners");
  const uint32_t corners[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
  std::vector<uint8_t> rows(16);
  for (int i = 0; i < 4; ++i) {
    for (int c = 0; c < 4; ++c) rows[static_cast<size_t>(i * 4 + c)] = static_cast<uint8_t>(corners[i] >> (8 * c));
  }
  UploadPicture(*t, rows.data(), 2, 2, TPixelFormat::A8R8G8B8, 8);
  SetSingleSegment(*t, {2, 2});
  TCanvas* canvas = PixelCanvas(8 * 8, 8);
  // The corner texel each quad vertex shows (top-left, top-right, bottom-left, bottom-right).
  const int uv[8][4] = {{0, 1, 2, 3}, {2, 0, 3, 1}, {3, 2, 1, 0}, {1, 3, 0, 2},
                        {1, 0, 3, 2}, {3, 1, 2, 0}, {2, 3, 0, 1}, {0, 2, 1, 3}};
  for (int o = 0; o < 8; ++o) {
    TSprite* s = nullptr;
    CreateSprite(s, canvas, 0);
    s->Orientation = o;
    s->Size = {8, 8};
    s->Position = {o * 8 + 4 - canvas->Size.X / 2, 0};
    s->SetTexture(0, t.get());
  }
  ASSERT_TRUE(RenderFrame(nullptr));
  const std::vector<uint8_t> bytes = GfxReadTexture(canvas->Target->DeviceTexture.get());
  const int32_t pitch = canvas->Target->TextureSize.X * 4;
  for (int o = 0; o < 8; ++o) {
    const int x[4] = {1, 6, 1, 6};
    const int y[4] = {1, 1, 6, 6};
    for (int v = 0; v < 4; ++v) {
      EXPECT_EQ(Pixel(bytes, pitch, o * 8 + x[v], y[v]), corners[uv[o][v]]) << "orientation " << o << " vertex " << v;
    }
  }
}

TEST_F(VideoOnOpenGL, CaptureReadsTheMainCanvasTopDown) {
  TTexture* red = Solid(0xFFFF0000);
  TSprite* top = nullptr;
  CreateSprite(top, MainCanvas(), 0);
  // The top half of the screen red, the rest the clear colour (blue).
  top->Size = {MainCanvas()->Size.X, MainCanvas()->Size.Y / 2};
  top->Position = {0, -MainCanvas()->Size.Y / 4};
  top->SetTexture(0, red);
  MainCanvas()->ClearColor = 0xFF0000FF;
  TCaptureImage image;
  ASSERT_TRUE(RenderFrame(&image));
  ASSERT_EQ(image.Width, 320);
  ASSERT_EQ(image.Height, 180);
  EXPECT_EQ(image.Pixels[10 * 320 + 10], 0xF800);
  EXPECT_EQ(image.Pixels[170 * 320 + 10], 0x001F);
  // The frame read back from the back buffer agrees.
  std::vector<uint8_t> frame;
  int32_t w = 0;
  int32_t h = 0;
  ASSERT_TRUE(test::RenderAndReadBack(frame, w, h));
  ASSERT_EQ(w, 320);
  EXPECT_EQ(frame[(10 * 320 + 10) * 4], 255);
  EXPECT_EQ(frame[(170 * 320 + 10) * 4 + 2], 255);
}

TEST_F(VideoOnOpenGL, PaddedTexturesDrawLikeExactOnes) {
  // Without full non-power-of-two support a 3 x 3 picture lives in a 4 x 4 texture; drawn
  // stretched with linear filtering, its right edge must not fade into unset texels.
  VideoShutdown();
  GfxSwitches().NonPow2 = 0;
  VideoStartup();
  TTexture* t = Solid(0xFF00FF00, 3);
  EXPECT_EQ(t->TextureSize.X, 4);
  TCanvas* canvas = PixelCanvas(30, 30);
  TSprite* s = nullptr;
  CreateSprite(s, canvas, 0);
  s->Size = {30, 30};
  s->SetTexture(0, t);
  ASSERT_TRUE(RenderFrame(nullptr));
  EXPECT_EQ(canvas->Target->TextureSize.X, 32);
  const std::vector<uint8_t> bytes = GfxReadTexture(canvas->Target->DeviceTexture.get());
  EXPECT_EQ(Pixel(bytes, 32 * 4, 29, 29), 0xFF00FF00u);
  EXPECT_EQ(Pixel(bytes, 32 * 4, 31, 31), 0u);  // outside the viewport: cleared to transparent
}

}  // namespace
}  // namespace tv
