// The contract between the graphics device's front (PlatformGraphics.cpp) and its two back ends.
//
// The front implements everything the two share: the test switches and their effects (missing
// capabilities, failing programs, lost devices), the call counters, argument checks, the
// device's life (generations, so that textures outliving a device become shells), the current
// target, viewport, programs, filters and constants, and the present observer. It then hands
// the work that differs to the active back end through TGfxBackendDevice:
//   - PlatformGraphicsGL.cpp: OpenGL 3.3 core on the window's context (real drawing);
//   - PlatformGraphicsMemory.cpp: textures as plain bytes, draws only counted (no window needed).
// Nothing outside platform/ includes this header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/PlatformGraphics.h"

namespace tv {

struct TGfxTexture {
  uint32_t Generation = 0;  // the device that made it; a texture outliving its device is a shell
  int32_t Width = 0;
  int32_t Height = 0;
  TPixelFormat Format = TPixelFormat::Unknown;
  bool RenderTarget = false;
  uint32_t Name = 0;           // OpenGL: the texture object
  uint32_t Framebuffer = 0;    // OpenGL: the frame buffer of a render target
  std::vector<uint8_t> Bytes;  // the memory back end's pixels; OpenGL's staging copy while locked
  bool Locked = false;
};

constexpr int32_t VertexProgramCount = 5;
// Sprites one batch holds at most; a longer run goes to the device in several batches.
constexpr int32_t BatchCapacity = 2048;

// One recorded sprite: what the constants of a single draw carried, less the projection (the
// same for the whole batch).
struct TGfxSprite {
  float Row0[3];      // c9: x scale, x shear, x position
  float Row1[3];      // c10
  float Orientation;  // which of the eight quads (0..7), as a float for the vertex stream
  float Param;        // pixel c1.w
  float Stage[4][4];  // c0..c3: u scale, v scale, u offset, v offset of each stage
  float Tint[4];      // pixel c0
};
constexpr int32_t PixelProgramCount = 14;
// Texture stages each pixel program samples.
extern const int32_t PixelStages[PixelProgramCount];

// What the front knows of the device, readable by the back ends.
struct TGfxState {
  bool ObjectCreated = false;
  bool DeviceCreated = false;
  uint32_t Generation = 1;
  TGfxCaps Caps;
  TPresentParams Params;
  bool TwoComponent = true;
  bool HasDeclaration = false;
  int32_t VertexStages[VertexProgramCount] = {};
  int32_t CurrentVertex = -1;
  int32_t CurrentPixel = -1;
  TGfxTexture* Target = nullptr;
  int32_t ViewportWidth = 0;
  int32_t ViewportHeight = 0;
};
const TGfxState& GfxState();

// Writes one ARGB colour as a pixel of Format (1 to 4 bytes).
void StoreColor(TPixelFormat Format, uint32_t Argb, uint8_t* Pixel);

// The work that differs between the back ends. The front calls these only with a device in the
// state each one names, after its own checks and counting.
class TGfxBackendDevice {
 public:
  virtual ~TGfxBackendDevice() = default;
  // Whether the back end can run at all (OpenGL: a 3.3 core context exists).
  virtual bool Available() = 0;
  // Fills the maximum texture size and the program version; false when they cannot be read.
  virtual bool ReadCaps(TGfxCaps& Caps) = 0;
  virtual bool CreateDevice() = 0;
  virtual bool CreateQuads(const float (&UV)[8][4][2]) = 0;
  virtual bool CreateVertexProgram(int32_t Index, int32_t Stages) = 0;
  virtual bool CreatePixelProgram(int32_t Index) = 0;
  virtual bool LinkPrograms(int32_t VertexProgram, int32_t PixelProgram) = 0;
  // Releases what the device made, if a device was made, and forgets it all.
  virtual void Destroy() = 0;
  // The back buffer's size changed (reset) or a frame begins.
  virtual void SyncBackBuffer() = 0;
  virtual void ApplyStates() = 0;

  // A texture of the current device; its fields are set, its storage is the back end's to make.
  virtual bool CreateTexture(TGfxTexture& Texture) = 0;
  // A texture of the current device going away; WasTarget when draws went into it (the front
  // has already made the back buffer the target again).
  virtual void DeleteTexture(TGfxTexture& Texture, bool WasTarget) = 0;
  // Prepares Bytes for writing the whole level (pitch = width x bytes a pixel).
  virtual void LockTexture(TGfxTexture& Texture, size_t Size) = 0;
  // Takes the written Bytes (only for textures of the current device).
  virtual void UnlockTexture(TGfxTexture& Texture) = 0;
  virtual void FillTexture(TGfxTexture& Texture, uint32_t Argb) = 0;
  virtual std::vector<uint8_t> ReadTexture(TGfxTexture& Texture) = 0;

  virtual void BindTarget(TGfxTexture* Target) = 0;
  virtual void SetViewport(int32_t Width, int32_t Height) = 0;
  virtual void Clear(uint32_t Argb) = 0;
  virtual void SetFrameStates() = 0;
  virtual void SetBlend(bool Enabled) = 0;
  // The vertex or pixel program changed (Index -1 unbinds it).
  virtual void ProgramChanged(int32_t Index) = 0;
  virtual void SetTexture(int32_t Stage, TGfxTexture* Texture) = 0;
  virtual void SetFilter(int32_t Stage, bool Linear) = 0;
  // Draws Count sprites (1..BatchCapacity) with the current programs, textures, filters and
  // target; Projection is the c8 they share.
  virtual void DrawBatch(const TGfxSprite* Sprites, int32_t Count, const float (&Projection)[4]) = 0;
  virtual void Present() = 0;
  virtual std::vector<uint8_t> ReadBackBuffer(int32_t& Width, int32_t& Height) = 0;
  virtual void PaintStill(const std::vector<uint16_t>& Pixels, int32_t Width, int32_t Height) = 0;
};

// The two back ends, one instance each.
TGfxBackendDevice& GfxOpenGLBackend();
TGfxBackendDevice& GfxMemoryBackend();

}  // namespace tv
