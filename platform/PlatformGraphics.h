// The graphics device the video module draws through: textures in a handful of pixel formats,
// render targets, eight static quads, five vertex and fourteen pixel programs fed by float
// constants, premultiplied blending with a test that drops fully transparent pixels, point or
// linear filtering per stage, clamped addressing, presenting and reading pictures back.
//
// Two back ends share this interface. OpenGL 3.3 core (through libepoxy, on the window's context)
// draws for real. Memory keeps textures as plain bytes and only counts draws; it needs no window,
// so unit tests and fuzz targets can load and upload pictures without a display.
//
// Calls that change device state are counted (GfxStats) so tests can check that drawing a frame
// asks the device for no more than its state cache allows.
//
// Draws are batched: GfxDraw only records the sprite (its constants and quad); consecutive draws
// with the same programs, textures, filters, blending, target, viewport and projection go to the device as
// one batch, from one streamed vertex buffer. Any call that changes one of those states, clears,
// presents or reads pixels first sends the batch recorded so far, so the pictures are those of
// one draw per sprite in the same order. GfxStats counts the sprites (Draw) and the batches.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tv {

// Pixel formats, numbered as the packed texture files number them.
enum class TPixelFormat : int32_t {
  Unknown = 0,
  A8R8G8B8 = 21,  // 32-bit, bytes B, G, R, A in memory; colours premultiplied by alpha
  X8R8G8B8 = 22,  // as A8R8G8B8 with the alpha byte ignored (reads as opaque)
  R5G6B5 = 23,    // 16-bit, red in the top five bits
  A8 = 28,        // alpha only; samples as white with that alpha
  L8 = 50,        // luminance only; samples as opaque grey
  A8L8 = 51,      // 16-bit, luminance in the low byte, alpha in the high byte
};

// Bytes a pixel of the format takes; 0 for formats the device does not know.
int32_t FormatBytesPerPixel(TPixelFormat Format);
// The format for a raw number from a file (Unknown when it is none of the above).
TPixelFormat PixelFormatOf(int32_t Raw);

enum class TGfxBackend { OpenGL, Memory };

// What the device can do. The switches below can take any of these away.
struct TGfxCaps {
  bool NonPow2 = true;  // textures of any size, not only powers of two
  bool A8 = true;       // textures of these formats can be made
  bool L8 = true;
  bool A8L8 = true;
  bool TwoComponentPosition = true;  // a vertex declaration with a two-float position
  int32_t MaxTextureSize = 8192;
  int32_t PixelProgramVersion = 0;  // GLSL version times 100 (330 for 3.30)
  int32_t VertexProgramVersion = 0;
};

// The GLSL version the programs are written in (times 100).
constexpr int32_t RequiredProgramVersion = 330;

// Test switches. Each capability switch is -1 (the device's own answer), 0 (missing) or 1.
// TOLVAREN_GRAPHICS, read when a device is created, sets them from a comma-separated list of
// name=value pairs: nonpow2, a8, l8, a8l8, position2 (capabilities), lose-on-present=N (the Nth
// present from now reports a lost device), lost-probes=N (how many probes answer "lost" before
// "not reset"), fail-reset=1, fail-vertex=I, fail-pixel=I (program I fails to compile),
// old-programs=1 (the program version is too low), no-device=1 (no 3.3 context).
struct TGfxSwitches {
  int NonPow2 = -1;
  int A8 = -1;
  int L8 = -1;
  int A8L8 = -1;
  int TwoComponentPosition = -1;
  int LoseOnPresent = 0;  // 0: never; N: the Nth present from now reports a lost device
  int LostProbes = 0;
  bool FailReset = false;
  int FailVertexProgram = -1;
  int FailPixelProgram = -1;
  bool OldPrograms = false;
  bool NoDevice = false;
};
TGfxSwitches& GfxSwitches();
// Parses the list described above into Switches; unknown names are ignored.
void ParseGfxSwitches(const std::string& Text, TGfxSwitches& Switches);

// Calls made to the device, for tests and benchmarks.
struct TGfxStats {
  int64_t SetRenderTarget = 0;
  int64_t Clear = 0;
  int64_t SetStream = 0;
  int64_t SetVertexProgram = 0;
  int64_t SetPixelProgram = 0;
  int64_t SetTexture = 0;
  int64_t SetFilter = 0;
  int64_t SetBlend = 0;
  int64_t SetConstants = 0;
  int64_t Draw = 0;     // sprites drawn (logical draws)
  int64_t Batches = 0;  // draw calls the device received: runs of sprites that share every state
  int64_t Present = 0;
  int64_t CreateTexture = 0;
};
TGfxStats& GfxStats();
// What the last GfxSetConstants uploaded, and the filter last set on a stage (for tests).
void GfxLastConstants(float (&Vertex)[11][4], float (&Pixel)[2][4]);
bool GfxFilterLinear(int32_t Stage);

// ---- Device life ----------------------------------------------------------------------------

struct TPresentParams {
  int32_t Width = 0;  // the back buffer's size in pixels
  int32_t Height = 0;
  bool Windowed = true;
};

