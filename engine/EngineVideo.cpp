#include "engine/EngineVideo.h"

#include <cmath>
#include <cstring>

#include "base/AppProcess.h"

namespace tv {

namespace {

const TShadingProps ShadingTable[ShadingModeCount] = {
    {"Default", 0, 0, 1},    {"OnlyTint", 1, 1, 0},  {"Grayscale", 0, 2, 1},     {"Sepia", 0, 3, 1},
    {"Blend1", 2, 4, 2},     {"Blend2", 3, 5, 3},    {"Blend3", 4, 6, 4},        {"MultiplyColor1", 2, 7, 2},
    {"Multiply1", 2, 8, 2},  {"AlphaMask", 2, 9, 2}, {"AlphaInvMask", 2, 10, 2}, {"Morphing", 2, 11, 2},
    {"MapReveal", 4, 12, 4}, {"PropIcon", 2, 13, 2},
};

// Texture stages each vertex program serves.
const int32_t VertexProgramStages[5] = {1, 0, 2, 3, 4};

// Texture coordinates of the eight quads, vertices top-left, top-right, bottom-left, bottom-right.
const float QuadUV[8][4][2] = {
    {{0, 0}, {1, 0}, {0, 1}, {1, 1}}, {{0, 1}, {0, 0}, {1, 1}, {1, 0}}, {{1, 1}, {0, 1}, {1, 0}, {0, 0}},
    {{1, 0}, {1, 1}, {0, 0}, {0, 1}}, {{1, 0}, {0, 0}, {1, 1}, {0, 1}}, {{1, 1}, {1, 0}, {0, 1}, {0, 0}},
    {{0, 1}, {1, 1}, {0, 0}, {1, 0}}, {{0, 0}, {0, 1}, {1, 0}, {1, 1}},
};

const TPixelFormat CanvasFormats[3] = {TPixelFormat::A8R8G8B8, TPixelFormat::X8R8G8B8, TPixelFormat::R5G6B5};

constexpr int32_t NoSegment = 2147483647;
constexpr int32_t MaxCanvasPixels = 16384;

struct TVideoState {
  bool Started = false;
  bool DeviceLost = false;
  bool NonPow2 = false;
  bool A8 = false;
  bool L8 = false;
  bool A8L8 = false;
  TPresentParams Params;
  std::unique_ptr<TEmptyTexture> Empty;
  std::unique_ptr<TCache> Sprites;
  std::unique_ptr<TContainer> Canvases;
  TCanvas* Main = nullptr;
};

TVideoState Video;
TVideoOptions Options;
TDisplayHooks Display;
bool DisplayFullScreenWithoutHooks = true;

[[noreturn]] void Fail(int32_t Code, const char* Message) {
  SetErrorCode(Code);
  throw EError(Message);
}

void BuildPresentParams() {
  int32_t width = Options.Width;
  int32_t height = Options.Height;
  // The client area in pixels: on a high-DPI screen the drawable has more pixels than the window
  // has units, and the picture is drawn at the screen's own resolution.
  if (width <= 0 || height <= 0) DisplayClientSize(width, height);
  Video.Params.Width = Max(width, 1);
  Video.Params.Height = Max(height, 1);
  Video.Params.Windowed = !DisplayFullScreen();
}

void ScaleMainCanvas() {
  TCanvas& m = *Video.Main;
  m.PixelSize = {Video.Params.Width, Video.Params.Height};
  m.Aspect = static_cast<float>(m.PixelSize.X) / static_cast<float>(m.PixelSize.Y);
  const float design = DesignWidth / DesignHeight;
  if (m.Aspect > design) {
    m.Size.X = DesignWidth * m.Aspect / design;
    m.Scale = static_cast<float>(m.PixelSize.Y) / DesignHeight;
  } else {
    m.Size.X = DesignWidth;
    m.Scale = static_cast<float>(m.PixelSize.X) / DesignWidth;
  }
  m.Size.Y = m.Size.X / m.Aspect;
  m.Target->TextureSize = m.PixelSize;
  SetSingleSegment(*m.Target, m.PixelSize);
  if (Display.ScreenCanvasSize) Display.ScreenCanvasSize(m.Size);
}

void ApplyDeviceStates() {
  GfxApplyStates();
  ScaleMainCanvas();
}

// Whether every pixel the sprite draws is opaque, so that blending would only replace what lies
// below: its modes give alpha T0.a x C.a (or C.a), its tint is opaque and its picture is too.
bool CoversWhatIsBelow(const TSprite& Sprite, const TShadingProps& Row) {
  if (!IsOne(Sprite.Color.A)) return false;
  const int32_t mode = &Row - ShadingTable;
  if (mode == 1) return true;  // OnlyTint
  if (mode != 0 && mode != 2 && mode != 3) return false;
  const TTexture* texture = Sprite.Textures[0].Texture;
  return texture != nullptr && texture->Opaque && texture->DeviceTexture;
}

// A sprite of a picture with a transparent middle (a frame) draws nothing there: its modes give
// alpha T0.a x C.a and drop what is fully transparent. When it is drawn unrotated, its first
// piece (already recorded with the sprite's constants) is cut down to the strip above the hole,
// and the strips below, left and right of it follow; the margin of transparent texels around
// the hole keeps every visible texel's pixels where they were.
void DrawAroundHole(const TSprite& Sprite, float (&Vertex)[11][4], const float (&Pixel)[2][4]) {
  const int32_t mode = Sprite.Mode;
  if ((mode != 0 && mode != 2 && mode != 3) || !IsZero(Sprite.Angle) || Sprite.Orientation != 0) return;
  const TTexture* texture = Sprite.Textures[0].Texture;
  if (texture == nullptr || !texture->HasHole() || !texture->DeviceTexture) return;
  const TSegment* segment = texture->SegmentAt(Sprite.Textures[0].Segment);
  if (segment == nullptr || segment->PixelSize.X <= 0 || segment->PixelSize.Y <= 0) return;
  // The hole in fractions of the segment.
  const float left = segment->UVOffset.X * static_cast<float>(texture->TextureSize.X);
  const float top = segment->UVOffset.Y * static_cast<float>(texture->TextureSize.Y);
  const float fx0 = (static_cast<float>(texture->HoleMin.X) - left) / segment->PixelSize.X;
  const float fx1 = (static_cast<float>(texture->HoleMax.X) - left) / segment->PixelSize.X;
  const float fy0 = (static_cast<float>(texture->HoleMin.Y) - top) / segment->PixelSize.Y;
  const float fy1 = (static_cast<float>(texture->HoleMax.Y) - top) / segment->PixelSize.Y;
  if (!(fx0 > 0 && fx1 < 1 && fx0 < fx1 && fy0 > 0 && fy1 < 1 && fy0 < fy1)) return;
  const float whole[4] = {Vertex[0][0], Vertex[0][1], Vertex[0][2], Vertex[0][3]};
  const float w = Vertex[9][0];
  const float h = Vertex[10][1];
  const float x = Vertex[9][2];
  const float y = Vertex[10][2];
  // Piece i covers the fractions [a0, a1] x [b0, b1] of the sprite.
  const float pieces[4][4] = {{0, 1, 0, fy0}, {0, 1, fy1, 1}, {0, fx0, fy0, fy1}, {fx1, 1, fy0, fy1}};
  GfxUndoDraw();
  for (const auto& p : pieces) {
    Vertex[9][0] = w * (p[1] - p[0]);
    Vertex[9][2] = x - w / 2 + w * (p[0] + p[1]) / 2;
    Vertex[10][1] = h * (p[3] - p[2]);
    Vertex[10][2] = y - h / 2 + h * (p[2] + p[3]) / 2;
    Vertex[0][0] = whole[0] * (p[1] - p[0]);
    Vertex[0][1] = whole[1] * (p[3] - p[2]);
    Vertex[0][2] = whole[2] + whole[0] * p[0];
    Vertex[0][3] = whole[3] + whole[1] * p[2];
    GfxSetConstants(Vertex, Pixel);
    GfxDrawPiece();
  }
  Vertex[9][0] = w;
  Vertex[9][2] = x;
  Vertex[10][1] = h;
  Vertex[10][2] = y;
  std::memcpy(Vertex[0], whole, sizeof whole);
}

// Render targets of off-screen canvases live in memory the device may lose: drop them, to be
// made again by the next frame that draws.
void ReleaseCanvasTargets() {
  if (!Video.Canvases) return;
  for (TItem* item : *Video.Canvases) {
    auto* canvas = static_cast<TCanvas*>(item);
    if (canvas != Video.Main) canvas->Target->DeviceTexture.reset();
  }
}

}  // namespace

// ---- Canvases ---------------------------------------------------------------------------------

TCanvas::TCanvas()
    : Sprites(std::make_unique<TContainer>(true, Video.Sprites.get())),
      Target(std::make_unique<TRenderTargetTexture>()) {}

TCanvas::~TCanvas() = default;

void TCanvas::Attached() {
  if (this == Video.Main) return;
  Scale = 1;
  Aspect = Size.X / Size.Y;
  Resize();
}

void TCanvas::Detached() {
  Target->DeviceTexture.reset();
  Target->TextureSize = {0, 0};
  Target->Segments.reset();
  PixelSize = {0, 0};
  FormatIndex = 0;
  ClearColor = 0;
  Tiled = false;
  KeepPicture = false;
  PictureValid = false;
  OnlyWhenShown = false;
}

bool TCanvas::Precedes(const TItem* Other) const { return Order <= static_cast<const TCanvas*>(Other)->Order; }

void TCanvas::SetSize(TVector NewSize) {
  if (VectorsEqual(NewSize, Size)) return;
  Size = NewSize;
  Aspect = Size.X / Size.Y;
  Resize();
}

void TCanvas::SetScale(float NewScale) {
  if (SameFloat(NewScale, Scale)) return;
  Scale = NewScale;
  Resize();
}

void TCanvas::SetTiles(TVector Origin, TVector CellSize, int32_t Columns, int32_t Rows) {
  Tiled = true;
  TileOrigin = Origin;
  TileSize = CellSize;
  TileColumns = Columns;
  TileRows = Rows;
  Target->Segments.reset();
  Resize();
}

void TCanvas::Resize() {
  if (this == Video.Main || Video.Main == nullptr) return;
  auto pixels = [](float Units) {
    const double v = std::nearbyint(static_cast<double>(Units));
    if (!(v > 0)) return 0;  // also NaN
    return static_cast<int32_t>(v > MaxCanvasPixels ? MaxCanvasPixels : v);
  };
  const float scale = Video.Main->Scale * Scale;
  const TPoint wanted{pixels(Size.X * scale), pixels(Size.Y * scale)};
  if (!PointsEqual(wanted, PixelSize)) {
    PixelSize = wanted;
    SetTargetSize(*Target, wanted);
    Target->Segments.reset();
  }
  if (Target->SegmentCount() == 0) {
    if (Tiled)
      SetTiledSegments(*Target, TileOrigin, TileSize, TileColumns, TileRows, static_cast<float>(PixelSize.X) / Size.X);
    if (Target->SegmentCount() == 0) SetSingleSegment(*Target, PixelSize);
  }
}

// ---- Sprites ----------------------------------------------------------------------------------

void TSprite::Attached() {
  Visible = true;
  Scale = 1;
  Color = {1, 1, 1, 1};
}

void TSprite::Detached() {
  Angle = 0;
  Orientation = 0;
  Tag = 0;
  Mode = 0;
  Param = 0;
  for (TSpriteStage& stage : Textures) stage = {};
}

bool TSprite::Precedes(const TItem* Other) const { return Order <= static_cast<const TSprite*>(Other)->Order; }

void TSprite::SetOrder(int32_t NewOrder) {
  if (NewOrder == Order) return;
  Order = NewOrder;
  if (Container != nullptr) Reposition();
}

TTexture* TSprite::GetTexture(int32_t Stage) const {
  return Stage >= 0 && Stage < TextureStages ? Textures[Stage].Texture : nullptr;
}

void TSprite::SetTexture(int32_t Stage, TTexture* Texture) {
  if (Stage >= 0 && Stage < TextureStages) Textures[Stage].Texture = Texture;
}

int32_t TSprite::GetSegment(int32_t Stage) const {
  return Stage >= 0 && Stage < TextureStages ? Textures[Stage].Segment : 0;
}

void TSprite::SetSegment(int32_t Stage, int32_t Index) {
  if (Stage >= 0 && Stage < TextureStages) Textures[Stage].Segment = Index;
}

void TSprite::SetTextureName(int32_t Stage, const std::string& Name) {
  if (Stage < 0 || Stage >= TextureStages) return;
  TSpriteStage& stage = Textures[Stage];
  if (Name.empty()) {
    stage.Texture = nullptr;
  } else if (stage.Texture == nullptr || stage.Texture->Name != Name) {
    stage.Texture = LoadTexture(Name);
  }
}

// ---- Shading modes --------------------------------------------------------------------------

const TShadingProps& ShadingProps(int32_t Mode) {
  return ShadingTable[Mode >= 0 && Mode < ShadingModeCount ? Mode : 0];
}

int32_t FindShadingMode(const std::string& Name) {
  for (int32_t i = 0; i < ShadingModeCount; ++i) {
    if (Name == ShadingTable[i].Name) return i;
  }
  return 0;
}

// ---- The device -------------------------------------------------------------------------------

void SetVideoOptions(const TVideoOptions& NewOptions) { Options = NewOptions; }
const TVideoOptions& GetVideoOptions() { return Options; }

void VideoStartup() {
  if (Video.Started) return;
  if (!GfxCreateObject(Options.Backend)) Fail(2, "Failed to create Direct3D object");
  TGfxCaps caps;
  if (!GfxGetCaps(caps)) Fail(1, "Failed to get Direct3D capabilities");
  if (RequiredProgramVersion > caps.PixelProgramVersion)
    Fail(2, "Direct3D device does not support required pixel shaders version");
  BuildPresentParams();
  if (!GfxCreateDevice(Video.Params)) Fail(1, "Failed to create Direct3D device");
  if (!GfxGetCaps(caps)) Fail(1, "Failed to get Direct3D device capabilities");
  Video.NonPow2 = caps.NonPow2;
  Video.A8 = caps.A8;
  Video.L8 = caps.L8;
  Video.A8L8 = caps.A8L8;
  if (!GfxCreateVertexDeclaration(true) && !GfxCreateVertexDeclaration(false))
    Fail(1, "Failed to setup vertex declaration");
  if (!GfxCreateQuads(QuadUV)) Fail(1, "Failed to setup vertex buffers");
  for (int32_t i = 0; i < 5; ++i) {
    if (!GfxCreateVertexProgram(i, VertexProgramStages[i])) Fail(1, "Failed to setup vertex shaders");
  }
  for (int32_t i = 0; i < ShadingModeCount; ++i) {
    if (!GfxCreatePixelProgram(i)) Fail(1, "Failed to setup pixel shaders");
  }
  for (const TShadingProps& row : ShadingTable) {
    if (!GfxLinkPrograms(row.VertexProgram, row.PixelProgram)) Fail(1, "Failed to setup pixel shaders");
  }
  Video.Empty = std::make_unique<TEmptyTexture>();
  CreateTextureCache();
  Video.Sprites = std::make_unique<TCache>(MakeItem<TSprite>, SpriteCacheSize);
  Video.Canvases = std::make_unique<TContainer>(true, MakeItem<TCanvas>, CanvasCacheSize);
  auto* main = static_cast<TCanvas*>(Video.Canvases->GetCache()->Acquire());
  main->Order = MainCanvasOrder;
  main->FormatIndex = 1;
  Video.Main = main;
  Video.Canvases->Insert(main, true);
  ApplyDeviceStates();
  Video.Started = true;
}

void VideoShutdown() {
  Video.Started = false;
  // Canvases first: they hand their sprites back to the sprite cache.
  Video.Canvases.reset();
  Video.Main = nullptr;
  Video.Sprites.reset();
  DestroyTextureCache();
  Video.Empty.reset();
  GfxDestroy();
  Video = TVideoState{};
}

bool VideoStarted() { return Video.Started; }
bool IsDeviceLost() { return Video.DeviceLost; }
TCanvas* MainCanvas() { return Video.Main; }
TContainer* Canvases() { return Video.Canvases.get(); }
TEmptyTexture* EmptyTexture() { return Video.Empty.get(); }
TCache* SpriteCache() { return Video.Sprites.get(); }
bool NonPow2Supported() { return Video.NonPow2; }
bool A8Supported() { return Video.A8; }
bool L8Supported() { return Video.L8; }
bool A8L8Supported() { return Video.A8L8; }

TPixelFormat CanvasFormat(int32_t FormatIndex) {
  return CanvasFormats[FormatIndex >= 0 && FormatIndex < 3 ? FormatIndex : 0];
}

bool CheckDevice() {
  if (!Video.Started) return false;
  if (Video.DeviceLost) {
    const TGfxCooperativeLevel level = GfxTestCooperativeLevel();
    Video.DeviceLost = level != TGfxCooperativeLevel::Ok;
    if (level == TGfxCooperativeLevel::NotReset && GfxReset(Video.Params)) {
      Video.DeviceLost = false;
      ApplyDeviceStates();
    }
  }
  return !Video.DeviceLost;
}

void ResetVideo() {
  if (!Video.Started) return;
  if (!Video.DeviceLost) {
    Video.DeviceLost = true;
    ReleaseCanvasTargets();
  }
  BuildPresentParams();
  if (GfxReset(Video.Params)) {
    Video.DeviceLost = false;
    ApplyDeviceStates();
  }
}

void CreateCanvas(TCanvas*& Canvas, int32_t Order, TVector Size) {
  if (Canvas != nullptr || !Video.Canvases) return;
  auto* canvas = static_cast<TCanvas*>(Video.Canvases->GetCache()->Acquire());
  canvas->Order = Order;
  canvas->Size = Size;
  Video.Canvases->Insert(canvas, true);
  Canvas = canvas;
}

void FreeCanvas(TCanvas*& Canvas) {
  if (Canvas == nullptr) return;
  if (Canvas->Container != nullptr) Canvas->Container->Remove(Canvas);
  Canvas = nullptr;
}

void CreateSprite(TSprite*& Sprite, TCanvas* Canvas, int32_t Order) {
  if (Sprite != nullptr || Canvas == nullptr) return;
  auto* sprite = static_cast<TSprite*>(Canvas->Sprites->GetCache()->Acquire());
  sprite->Canvas = Canvas;
  sprite->Order = Order;
  Canvas->Sprites->Insert(sprite, true);
  Sprite = sprite;
}

void FreeSprite(TSprite*& Sprite) {
  if (Sprite == nullptr) return;
  if (Sprite->Container != nullptr) Sprite->Container->Remove(Sprite);
  Sprite = nullptr;
}

// ---- Drawing a frame --------------------------------------------------------------------------

bool RenderFrame(TCaptureImage* Capture) {
  if (!Video.Started || Video.DeviceLost) return false;
  TCanvas& main = *Video.Main;
  TDeviceTexture capture;
  const int32_t captureWidth = MakeEven(main.PixelSize.X);
  const int32_t captureHeight = main.PixelSize.Y;
  if (Capture != nullptr) {
    capture = GfxCreateTexture(captureWidth, captureHeight, TPixelFormat::R5G6B5, true);
    if (!capture) return false;
    GfxFillTexture(capture.get(), 0);
  }
  for (TItem* item : *Video.Canvases) {
    auto* canvas = static_cast<TCanvas*>(item);
    if (canvas == &main || canvas->Target->DeviceTexture) continue;
    canvas->Resize();
    canvas->PictureValid = false;
    if (canvas->PixelSize.X > 0 && canvas->PixelSize.Y > 0)
      CreateTargetTexture(*canvas->Target, CanvasFormat(canvas->FormatIndex));
  }

  // Which canvases' pictures visible sprites show this frame.
  for (TItem* item : *Video.Canvases) static_cast<TCanvas*>(item)->Target->ShownThisFrame = false;
  for (TItem* item : *Video.Canvases) {
    for (TItem* spriteItem : *static_cast<TCanvas*>(item)->Sprites) {
      auto& sprite = *static_cast<TSprite*>(spriteItem);
      if (!sprite.Visible) continue;
      const int32_t count = ShadingProps(sprite.Mode).TextureCount;
      for (int32_t i = 0; i < count; ++i) {
        if (TTexture* texture = sprite.Textures[i].Texture; texture != nullptr && texture->IsTarget)
          texture->ShownThisFrame = true;
      }
    }
  }

  GfxBeginScene();
  GfxSetFrameStates();
  bool cachedBlend = true;

  // The frame's state cache: the device is asked to change a state only when it differs.
  int32_t cachedOrientation = -1;
  int32_t cachedMode = -1;
  int32_t cachedVertex = -1;
  int32_t cachedPixel = -1;
  TTexture* cachedTexture[TextureStages] = {};
  int32_t cachedSegment[TextureStages];
  bool segmentKnown[TextureStages] = {};
  TVector cachedSegmentSize[TextureStages];
  bool cachedLinear[TextureStages];
  for (int32_t i = 0; i < TextureStages; ++i) {
    cachedSegment[i] = NoSegment;
    cachedLinear[i] = true;
    GfxSetFilter(i, true);
  }
  float vc[11][4] = {};
  float pc[2][4] = {};
  static const TSegment WholePicture{{1, 1}, {0, 0}, {1, 1}};

  for (TItem* item : *Video.Canvases) {
    auto* canvas = static_cast<TCanvas*>(item);
    float filterScale = main.Scale;
    if (canvas == &main) {
      GfxSetRenderTarget(capture.get());
    } else {
      if (!canvas->Target->DeviceTexture) continue;
      if (canvas->KeepPicture && canvas->PictureValid) continue;
      if (canvas->OnlyWhenShown && !canvas->Target->ShownThisFrame) continue;
      canvas->PictureValid = true;
      GfxSetRenderTarget(canvas->Target->DeviceTexture.get());
      filterScale = main.Scale * canvas->Scale;
    }
    GfxSetViewport(canvas->PixelSize.X, canvas->PixelSize.Y);
    GfxClear(canvas->ClearColor);
    // Until its first sprite is drawn, a target cleared to transparent black is blended with
    // nothing: that sprite gives the same picture with blending off.
    bool fresh = canvas->ClearColor == 0;
    vc[8][0] = 2.0f / canvas->Size.X;
    vc[8][1] = -2.0f / canvas->Size.Y;
    vc[8][2] = 0;
    vc[8][3] = 1;
    for (TItem* spriteItem : *canvas->Sprites) {
      const auto& sprite = *static_cast<const TSprite*>(spriteItem);
      if (!sprite.Visible) continue;
      if (sprite.Orientation != cachedOrientation) {
        GfxSetStream(sprite.Orientation >= 0 && sprite.Orientation < 8 ? sprite.Orientation : 0);
        cachedOrientation = sprite.Orientation;
      }
      const TShadingProps& row = ShadingProps(sprite.Mode);
      if (sprite.Mode != cachedMode) {
        if (row.VertexProgram != cachedVertex) {
          GfxSetVertexProgram(row.VertexProgram);
          cachedVertex = row.VertexProgram;
        }
        if (row.PixelProgram != cachedPixel) {
          GfxSetPixelProgram(row.PixelProgram);
          cachedPixel = row.PixelProgram;
        }
        cachedMode = sprite.Mode;
      }
      const float w = sprite.Scale * sprite.Size.X;
      const float h = sprite.Scale * sprite.Size.Y;
      if (IsZero(sprite.Angle)) {
        vc[9][0] = w;
        vc[9][1] = 0;
        vc[10][0] = 0;
        vc[10][1] = h;
      } else {
        const float r = sprite.Angle * (-3.14159265358979f / 180.0f);
        const float c = std::cos(r);
        const float s = std::sin(r);
        vc[9][0] = c * w;
        vc[9][1] = s * h;
        vc[10][0] = -s * w;
        vc[10][1] = c * h;
      }
      vc[9][2] = sprite.Position.X;
      vc[10][2] = sprite.Position.Y;
      const TColor4& color = sprite.Color;
      if (IsOne(color.A)) {
        pc[0][0] = color.R;
        pc[0][1] = color.G;
        pc[0][2] = color.B;
        pc[0][3] = 1;
      } else {
        pc[0][0] = color.R * color.A;
        pc[0][1] = color.G * color.A;
        pc[0][2] = color.B * color.A;
        pc[0][3] = color.A;
      }
      pc[1][3] = sprite.Param;
      for (int32_t i = 0; i < row.TextureCount; ++i) {
        TTexture* texture = sprite.Textures[i].Texture != nullptr ? sprite.Textures[i].Texture : Video.Empty.get();
        if (texture != cachedTexture[i]) {
          // A texture whose picture could not be made shows as the empty texture.
          TGfxTexture* device =
              texture->DeviceTexture ? texture->DeviceTexture.get() : Video.Empty->DeviceTexture.get();
          GfxSetTexture(i, device);
          cachedTexture[i] = texture;
          cachedSegment[i] = NoSegment;
          segmentKnown[i] = false;
        }
        const int32_t index = sprite.Textures[i].Segment;
        if (!segmentKnown[i] || index != cachedSegment[i]) {
          const TSegment* segment = texture->SegmentAt(index);
          if (segment == nullptr) segment = &WholePicture;
          cachedSegment[i] = index;
          segmentKnown[i] = true;
          cachedSegmentSize[i] = segment->PixelSize;
          vc[i][0] = segment->UVScale.X;
          vc[i][1] = segment->UVScale.Y;
          vc[i][2] = segment->UVOffset.X;
          vc[i][3] = segment->UVOffset.Y;
        }
        // Point sampling when the sprite lands on the screen at its picture's own size.
        const bool linear =
            texture->Smooth || !IsZero(sprite.Angle) || std::fabs(filterScale * w - cachedSegmentSize[i].X) > 1.0f;
        if (linear != cachedLinear[i]) {
          GfxSetFilter(i, linear);
          cachedLinear[i] = linear;
        }
      }
      // Blending goes off only for big sprites: for a small one the batch break costs more than
      // the blending it saves.
      const float area = std::fabs(w * h);
      const float canvasArea = canvas->Size.X * canvas->Size.Y;
      const bool blend =
          !(fresh && area * 4 >= canvasArea) && !(area * 16 >= canvasArea && CoversWhatIsBelow(sprite, row));
      fresh = false;
      if (blend != cachedBlend) {
        GfxSetBlend(blend);
        cachedBlend = blend;
      }
      GfxSetConstants(vc, pc);
      GfxDraw();
      DrawAroundHole(sprite, vc, pc);
    }
  }

  for (int32_t i = 0; i < TextureStages; ++i) GfxSetTexture(i, nullptr);
  GfxSetPixelProgram(-1);
  GfxSetVertexProgram(-1);
  if (Capture != nullptr) GfxSetRenderTarget(nullptr);
  GfxEndScene();

  if (Capture == nullptr) {
    if (!GfxPresent()) {
      Video.DeviceLost = true;
      ReleaseCanvasTargets();
      return false;
    }
    return true;
  }
  std::vector<uint8_t> bytes = GfxReadTexture(capture.get());
  const size_t count = static_cast<size_t>(captureWidth) * static_cast<size_t>(captureHeight);
  if (bytes.size() == count * 2) {
    Capture->Width = captureWidth;
    Capture->Height = captureHeight;
    Capture->Pixels.resize(count);
    std::memcpy(Capture->Pixels.data(), bytes.data(), bytes.size());
  }
  return true;
}

bool CaptureVideoStill(std::vector<uint16_t>& Pixels, int32_t& Width, int32_t& Height) {
  TCaptureImage image;
  if (!RenderFrame(&image) || image.Pixels.empty()) return false;
  Pixels = std::move(image.Pixels);
  Width = image.Width;
  Height = image.Height;
  return true;
}

void PaintVideoStill(const std::vector<uint16_t>& Pixels, int32_t Width, int32_t Height) {
  if (Video.Started) GfxPaintStill(Pixels, Width, Height);
}

// ---- The display ----------------------------------------------------------------------------

void SetDisplayHooks(TDisplayHooks Hooks) { Display = std::move(Hooks); }
bool HasDisplayHooks() {
  return Display.ClientSize || Display.IsFullScreen || Display.SetFullScreen || Display.SetCaption ||
         Display.ScreenCanvasSize;
}

void DisplayClientSize(int32_t& Width, int32_t& Height) {
  Width = 0;
  Height = 0;
  if (Display.ClientSize) Display.ClientSize(Width, Height);
}

bool DisplayFullScreen() { return Display.IsFullScreen ? Display.IsFullScreen() : DisplayFullScreenWithoutHooks; }

void SetDisplayFullScreen(bool Value) {
  if (Display.SetFullScreen) {
    Display.SetFullScreen(Value);
  } else {
    DisplayFullScreenWithoutHooks = Value;
  }
}

void SetDisplayCaption(const std::u16string& Text) {
  if (Display.SetCaption) Display.SetCaption(Text);
}

}  // namespace tv
