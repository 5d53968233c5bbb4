// The memory back end of the graphics device (see PlatformGraphicsBackend.h). It implements:
//   - the capabilities of a device without limits worth testing (16384-pixel textures, the
//     required program version), before the test switches apply;
//   - textures as plain bytes in their format: made zeroed, written in place while locked,
//     filled with a colour, read back as stored;
//   - clears of a texture target over the viewport;
// and nothing else: quads, programs, states, draws and presents succeed and are only counted by
// the front (sprites and batches). It needs no window, so unit tests and fuzz targets run without a display.
#include <algorithm>
#include <cstring>

#include "platform/PlatformGraphicsBackend.h"

namespace tv {

namespace {

void FillRows(TGfxTexture& Texture, int32_t Width, int32_t Height, uint32_t Argb) {
  const int32_t bpp = FormatBytesPerPixel(Texture.Format);
  uint8_t pixel[4] = {};
  StoreColor(Texture.Format, Argb, pixel);
  Width = std::min(Width, Texture.Width);
  Height = std::min(Height, Texture.Height);
  const size_t pitch = static_cast<size_t>(Texture.Width) * static_cast<size_t>(bpp);
  for (int32_t y = 0; y < Height; ++y) {
    uint8_t* row = Texture.Bytes.data() + static_cast<size_t>(y) * pitch;
    for (int32_t x = 0; x < Width; ++x) {
      std::memcpy(row + static_cast<size_t>(x) * static_cast<size_t>(bpp), pixel, static_cast<size_t>(bpp));
    }
  }
}

class TMemoryBackend final : public TGfxBackendDevice {
 public:
  bool Available() override { return true; }
  bool ReadCaps(TGfxCaps& Caps) override {
    Caps.MaxTextureSize = 16384;
    Caps.PixelProgramVersion = RequiredProgramVersion;
    return true;
  }
  bool CreateDevice() override { return true; }
  bool CreateQuads(const float (&)[8][4][2]) override { return true; }
  bool CreateVertexProgram(int32_t, int32_t) override { return true; }
  bool CreatePixelProgram(int32_t) override { return true; }
  bool LinkPrograms(int32_t, int32_t) override { return true; }
  void Destroy() override {}
  void SyncBackBuffer() override {}
  void ApplyStates() override {}

  bool CreateTexture(TGfxTexture& Texture) override {
    Texture.Bytes.assign(static_cast<size_t>(Texture.Width) * static_cast<size_t>(Texture.Height) *
                             static_cast<size_t>(FormatBytesPerPixel(Texture.Format)),
                         0);
    return true;
  }
  void DeleteTexture(TGfxTexture&, bool) override {}
  // The pixels are written where they live.
  void LockTexture(TGfxTexture&, size_t) override {}
  void UnlockTexture(TGfxTexture&) override {}
  void FillTexture(TGfxTexture& Texture, uint32_t Argb) override {
    FillRows(Texture, Texture.Width, Texture.Height, Argb);
  }
  std::vector<uint8_t> ReadTexture(TGfxTexture& Texture) override { return Texture.Bytes; }

  void BindTarget(TGfxTexture*) override {}
  void SetViewport(int32_t, int32_t) override {}
  void Clear(uint32_t Argb) override {
    const TGfxState& s = GfxState();
    if (s.Target != nullptr) FillRows(*s.Target, s.ViewportWidth, s.ViewportHeight, Argb);
  }
  void SetFrameStates() override {}
  void SetBlend(bool) override {}
  void ProgramChanged(int32_t) override {}
  void SetTexture(int32_t, TGfxTexture*) override {}
  void SetFilter(int32_t, bool) override {}
  void DrawBatch(const TGfxSprite*, int32_t, const float (&)[4]) override {}
  void Present() override {}
  // There is no back buffer to read.
  std::vector<uint8_t> ReadBackBuffer(int32_t&, int32_t&) override { return {}; }
  void PaintStill(const std::vector<uint16_t>&, int32_t, int32_t) override {}
};

}  // namespace

TGfxBackendDevice& GfxMemoryBackend() {
  static TMemoryBackend backend;
  return backend;
}

}  // namespace tv
