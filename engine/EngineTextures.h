// Textures, texture segments and animation curves.
//
// A texture is a picture on the graphics device with a list of segments: rectangles inside it,
// one of which a sprite stage shows. Textures loaded from the game's data live in a cache keyed
// by name; a name found nowhere becomes the placeholder picture "G2Unknown". A loaded texture may
// carry further animation frames and a curve that maps an animation's time to a frame.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/AppFolders.h"
#include "base/AppNumeric.h"
#include "base/EngineClasses.h"
#include "platform/PlatformGraphics.h"

namespace tv {

// The value of a curve string at T. A curve is a row of levels ("0" is 0, "1" is 1, "2".."9" are
// 0.2..0.9, anything else 1) joined by connectors ("|" steps at the middle of its span, anything
// else interpolates): "0-1-1-0" rises over the first third, holds, and falls over the last.
float EvalCurve(std::string_view Curve, float T);
// The nearest integer of (Count + 1) x T, clamped to 0..Count.
int32_t FrameIndex(int32_t Count, float T);

// A rectangle of a texture: a stage showing it samples UVOffset + (u, v) x UVScale for (u, v) in
// 0..1; PixelSize is the rectangle's size in pixels of the source picture.
struct TSegment {
  TVector UVScale;
  TVector UVOffset;
  TVector PixelSize;
};
using TSegments = std::vector<TSegment>;
// Shared between the frames of one animation and between textures with one segments name.
using TSegmentArray = std::shared_ptr<TSegments>;

class TTexture : public TNamedItem {
 public:
  TTexture() = default;
  explicit TTexture(std::string TextureName) : TNamedItem(std::move(TextureName)) {}

  TPoint TextureSize;            // the device texture's size as allocated (after rounding)
  bool Smooth = true;            // always sampled linearly
  TDeviceTexture DeviceTexture;  // empty until created
  TSegmentArray Segments;        // never empty once a texture is loaded
  // What the upload found in the picture, for drawing fewer pixels: Opaque when every pixel's
  // alpha is 255 (a sprite of it with an opaque tint needs no blending); Hole, in texture pixels,
  // a rectangle inside the picture where every pixel is fully transparent with a margin of
  // transparent pixels around it (a sprite of it need not draw there), empty when none is worth it.
  bool Opaque = false;
  TPoint HoleMin;
  TPoint HoleMax;
  bool HasHole() const { return HoleMax.X > HoleMin.X && HoleMax.Y > HoleMin.Y; }
  // A canvas's target (TRenderTargetTexture), and whether a visible sprite shows it this frame.
  bool IsTarget = false;
  bool ShownThisFrame = false;

  virtual int32_t FrameCount() const { return 1; }
  virtual float FrameRate() const { return 0; }
  virtual std::string FrameCurve() const { return {}; }
  virtual TTexture* FrameAt(float T);
  // True for textures loaded from the game's data (the cache's items) and their frames' base.
  virtual bool IsBaseImage() const { return false; }

  int32_t SegmentCount() const { return Segments ? static_cast<int32_t>(Segments->size()) : 0; }
  // The segment at Index clamped to the segment range; null when there are no segments.
  const TSegment* SegmentAt(int32_t Index) const;
};

// The 1 x 1 transparent black texture that sprite stages without a texture sample.
class TEmptyTexture : public TTexture {
 public:
  TEmptyTexture();
};

class TFrameImageTexture;

// A texture loaded from a data file, with its further animation frames.
class TBaseImageTexture : public TTexture {
 public:
  explicit TBaseImageTexture(std::string TextureName);
  ~TBaseImageTexture() override;

  std::unique_ptr<TContainer> Frames;  // TFrameImageTexture items in file order, or empty
  float AnimationRate = 0;             // the frame rate of the file's animation chunk
  std::string AnimationCurve;          // the curve of the file's animation chunk
  std::string SegmentsName;            // the name under which the segments file was looked for

  // Looks for the texture's file and loads it; never fails (failures log a warning).
  void Load();

  int32_t FrameCount() const override;
  float FrameRate() const override { return AnimationRate; }
  std::string FrameCurve() const override { return AnimationCurve; }
  TTexture* FrameAt(float T) override;
  bool IsBaseImage() const override { return true; }

  // Gives the frames of the first frame's size this texture's segments.
  void ShareSegmentsWithFrames();
};

class TFrameImageTexture : public TTexture {
 public:
  TFrameImageTexture(std::string TextureName, TBaseImageTexture* FrameBase, bool FrameSameSize);

  TBaseImageTexture* Base;
  bool SameSize;  // the first frame's size: shares its segments

