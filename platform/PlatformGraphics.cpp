// The graphics device's front: what both back ends share (see PlatformGraphicsBackend.h). It
// implements:
//   - pixel formats: their sizes, their numbers in files, storing one colour as a pixel;
//   - the test switches (parsed from TOLVAREN_GRAPHICS) and what they take away or break:
//     capabilities, program versions, program compiles, lost devices and failed resets;
//   - the call counters and the last constants and filters, for tests;
//   - the device's life: creation steps, generations (textures outliving their device become
//     shells), the lost-device probes and resets;
//   - argument and state checks of every call, and the state the back ends read (the target,
//     viewport, current programs, back buffer size);
//   - the present observer;
// and hands the rest to the back end chosen at GfxCreateObject.
#include "platform/PlatformGraphics.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "platform/PlatformGraphicsBackend.h"

namespace tv {

const int32_t PixelStages[PixelProgramCount] = {1, 0, 1, 1, 2, 3, 4, 2, 2, 2, 2, 2, 4, 2};

namespace {

// The front's own state beside what the back ends may read.
struct TFront {
  TGfxState State;
  TGfxBackend Kind = TGfxBackend::Memory;
  bool Lost = false;
  int ProbesLeft = 0;
  std::function<void()> Observer;
  float LastVertex[11][4] = {};
  float LastPixel[2][4] = {};
  bool StageLinear[4] = {true, true, true, true};
  int32_t Orientation = 0;
  // The batch being recorded: its sprites and the projection they share.
  TGfxSprite* Batch = nullptr;
  int32_t BatchCount = 0;
  float BatchProjection[4] = {};
};

TFront Dev;
TGfxSwitches Switches;
TGfxStats Stats;
// The batch's storage, made once: recording a frame allocates nothing.
TGfxSprite BatchStorage[BatchCapacity];

TGfxBackendDevice& Backend() { return Dev.Kind == TGfxBackend::OpenGL ? GfxOpenGLBackend() : GfxMemoryBackend(); }

bool IsPowerOf2(int32_t V) { return V > 0 && (V & (V - 1)) == 0; }

// Sends the recorded sprites as one draw call.
void Flush() {
  if (Dev.BatchCount == 0) return;
  ++Stats.Batches;
  const int32_t count = Dev.BatchCount;
  Dev.BatchCount = 0;
  if (Dev.State.DeviceCreated) Backend().DrawBatch(Dev.Batch, count, Dev.BatchProjection);
}

}  // namespace

void GfxFlush() { Flush(); }

const TGfxState& GfxState() { return Dev.State; }

void StoreColor(TPixelFormat Format, uint32_t Argb, uint8_t* Pixel) {
  const uint8_t a = static_cast<uint8_t>(Argb >> 24);
  const uint8_t r = static_cast<uint8_t>(Argb >> 16);
  const uint8_t g = static_cast<uint8_t>(Argb >> 8);
  const uint8_t b = static_cast<uint8_t>(Argb);
  switch (Format) {
    case TPixelFormat::A8R8G8B8:
    case TPixelFormat::X8R8G8B8:
      Pixel[0] = b;
      Pixel[1] = g;
      Pixel[2] = r;
      Pixel[3] = a;
      break;
    case TPixelFormat::R5G6B5: {
      const uint16_t v = static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
      std::memcpy(Pixel, &v, 2);
      break;
    }
    case TPixelFormat::A8: Pixel[0] = a; break;
    case TPixelFormat::L8: Pixel[0] = r; break;
    case TPixelFormat::A8L8:
      Pixel[0] = r;
      Pixel[1] = a;
      break;
    case TPixelFormat::Unknown: break;
  }
}

// ---- Formats and switches ---------------------------------------------------------------------

int32_t FormatBytesPerPixel(TPixelFormat Format) {
  switch (Format) {
    case TPixelFormat::A8R8G8B8:
    case TPixelFormat::X8R8G8B8: return 4;
    case TPixelFormat::R5G6B5:
    case TPixelFormat::A8L8: return 2;
    case TPixelFormat::A8:
    case TPixelFormat::L8: return 1;
    case TPixelFormat::Unknown: break;
  }
  return 0;
}

TPixelFormat PixelFormatOf(int32_t Raw) {
  switch (Raw) {
    case 21:
    case 22:
    case 23:
    case 28:
    case 50:
    case 51: return static_cast<TPixelFormat>(Raw);
    default: return TPixelFormat::Unknown;
  }
}

TGfxSwitches& GfxSwitches() { return Switches; }
TGfxStats& GfxStats() { return Stats; }

void GfxLastConstants(float (&Vertex)[11][4], float (&Pixel)[2][4]) {
  std::memcpy(Vertex, Dev.LastVertex, sizeof Dev.LastVertex);
  std::memcpy(Pixel, Dev.LastPixel, sizeof Dev.LastPixel);
}

bool GfxFilterLinear(int32_t Stage) { return Stage >= 0 && Stage < 4 && Dev.StageLinear[Stage]; }

void ParseGfxSwitches(const std::string& Text, TGfxSwitches& S) {
  std::istringstream list(Text);
  std::string item;
  while (std::getline(list, item, ',')) {
    const size_t eq = item.find('=');
    if (eq == std::string::npos) continue;
    const std::string name = item.substr(0, eq);
    const int value = std::atoi(item.c_str() + eq + 1);
    if (name == "nonpow2")
      S.NonPow2 = value;
    else if (name == "a8")
      S.A8 = value;
    else if (name == "l8")
      S.L8 = value;
    else if (name == "a8l8")
      S.A8L8 = value;
    else if (name == "position2")
      S.TwoComponentPosition = value;
    else if (name == "lose-on-present")
      S.LoseOnPresent = value;
    else if (name == "lost-probes")
      S.LostProbes = value;
    else if (name == "fail-reset")
      S.FailReset = value != 0;
    else if (name == "fail-vertex")
      S.FailVertexProgram = value;
    else if (name == "fail-pixel")
      S.FailPixelProgram = value;
    else if (name == "old-programs")
      S.OldPrograms = value != 0;
    else if (name == "no-device")
      S.NoDevice = value != 0;
  }
}

// ---- Device life ------------------------------------------------------------------------------

bool GfxCreateObject(TGfxBackend Kind) {
  if (const char* text = std::getenv("TOLVAREN_GRAPHICS")) ParseGfxSwitches(text, Switches);
  Dev.Kind = Kind;
  if (Switches.NoDevice) return false;
  if (!Backend().Available()) return false;
  Dev.State.ObjectCreated = true;
  return true;
}

bool GfxGetCaps(TGfxCaps& Caps) {
  if (!Dev.State.ObjectCreated) return false;
  TGfxCaps caps;
  if (!Backend().ReadCaps(caps)) return false;
  caps.VertexProgramVersion = caps.PixelProgramVersion;
  if (Switches.OldPrograms) caps.PixelProgramVersion = caps.VertexProgramVersion = 110;
  if (Switches.NonPow2 >= 0) caps.NonPow2 = Switches.NonPow2 != 0;
  if (Switches.A8 >= 0) caps.A8 = Switches.A8 != 0;
  if (Switches.L8 >= 0) caps.L8 = Switches.L8 != 0;
  if (Switches.A8L8 >= 0) caps.A8L8 = Switches.A8L8 != 0;
  if (Switches.TwoComponentPosition >= 0) caps.TwoComponentPosition = Switches.TwoComponentPosition != 0;
  Dev.State.Caps = caps;
  Caps = caps;
  return true;
}

bool GfxCreateDevice(const TPresentParams& Params) {
  if (!Dev.State.ObjectCreated) return false;
  Dev.State.Params = Params;
  Dev.Lost = false;
  Dev.Batch = BatchStorage;
  Dev.BatchCount = 0;
  Dev.State.DeviceCreated = true;
  if (!Backend().CreateDevice()) {
    Dev.State.DeviceCreated = false;
    return false;
  }
  return true;
}

bool GfxCreateVertexDeclaration(bool TwoComponentPosition) {
  if (!Dev.State.DeviceCreated) return false;
  if (TwoComponentPosition && !Dev.State.Caps.TwoComponentPosition) return false;
  Dev.State.TwoComponent = TwoComponentPosition;
  Dev.State.HasDeclaration = true;
  return true;
}

bool GfxCreateQuads(const float (&UV)[8][4][2]) {
  if (!Dev.State.HasDeclaration) return false;
  return Backend().CreateQuads(UV);
}

bool GfxCreateVertexProgram(int32_t Index, int32_t Stages) {
  if (!Dev.State.DeviceCreated || Index < 0 || Index >= VertexProgramCount) return false;
  if (Switches.FailVertexProgram == Index) return false;
  Dev.State.VertexStages[Index] = Stages;
  return Backend().CreateVertexProgram(Index, Stages);
}

bool GfxCreatePixelProgram(int32_t Index) {
  if (!Dev.State.DeviceCreated || Index < 0 || Index >= PixelProgramCount) return false;
  if (Switches.FailPixelProgram == Index) return false;
  return Backend().CreatePixelProgram(Index);
}

bool GfxLinkPrograms(int32_t VertexProgram, int32_t PixelProgram) {
  if (VertexProgram < 0 || VertexProgram >= VertexProgramCount || PixelProgram < 0 ||
      PixelProgram >= PixelProgramCount) {
    return false;
  }
  if (Dev.State.VertexStages[VertexProgram] < PixelStages[PixelProgram]) return false;
  return Backend().LinkPrograms(VertexProgram, PixelProgram);
}

void GfxDestroy() {
  Dev.BatchCount = 0;
  Backend().Destroy();
  const uint32_t generation = Dev.State.Generation + 1;
  Dev = TFront{};
  Dev.State.Generation = generation;
}

bool GfxStarted() { return Dev.State.DeviceCreated; }
TGfxBackend GfxBackend() { return Dev.Kind; }

TGfxCooperativeLevel GfxTestCooperativeLevel() {
  if (!Dev.Lost) return TGfxCooperativeLevel::Ok;
  if (Dev.ProbesLeft > 0) {
    --Dev.ProbesLeft;
    return TGfxCooperativeLevel::Lost;
  }
  return TGfxCooperativeLevel::NotReset;
}

bool GfxReset(const TPresentParams& Params) {
  if (!Dev.State.DeviceCreated) return false;
  if (Switches.FailReset) {
    // A failed reset leaves the device waiting for another.
    Dev.Lost = true;
    Dev.ProbesLeft = 0;
    return false;
  }
  Flush();
  Dev.State.Params = Params;
  Dev.Lost = false;
  Backend().SyncBackBuffer();
  return true;
}

void GfxApplyStates() {
  if (!Dev.State.DeviceCreated) return;
  Backend().ApplyStates();
}

// ---- Textures -----------------------------------------------------------------------------------

void TGfxTextureDeleter::operator()(TGfxTexture* Texture) const {
  if (Texture == nullptr) return;
  const std::unique_ptr<TGfxTexture> owned(Texture);  // freed when the device has let it go
  if (Texture->Generation == Dev.State.Generation && Dev.State.DeviceCreated) {
    // Draws never go on into a texture that is gone, nor sample one.
    Flush();
    const bool wasTarget = Dev.State.Target == Texture;
    if (wasTarget) Dev.State.Target = nullptr;
    Backend().DeleteTexture(*Texture, wasTarget);
  }
}

TDeviceTexture GfxCreateTexture(int32_t Width, int32_t Height, TPixelFormat Format, bool RenderTarget) {
  ++Stats.CreateTexture;
  const TGfxCaps& caps = Dev.State.Caps;
  const int32_t bpp = FormatBytesPerPixel(Format);
  if (!Dev.State.DeviceCreated || bpp == 0 || Width <= 0 || Height <= 0 || Width > caps.MaxTextureSize ||
      Height > caps.MaxTextureSize) {
    return nullptr;
  }
  // Render targets are surfaces the caller sizes itself; pictures need powers of two here.
  if (!RenderTarget && !caps.NonPow2 && (!IsPowerOf2(Width) || !IsPowerOf2(Height))) return nullptr;
  if ((Format == TPixelFormat::A8 && !caps.A8) || (Format == TPixelFormat::L8 && !caps.L8) ||
      (Format == TPixelFormat::A8L8 && !caps.A8L8)) {
    return nullptr;
  }
  TDeviceTexture texture(std::make_unique<TGfxTexture>().release());
  texture->Generation = Dev.State.Generation;
  texture->Width = Width;
  texture->Height = Height;
  texture->Format = Format;
  texture->RenderTarget = RenderTarget;
  if (!Backend().CreateTexture(*texture)) return nullptr;
  return texture;
}

int32_t GfxTextureWidth(const TGfxTexture* Texture) { return Texture != nullptr ? Texture->Width : 0; }
int32_t GfxTextureHeight(const TGfxTexture* Texture) { return Texture != nullptr ? Texture->Height : 0; }
TPixelFormat GfxTextureFormat(const TGfxTexture* Texture) {
  return Texture != nullptr ? Texture->Format : TPixelFormat::Unknown;
}

bool GfxLockTexture(TGfxTexture* Texture, uint8_t*& Bits, int32_t& Pitch) {
  if (Texture == nullptr || Texture->Locked || Texture->Generation != Dev.State.Generation) return false;
  Flush();
  const size_t pitch = static_cast<size_t>(Texture->Width) * static_cast<size_t>(FormatBytesPerPixel(Texture->Format));
  Backend().LockTexture(*Texture, pitch * static_cast<size_t>(Texture->Height));
  Texture->Locked = true;
  Bits = Texture->Bytes.data();
  Pitch = static_cast<int32_t>(pitch);
  return true;
}

void GfxUnlockTexture(TGfxTexture* Texture) {
  if (Texture == nullptr || !Texture->Locked) return;
  Texture->Locked = false;
  if (Texture->Generation != Dev.State.Generation) return;
  Backend().UnlockTexture(*Texture);
}

void GfxFillTexture(TGfxTexture* Texture, uint32_t Argb) {
  if (Texture == nullptr || Texture->Generation != Dev.State.Generation) return;
  Flush();
  Backend().FillTexture(*Texture, Argb);
}

std::vector<uint8_t> GfxReadTexture(TGfxTexture* Texture) {
  if (Texture == nullptr || Texture->Generation != Dev.State.Generation) return {};
  Flush();
  return Backend().ReadTexture(*Texture);
}

// ---- Drawing ----------------------------------------------------------------------------------

void GfxBeginScene() {
  if (!Dev.State.DeviceCreated) return;
  Backend().SyncBackBuffer();
}

void GfxEndScene() { Flush(); }

void GfxSetRenderTarget(TGfxTexture* Target) {
  ++Stats.SetRenderTarget;
  Flush();
  Dev.State.Target = Target;
  Backend().BindTarget(Target);
}

void GfxSetViewport(int32_t Width, int32_t Height) {
  Flush();
  Dev.State.ViewportWidth = Width;
  Dev.State.ViewportHeight = Height;
  Backend().SetViewport(Width, Height);
}

void GfxClear(uint32_t Argb) {
  ++Stats.Clear;
  Flush();
  Backend().Clear(Argb);
}

void GfxSetFrameStates() {
  Flush();
  Backend().SetFrameStates();
}

void GfxSetBlend(bool Enabled) {
  ++Stats.SetBlend;
  Flush();
  Backend().SetBlend(Enabled);
}

// The quad is the sprite's own (it travels in the batch): no batch break.
void GfxSetStream(int32_t Orientation) {
  ++Stats.SetStream;
  if (Orientation < 0 || Orientation > 7) return;
  Dev.Orientation = Orientation;
}

void GfxSetVertexProgram(int32_t Index) {
  ++Stats.SetVertexProgram;
  Flush();
  Dev.State.CurrentVertex = Index;
  Backend().ProgramChanged(Index);
}

void GfxSetPixelProgram(int32_t Index) {
  ++Stats.SetPixelProgram;
  Flush();
  Dev.State.CurrentPixel = Index;
  Backend().ProgramChanged(Index);
}

void GfxSetTexture(int32_t Stage, TGfxTexture* Texture) {
  ++Stats.SetTexture;
  if (Stage < 0 || Stage > 3) return;
  Flush();
  Backend().SetTexture(Stage, Texture);
}

void GfxSetFilter(int32_t Stage, bool Linear) {
  ++Stats.SetFilter;
  if (Stage < 0 || Stage > 3) return;
  Flush();
  Dev.StageLinear[Stage] = Linear;
  Backend().SetFilter(Stage, Linear);
}

void GfxSetConstants(const float (&Vertex)[11][4], const float (&Pixel)[2][4]) {
  ++Stats.SetConstants;
  std::memcpy(Dev.LastVertex, Vertex, sizeof Dev.LastVertex);
  std::memcpy(Dev.LastPixel, Pixel, sizeof Dev.LastPixel);
}

void GfxDraw() {
  ++Stats.Draw;
  GfxDrawPiece();
}

void GfxUndoDraw() {
  if (Dev.BatchCount > 0) --Dev.BatchCount;
}

void GfxDrawPiece() {
  if (!Dev.State.DeviceCreated) return;
  const float(&v)[11][4] = Dev.LastVertex;
  // A batch shares its projection: another one (a caller that changed it without changing the
  // target) starts a new batch.
  if (Dev.BatchCount > 0 && std::memcmp(Dev.BatchProjection, v[8], sizeof Dev.BatchProjection) != 0) Flush();
  if (Dev.BatchCount == BatchCapacity) Flush();
  if (Dev.BatchCount == 0) std::memcpy(Dev.BatchProjection, v[8], sizeof Dev.BatchProjection);
  TGfxSprite& s = Dev.Batch[Dev.BatchCount++];
  std::memcpy(s.Row0, v[9], sizeof s.Row0);
  std::memcpy(s.Row1, v[10], sizeof s.Row1);
  s.Orientation = static_cast<float>(Dev.Orientation);
  s.Param = Dev.LastPixel[1][3];
  std::memcpy(s.Stage, v, sizeof s.Stage);
  std::memcpy(s.Tint, Dev.LastPixel[0], sizeof s.Tint);
}

bool GfxPresent() {
  ++Stats.Present;
  Flush();
  if (!Dev.State.DeviceCreated || Dev.Lost) return false;
  if (Switches.LoseOnPresent > 0 && --Switches.LoseOnPresent == 0) {
    Dev.Lost = true;
    Dev.ProbesLeft = Switches.LostProbes;
    return false;
  }
  if (Dev.Observer) Dev.Observer();
  Backend().Present();
  return true;
}

void GfxSetPresentObserver(std::function<void()> Observer) { Dev.Observer = std::move(Observer); }

std::vector<uint8_t> GfxReadBackBuffer(int32_t& Width, int32_t& Height) {
  Width = Height = 0;
  Flush();
  if (!Dev.State.DeviceCreated || Dev.State.Params.Width <= 0 || Dev.State.Params.Height <= 0) return {};
  return Backend().ReadBackBuffer(Width, Height);
}

void GfxPaintStill(const std::vector<uint16_t>& Pixels, int32_t Width, int32_t Height) {
  Flush();
  if (!Dev.State.DeviceCreated || Width <= 0 || Height <= 0 ||
      Pixels.size() < static_cast<size_t>(Width) * static_cast<size_t>(Height)) {
    return;
  }
  Backend().PaintStill(Pixels, Width, Height);
}

}  // namespace tv
