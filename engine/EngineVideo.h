// The video device, canvases and sprites.
//
// Everything the player sees is a sprite: a textured quad drawn by one of fourteen shading
// modes. Sprites live on canvases; the main canvas is the window's back buffer, every other
// canvas an off-screen picture that sprites of a later canvas show. Layout is in units of a
// 1600 x 900 design screen extended to the window's aspect, origin at the centre, y downwards.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/AppNumeric.h"
#include "base/EngineClasses.h"
#include "engine/EngineTextures.h"
#include "platform/PlatformGraphics.h"

namespace tv {

constexpr float DesignWidth = 1600.0f;
constexpr float DesignHeight = 900.0f;
constexpr int32_t SpriteCacheSize = 1536;
constexpr int32_t CanvasCacheSize = 8;
constexpr int32_t MainCanvasOrder = 2147483647;
constexpr int32_t ShadingModeCount = 14;
constexpr int32_t TextureStages = 4;

struct TColor4 {
  float R = 1;
  float G = 1;
  float B = 1;
  float A = 1;
};

class TSprite;

class TCanvas : public TItem {
 public:
  TCanvas();
  ~TCanvas() override;

  std::unique_ptr<TContainer> Sprites;           // sorted by sprite order; shares the sprite cache
  std::unique_ptr<TRenderTargetTexture> Target;  // what an off-screen canvas draws into
  int32_t Order = 0;                             // canvases draw in ascending order
  TVector Size;                                  // virtual units
  float Aspect = 0;
  float Scale = 1;  // main: pixels per unit; others: extra resolution on top of the main scale
  TPoint PixelSize;
  int32_t FormatIndex = 0;  // 0 A8R8G8B8, 1 X8R8G8B8, 2 R5G6B5
  uint32_t ClearColor = 0;  // ARGB
  bool Tiled = false;
  TVector TileOrigin;  // top-left corner of the first cell, from the canvas's top-left corner
  TVector TileSize;
  int32_t TileColumns = 0;
  int32_t TileRows = 0;
  // An off-screen canvas that keeps its picture is drawn only when its picture is not valid (it
  // was never drawn, its target was made anew, or its owner called Invalidate).
  bool KeepPicture = false;
  bool PictureValid = false;
  // An off-screen canvas drawn only in frames where a visible sprite shows its picture (the fog
  // that only hidden tiles show): nobody sees it otherwise.
  bool OnlyWhenShown = false;

  void Invalidate() { PictureValid = false; }
  void Attached() override;
  void Detached() override;
  bool Precedes(const TItem* Other) const override;

  void SetSize(TVector NewSize);
  void SetScale(float NewScale);
  void SetTiles(TVector Origin, TVector CellSize, int32_t Columns, int32_t Rows);
  // Brings the pixel size and the target's segments in line with the size and scales.
  void Resize();
};

struct TSpriteStage {
  TTexture* Texture = nullptr;
  int32_t Segment = 0;
};

class TSprite : public TItem {
 public:
  TCanvas* Canvas = nullptr;
  int32_t Order = 0;  // ascending; equal orders keep the order of insertion
  bool Visible = true;
  TVector Position;  // centre, virtual units of the canvas
  TVector Size;      // before scaling
  float Scale = 1;
  float Angle = 0;          // degrees; exactly 0 is unrotated
  int32_t Orientation = 0;  // 0..7: which prebuilt quad (mirroring, quarter turns)
  int32_t Tag = 0;
  int32_t Mode = 0;  // shading mode
  TColor4 Color;
  float Param = 0;
  TSpriteStage Textures[TextureStages];

  void Attached() override;
  void Detached() override;
  bool Precedes(const TItem* Other) const override;