  int32_t FrameCount() const override { return Base->FrameCount(); }
  float FrameRate() const override { return Base->FrameRate(); }
  std::string FrameCurve() const override { return Base->FrameCurve(); }
  TTexture* FrameAt(float T) override { return Base->FrameAt(T); }
};

// The target of an off-screen canvas; the main canvas's only describes the window's size.
class TRenderTargetTexture : public TTexture {
 public:
  TRenderTargetTexture() {
    Smooth = false;
    IsTarget = true;
  }
  bool Exact = true;  // TextureSize is the size asked for (not rounded up to powers of two)
};

// ---- The cache --------------------------------------------------------------------------------

// Made and destroyed by the video device's start-up and shutdown.
void CreateTextureCache();
void DestroyTextureCache();
TContainer* TextureCache();

// The texture of that exact name, loaded on first use. Never fails: a missing file gives the
// placeholder picture and one warning in the log.
TTexture* LoadTexture(const std::string& Name);
// Where LoadTexture looks for a name's file: the common data folder (".tpx", then ".png"), the
// language folder (the same), the branding folder (".jpg", then ".png"). False when none exists.
bool FindTextureFile(const std::string& Name, TFolderKind& Folder, TExtKind& Ext);
// Loads the textures named Name, or whose segments file is Name, again from their files, in place
// (every sprite showing them shows the new picture); returns their names. A file that no longer
// loads keeps the old picture, and the reason goes to Error.
std::vector<std::string> ReloadTextures(const std::string& Name, std::string& Error);
// Removes a loaded texture from the cache, which destroys it. Other textures are left alone.
void ReleaseTexture(TTexture* Texture);

// The segment rules of the game: whether a name may have a segments file at all, and which
// other name's segments it shares when it has no file of its own. By default every name may
// have one and none shares.
using TMayHaveSegmentsRule = bool (*)(const std::string& Name);
using TAlternativeSegmentsRule = std::string (*)(const std::string& Name);
void SetSegmentNameRules(TMayHaveSegmentsRule MayHave, TAlternativeSegmentsRule Alternative);

// ---- Segments ---------------------------------------------------------------------------------

TVector SegmentSize(const TTexture* Texture, int32_t Index);
float SegmentAspect(const TTexture* Texture, int32_t Index);
void SetSingleSegment(TTexture& Texture, TPoint Size);
// Columns x Rows segments of a canvas grid: cell (column, row) is segment row x Columns + column.
void SetTiledSegments(TTexture& Texture, TVector Origin, TVector CellSize, int32_t Columns, int32_t Rows, float Scale);
// Parses a segments file's text into Texture's segments (a fresh array, so frames or textures
// sharing the old one keep it). Raises EError on a bad file, keeping what was parsed before.
void ParseSegments(TTexture& Texture, std::string_view Text);

// Cells of a tiled canvas at most, and segments a segments file may declare at most.
constexpr int32_t MaxTiledSegments = 65536;
constexpr int32_t MaxFileSegments = 4096;

// ---- Render targets ---------------------------------------------------------------------------

// The size a canvas draws at, rounded up to powers of two when the device needs that.
void SetTargetSize(TRenderTargetTexture& Target, TPoint Size);
// Creates the device texture; on failure the target stays without one (drawn as nothing).
void CreateTargetTexture(TRenderTargetTexture& Target, TPixelFormat Format);

// ---- Pictures ---------------------------------------------------------------------------------

// A decoded image in memory: rows top first, Pitch bytes apart. (The pool's TPicture is the
// named asset that refers to a texture; the two must stay distinct types.)
struct TImage {
  int32_t Width = 0;
  int32_t Height = 0;
  TPixelFormat Format = TPixelFormat::A8R8G8B8;
  int32_t Pitch = 0;
  std::vector<uint8_t> Bytes;
};

// Limits on pictures read from files, so that a damaged or hostile file cannot make the loader
// allocate without bound.
constexpr int32_t MaxPictureSide = 8192;
constexpr int64_t MaxPicturePixels = int64_t{1} << 25;
constexpr int64_t MaxTextureFileBytes = int64_t{256} << 20;

// Decodes a PNG to A8R8G8B8 with its colours premultiplied (alpha 0 gives 0, alpha 255 keeps
// the colour, any other alpha gives colour x alpha / 256). Raises EError on a bad file.
// With Premultiply false the colours stay as stored (tools converting to other formats).
TImage DecodePng(const uint8_t* Data, size_t Size, bool Premultiply = true);
// Decodes a JPEG to opaque A8R8G8B8. Raises EError on a bad file.
TImage DecodeJpeg(const uint8_t* Data, size_t Size);
void PremultiplyPng(TImage& Picture);

// Uploads a picture into the texture's device texture (replacing it), padding to powers of two
// and widening formats the device lacks. Raises "Failed to create texture" or "Failed to lock
// texture surface".
void UploadPicture(TTexture& Texture, const uint8_t* Rows, int32_t Width, int32_t Height, TPixelFormat Format,
                   int32_t Pitch);

// Reads a packed texture file into Texture (its first picture, its frames, its animation).
// Raises EError on a damaged file.
void ReadPackedTexture(TBaseImageTexture& Texture, const uint8_t* Data, size_t Size);

// The chunks of a packed texture file, as the reader sees them (for tools).
struct TPackedChunk {
  int32_t Type = 0;
  TImage Picture;          // type 1
  float FrameRate = 0;     // type 8
  std::string FrameCurve;  // type 8
};
// Parses a packed texture file without touching the device. Raises EError on a damaged file.
std::vector<TPackedChunk> ParsePackedTexture(const uint8_t* Data, size_t Size);
// Writes a packed texture file: one picture chunk per frame, then, when FrameRate is not 0 or
// the curve is not empty, the animation chunk.
std::string EncodePackedTexture(const std::vector<TImage>& Frames, float FrameRate, const std::string& FrameCurve);

}  // namespace tv