// Step 1: the graphics object. OpenGL needs the window's 3.3 core context. False when it is
// missing or too old.
bool GfxCreateObject(TGfxBackend Backend);
// Steps 2 and 6: the capabilities after the switches. False when they cannot be read.
bool GfxGetCaps(TGfxCaps& Caps);
// Step 5: the device with its back buffer. False on failure.
bool GfxCreateDevice(const TPresentParams& Params);
// The vertex declaration: position of two floats, or three with the third 0. False when refused.
bool GfxCreateVertexDeclaration(bool TwoComponentPosition);
// The eight quads: UV[o][v] is the texture coordinate (u, v) of vertex v of orientation o, the
// vertices in the order top-left, top-right, bottom-left, bottom-right.
bool GfxCreateQuads(const float (&UV)[8][4][2]);
// Vertex program Index (0..4) serves the texture stages 0 .. Stages - 1 (none for 0).
bool GfxCreateVertexProgram(int32_t Index, int32_t Stages);
// Pixel program Index (0..13) computes shading mode Index's result.
bool GfxCreatePixelProgram(int32_t Index);
// Makes the pair usable together (a shading mode uses one fixed pair).
bool GfxLinkPrograms(int32_t VertexProgram, int32_t PixelProgram);
// Releases everything the device made; textures still alive become empty shells.
void GfxDestroy();
bool GfxStarted();
TGfxBackend GfxBackend();

enum class TGfxCooperativeLevel { Ok, Lost, NotReset };
TGfxCooperativeLevel GfxTestCooperativeLevel();
// Resets the device with new parameters (the back buffer's size); false on failure.
bool GfxReset(const TPresentParams& Params);

// The fixed render states: no culling or depth, clamped addressing on samplers 0 to 3.
void GfxApplyStates();

// ---- Textures -------------------------------------------------------------------------------

struct TGfxTexture;
struct TGfxTextureDeleter {
  void operator()(TGfxTexture* Texture) const;
};
// A device texture owned by one holder.
using TDeviceTexture = std::unique_ptr<TGfxTexture, TGfxTextureDeleter>;

// One level of Width x Height in Format; a render target can be drawn into. Null on failure
// (unknown format, a size beyond the device's limit, no device).
TDeviceTexture GfxCreateTexture(int32_t Width, int32_t Height, TPixelFormat Format, bool RenderTarget);
int32_t GfxTextureWidth(const TGfxTexture* Texture);
int32_t GfxTextureHeight(const TGfxTexture* Texture);
TPixelFormat GfxTextureFormat(const TGfxTexture* Texture);
// Locks level 0 whole for writing: Bits points at the top row, Pitch is the bytes a row.
bool GfxLockTexture(TGfxTexture* Texture, uint8_t*& Bits, int32_t& Pitch);
void GfxUnlockTexture(TGfxTexture* Texture);
// Fills level 0 with one 32-bit ARGB colour.
void GfxFillTexture(TGfxTexture* Texture, uint32_t Argb);
// Reads level 0 back as rows of the texture's format, top row first, pitch = width x bytes.
std::vector<uint8_t> GfxReadTexture(TGfxTexture* Texture);

// ---- Drawing --------------------------------------------------------------------------------

void GfxBeginScene();
void GfxEndScene();
// The target of the following draws: a render-target texture, or the back buffer for null.
void GfxSetRenderTarget(TGfxTexture* Target);
void GfxSetViewport(int32_t Width, int32_t Height);
void GfxClear(uint32_t Argb);
// The blend and alpha-test states of a frame (blending on).
void GfxSetFrameStates();
// Premultiplied blending on, or off: a sprite whose every pixel is opaque, or the first one drawn
// on a target cleared to transparent black, gives the same picture without it, for less work.
void GfxSetBlend(bool Enabled);
// Binds quad Orientation (0..7) as the vertex stream.
void GfxSetStream(int32_t Orientation);
void GfxSetVertexProgram(int32_t Index);  // -1 unbinds
void GfxSetPixelProgram(int32_t Index);   // -1 unbinds
// Binds a texture to a stage (0..3); null unbinds it.
void GfxSetTexture(int32_t Stage, TGfxTexture* Texture);
void GfxSetFilter(int32_t Stage, bool Linear);
// Vertex constants c0..c10 and pixel constants c0..c1, four floats each. They are the next
// sprite's own: changing them does not break a batch, except the projection c8.
void GfxSetConstants(const float (&Vertex)[11][4], const float (&Pixel)[2][4]);
// Draws the bound quad as a strip of two triangles (recorded into the current batch).
void GfxDraw();
// Takes back the draw just recorded, to be drawn instead as pieces (GfxDrawPiece), which count
// as that one draw: a sprite cut around a hole in its picture is still one sprite.
void GfxUndoDraw();
void GfxDrawPiece();
// Sends the batch recorded so far to the device (the calls named above do it by themselves).
void GfxFlush();
// Shows the back buffer. False when the device reports that it is lost.
bool GfxPresent();
// Called with the back buffer still readable, right before each present (screenshots).
void GfxSetPresentObserver(std::function<void()> Observer);
// The back buffer as top-down RGBA rows (4 bytes a pixel, alpha 255); empty without a device.
std::vector<uint8_t> GfxReadBackBuffer(int32_t& Width, int32_t& Height);
// Shows a 16-bit 5-6-5 picture (top row first) stretched over the window (the paused still).
void GfxPaintStill(const std::vector<uint16_t>& Pixels, int32_t Width, int32_t Height);

}  // namespace tv