  void SetOrder(int32_t NewOrder);
  TTexture* GetTexture(int32_t Stage) const;
  void SetTexture(int32_t Stage, TTexture* Texture);
  int32_t GetSegment(int32_t Stage) const;
  void SetSegment(int32_t Stage, int32_t Index);
  // Loads the named texture into the stage (an empty name empties it); a texture replaced this
  // way stays in the cache.
  void SetTextureName(int32_t Stage, const std::string& Name);
};

struct TShadingProps {
  const char* Name;
  int32_t VertexProgram;
  int32_t PixelProgram;
  int32_t TextureCount;
};
const TShadingProps& ShadingProps(int32_t Mode);
// The index of the mode of that exact name; 0 ("Default") when none has it.
int32_t FindShadingMode(const std::string& Name);

// How the video device is brought up. By default it draws with OpenGL into the main window at
// the window's client size; tests and tools may choose the memory device or a fixed size.
struct TVideoOptions {
  TGfxBackend Backend = TGfxBackend::OpenGL;
  int32_t Width = 0;  // 0: the window's client size
  int32_t Height = 0;
};
void SetVideoOptions(const TVideoOptions& Options);
const TVideoOptions& GetVideoOptions();

// A 16-bit 5-6-5 picture of the main canvas (the paused still).
struct TCaptureImage {
  int32_t Width = 0;  // even
  int32_t Height = 0;
  std::vector<uint16_t> Pixels;
};

void VideoStartup();
void VideoShutdown();
bool VideoStarted();
// True when the device can draw; a lost device is reset when it allows.
bool CheckDevice();
// Draws every canvas and presents; with Capture, draws the main canvas into it instead of
// presenting. True when a frame was drawn.
bool RenderFrame(TCaptureImage* Capture);
// After a change of the window's size or mode: resets the device for the new size.
void ResetVideo();
bool IsDeviceLost();
TCanvas* MainCanvas();
TContainer* Canvases();
TEmptyTexture* EmptyTexture();
TCache* SpriteCache();
bool NonPow2Supported();
bool A8Supported();
bool L8Supported();
bool A8L8Supported();
TPixelFormat CanvasFormat(int32_t FormatIndex);

void CreateCanvas(TCanvas*& Canvas, int32_t Order, TVector Size);
void FreeCanvas(TCanvas*& Canvas);
void CreateSprite(TSprite*& Sprite, TCanvas* Canvas, int32_t Order);
void FreeSprite(TSprite*& Sprite);

// The paused still, for the main window: renders the current frame into a 5-6-5 image (false
// when nothing could be drawn), and paints a still while the game is suspended.
bool CaptureVideoStill(std::vector<uint16_t>& Pixels, int32_t& Width, int32_t& Height);
void PaintVideoStill(const std::vector<uint16_t>& Pixels, int32_t Width, int32_t Height);

// ---- The display --------------------------------------------------------------------------

// What the engine asks of the main window, which lives above it: installed by the program at
// start-up and cleared at shutdown. Without hooks the client size is 0 x 0 (the video options
// then decide), the display is in full screen (the program's default) and full-screen requests
// are remembered only, and the caption and the canvas size go nowhere.
struct TDisplayHooks {
  // The client area in pixels (the window's drawable, which a high-DPI screen makes larger than
  // the window's size in the window system's units); the back buffer takes this size.
  std::function<void(int32_t& Width, int32_t& Height)> ClientSize;
  std::function<bool()> IsFullScreen;
  std::function<void(bool Value)> SetFullScreen;
  std::function<void(const std::u16string& Text)> SetCaption;
  // Told the screen canvas's size in design units whenever the device scales it (the input
  // maps the mouse through it).
  std::function<void(TVector Size)> ScreenCanvasSize;
};
void SetDisplayHooks(TDisplayHooks Hooks);
bool HasDisplayHooks();
void DisplayClientSize(int32_t& Width, int32_t& Height);
bool DisplayFullScreen();
void SetDisplayFullScreen(bool Value);
void SetDisplayCaption(const std::u16string& Text);

}  // namespace tv
