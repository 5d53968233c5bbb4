#include "engine/EngineTextures.h"

#include <jpeglib.h>
#include <jerror.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstring>
#include <limits>
#include <string>

#include "base/AppFolders.h"
#include "base/AppNumeric.h"
#include "base/AppProcess.h"
#include "engine/EngineObjects.h"
#include "engine/EngineVideo.h"

namespace tv {

namespace {

float CurveLevel(char C) {
  if (C == '0') return 0.0f;
  if (C >= '2' && C <= '9') return static_cast<float>(C - '0') / 10.0f;
  return 1.0f;
}

// One span: the left level, the connector and the right level, at the local position Local.
float EvalSpan(char Left, char Connector, char Right, float Local) {
  if (Left == Right) return CurveLevel(Left);
  if (Connector == '|') return Local <= 0.5f ? CurveLevel(Left) : CurveLevel(Right);
  return Lerp(CurveLevel(Left), CurveLevel(Right), Local);
}

}  // namespace

float EvalCurve(std::string_view Curve, float T) {
  const size_t length = Curve.size();
  if (length == 0) return T;
  if (std::isnan(T)) T = 0;
  if (length == 1) {
    const char spelled[3] = {'0', Curve[0], '1'};
    return EvalCurve(std::string_view(spelled, 3), T);
  }
  if (length == 2) {
    const char spelled[3] = {'0', Curve[0], Curve[1]};
    return EvalCurve(std::string_view(spelled, 3), T);
  }
  if (T >= 1) return EvalSpan(Curve[length - 3], Curve[length - 2], Curve[length - 1], T);
  const size_t spans = length / 2;
  const float x = static_cast<float>(spans) * T;
  const auto span = static_cast<int64_t>(x);  // toward zero
  // Connector position, counted from 0 here; an even length has an implicit leading "0".
  int64_t p = 2 * span + static_cast<int64_t>(length % 2);
  if (p < 0) p = length % 2;
  if (p > static_cast<int64_t>(length) - 2) p = static_cast<int64_t>(length) - 2;
  const char left = p == 0 ? '0' : Curve[static_cast<size_t>(p - 1)];
  return EvalSpan(left, Curve[static_cast<size_t>(p)], Curve[static_cast<size_t>(p + 1)], Fraction(x));
}

int32_t FrameIndex(int32_t Count, float T) {
  const float scaled = static_cast<float>(Count + 1) * T;
  if (!(scaled > 0)) return 0;
  if (scaled >= static_cast<float>(Count)) return Count;
  return Clamp(static_cast<int32_t>(std::nearbyint(scaled)), 0, Count);
}

// ---- Textures ---------------------------------------------------------------------------------

namespace {

struct TTextureState {
  std::unique_ptr<TContainer> Cache;
};
TTextureState Textures;

bool DefaultMayHaveSegments(const std::string&) { return true; }
std::string DefaultAlternativeSegments(const std::string& Name) { return Name; }
TMayHaveSegmentsRule MayHaveSegments = DefaultMayHaveSegments;
TAlternativeSegmentsRule AlternativeSegmentsName = DefaultAlternativeSegments;

TSegment WholeSegment(TPoint Size, TPoint TextureSize) {
  TSegment s;
  if (Size.X == TextureSize.X && Size.Y == TextureSize.Y) {
    s.UVScale = {1, 1};
  } else {
    s.UVScale = {static_cast<float>(Size.X) / static_cast<float>(TextureSize.X),
                 static_cast<float>(Size.Y) / static_cast<float>(TextureSize.Y)};
  }
  s.PixelSize = ToVector(Size);
  return s;
}

// A texture name is looked up as a file name in the data folders: one that could name a file
// elsewhere (a path) is treated as missing.
bool IsPlainTextureName(const std::string& Name) {
  if (Name.empty() || Name == "." || Name == "..") return false;
  return Name.find('/') == std::string::npos && Name.find('\0') == std::string::npos;
}

std::string ReadWholeFile(TFolderKind Kind, const std::string& Name, TExtKind Ext) {
  auto file = OpenDataFile(Kind, Name, Ext);
  if (file->Size() > MaxTextureFileBytes) throw EError("File too large");
  return file->ReadRest();
}

// ---- Little-endian reading with bounds ----

class TByteReader {
 public:
  TByteReader(const uint8_t* Data, size_t Size) : Data(Data), Size(Size) {}
  size_t Remaining() const { return Size - Pos; }
  bool AtEnd() const { return Pos >= Size; }
  size_t Position() const { return Pos; }
  const uint8_t* Here() const { return Data + Pos; }
  void Need(size_t Count) const {
    if (Count > Remaining()) throw EError("Unexpected end of file");
  }
  int32_t Int() {
    Need(4);
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | Data[Pos + static_cast<size_t>(i)];
    Pos += 4;
    return static_cast<int32_t>(v);
  }
  float Float() {
    const int32_t bits = Int();
    float f = 0;
    std::memcpy(&f, &bits, sizeof f);
    return f;
  }
  void Skip(size_t Count) {
    Need(Count);
    Pos += Count;
  }

 private:
  const uint8_t* Data;
  size_t Size;
  size_t Pos = 0;
};

int32_t ParseInteger(std::string_view Token) {
  size_t i = 0;
  bool negative = false;
  if (i < Token.size() && Token[i] == '-') {
    negative = true;
    ++i;
  }
  if (i >= Token.size()) throw EError("Number expected");
  int64_t value = 0;
  for (; i < Token.size(); ++i) {
    if (Token[i] < '0' || Token[i] > '9') throw EError("Number expected");
    value = value * 10 + (Token[i] - '0');
    if (value > int64_t{2147483648}) throw EError("Number out of range");
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int32_t>::max()) throw EError("Number out of range");
  return static_cast<int32_t>(value);
}

// ---- Format widening ----

// Converts one row of Width pixels from the picture's format to the device's.
void ConvertRow(const uint8_t* From, TPixelFormat FromFormat, uint8_t* To, TPixelFormat ToFormat, int32_t Width) {
  for (int32_t x = 0; x < Width; ++x) {
    const size_t i = static_cast<size_t>(x);
    if (ToFormat == TPixelFormat::A8R8G8B8) {
      uint8_t l = 255;
      uint8_t a = 255;
      if (FromFormat == TPixelFormat::A8) {
        a = From[i];
      } else if (FromFormat == TPixelFormat::L8) {
        l = From[i];
      } else {
        l = From[2 * i];
        a = From[2 * i + 1];
      }
      To[4 * i] = l;
      To[4 * i + 1] = l;
      To[4 * i + 2] = l;
      To[4 * i + 3] = a;
    } else {  // A8L8
      uint8_t l = 255;
      uint8_t a = 255;
      if (FromFormat == TPixelFormat::A8) {
        a = From[i];
      } else {
        l = From[i];
      }
      To[2 * i] = l;
      To[2 * i + 1] = a;
    }
  }
}

TImage ReadPictureChunk(TByteReader& In, int32_t ChunkSize) {
  if (ChunkSize < 24) throw EError("Invalid picture chunk");
  In.Int();  // reserved
  TImage p;
  p.Width = In.Int();
  p.Height = In.Int();
  const int32_t rawFormat = In.Int();
  In.Int();  // bytes per pixel: the pitch says how the rows lie
  p.Pitch = In.Int();
  p.Format = PixelFormatOf(rawFormat);
  if (p.Width <= 0 || p.Height <= 0 || p.Width > MaxPictureSide || p.Height > MaxPictureSide ||
      int64_t{p.Width} * p.Height > MaxPicturePixels) {
    throw EError("Invalid picture size");
  }
  const int32_t bpp = FormatBytesPerPixel(p.Format);
  if (bpp == 0) throw EError("Failed to create texture");
  if (p.Pitch < p.Width * bpp) throw EError("Invalid picture pitch");
  const int64_t rows = int64_t{p.Pitch} * p.Height;
  if (int64_t{ChunkSize} != 24 + rows) throw EError("Invalid chunk size");
  In.Need(static_cast<size_t>(rows));
  p.Bytes.assign(In.Here(), In.Here() + rows);
  In.Skip(static_cast<size_t>(rows));
  return p;
}

}  // namespace

TTexture* TTexture::FrameAt(float) { return this; }

const TSegment* TTexture::SegmentAt(int32_t Index) const {
  if (!Segments || Segments->empty()) return nullptr;
  return &(*Segments)[static_cast<size_t>(Clamp(Index, 0, static_cast<int32_t>(Segments->size()) - 1))];
}

TEmptyTexture::TEmptyTexture() {
  Smooth = true;
  TextureSize = {1, 1};
  DeviceTexture = GfxCreateTexture(1, 1, TPixelFormat::A8R8G8B8, false);
  uint8_t* bits = nullptr;
  int32_t pitch = 0;
  if (DeviceTexture && GfxLockTexture(DeviceTexture.get(), bits, pitch)) {
    std::memset(bits, 0, 4);
    GfxUnlockTexture(DeviceTexture.get());
  }
  SetSingleSegment(*this, {1, 1});
}

TBaseImageTexture::TBaseImageTexture(std::string TextureName) : TTexture(std::move(TextureName)) {}

TBaseImageTexture::~TBaseImageTexture() = default;

int32_t TBaseImageTexture::FrameCount() const { return 1 + (Frames ? Frames->GetCount() : 0); }

TTexture* TBaseImageTexture::FrameAt(float T) {
  if (!Frames || Frames->GetCount() == 0) return this;
  const float v = EvalCurve(AnimationCurve, T);
  const int32_t k = FrameIndex(Frames->GetCount(), v);
  if (k > 0) return static_cast<TTexture*>(Frames->GetItem(k));
  return this;
}

void TBaseImageTexture::ShareSegmentsWithFrames() {
  if (!Frames) return;
  for (TItem* item : *Frames) {
    auto* frame = static_cast<TFrameImageTexture*>(item);
    if (frame->SameSize) frame->Segments = Segments;
  }
}

TFrameImageTexture::TFrameImageTexture(std::string TextureName, TBaseImageTexture* FrameBase, bool FrameSameSize)
    : TTexture(std::move(TextureName)), Base(FrameBase), SameSize(FrameSameSize) {
  Smooth = FrameBase->Smooth;
}

// ---- Loading ----------------------------------------------------------------------------------

namespace {

void LoadSegmentsFile(TBaseImageTexture& Texture, TFolderKind Folder) {
  Texture.SegmentsName = Texture.Name;
  if (!MayHaveSegments(Texture.Name)) return;
  const std::string alternative = AlternativeSegmentsName(Texture.Name);
  std::string file;
  if (DataFileExists(Folder, Texture.SegmentsName, TExtKind::Tsg)) {
    file = Texture.SegmentsName;
  } else if (alternative != Texture.Name) {
    Texture.SegmentsName = alternative;
    if (Textures.Cache) {
      for (TItem* item : *Textures.Cache) {
        auto* other = static_cast<TBaseImageTexture*>(item);
        if (other != &Texture && other->SegmentsName == alternative && other->Segments) {
          Texture.Segments = other->Segments;
          Texture.ShareSegmentsWithFrames();
          return;
        }
      }
    }
    if (IsPlainTextureName(alternative) && DataFileExists(Folder, alternative, TExtKind::Tsg)) file = alternative;
  }
  if (file.empty()) return;
  try {
    const std::string text = ReadWholeFile(Folder, file, TExtKind::Tsg);
    ParseSegments(Texture, text);
  } catch (const EError&) {
    AddLogMessage("Failed to load texture segments \"" + file + ".tsg\"");
  }
  Texture.ShareSegmentsWithFrames();
}

void ReadImageFile(TBaseImageTexture& Texture, const std::string& Bytes, TExtKind Ext) {
  const auto* data = reinterpret_cast<const uint8_t*>(Bytes.data());
  const TImage picture = Ext == TExtKind::Jpg ? DecodeJpeg(data, Bytes.size()) : DecodePng(data, Bytes.size());
  UploadPicture(Texture, picture.Bytes.data(), picture.Width, picture.Height, picture.Format, picture.Pitch);
  SetSingleSegment(Texture, {picture.Width, picture.Height});
}

}  // namespace

bool FindTextureFile(const std::string& Name, TFolderKind& Folder, TExtKind& Ext) {
  struct TPlace {
    TFolderKind Folder;
    TExtKind Ext;
  };
  static const TPlace Places[] = {
      {TFolderKind::Ordinary, TExtKind::Tpx},
      {TFolderKind::Ordinary, TExtKind::Png},
      {TFolderKind::Language, TExtKind::Tpx},
      {TFolderKind::Language, TExtKind::Png},
      {TFolderKind::Branding, TExtKind::Jpg},
      {TFolderKind::Branding, TExtKind::Png},
      // The splash lists packed pictures among the branding ones, so they must load from there too.
      {TFolderKind::Branding, TExtKind::Tpx},
  };
  if (!IsPlainTextureName(Name) || !FoldersReady()) return false;
  for (const TPlace& place : Places) {
    if (DataFileExists(place.Folder, Name, place.Ext)) {
      Folder = place.Folder;
      Ext = place.Ext;
      return true;
    }
  }
  return false;
}

void TBaseImageTexture::Load() {
  TextureSize = {1, 1};
  Smooth = true;
  struct TPlace {
    TFolderKind Folder;
    TExtKind Ext;
  };
  TPlace place{};
  const TPlace* found = FindTextureFile(Name, place.Folder, place.Ext) ? &place : nullptr;
  try {
    if (found == nullptr) {
      AddLogMessage("Failed to create texture \"" + Name + "\" (Missing file)");
      const std::string bytes = ReadWholeFile(TFolderKind::Ordinary, "G2Unknown", TExtKind::Tpx);
      ReadPackedTexture(*this, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    } else {
      const std::string bytes = ReadWholeFile(found->Folder, Name, found->Ext);
      if (found->Ext == TExtKind::Tpx) {
        ReadPackedTexture(*this, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
      } else {
        ReadImageFile(*this, bytes, found->Ext);
      }
    }
  } catch (const EError& e) {
    AddLogMessage("Failed to create texture \"" + Name + "\" (" + e.what() + ")");
    DeviceTexture.reset();
    TextureSize = {1, 1};
    Segments.reset();
    // A damaged file shows nothing at all, not some of its frames.
    Frames.reset();
    AnimationRate = 0;
    AnimationCurve.clear();
    found = nullptr;
  }
  if (found != nullptr && found->Folder != TFolderKind::Branding) LoadSegmentsFile(*this, found->Folder);
  if (SegmentCount() == 0) SetSingleSegment(*this, TextureSize);
}

void CreateTextureCache() {
  if (!Textures.Cache) Textures.Cache = std::make_unique<TContainer>(true, true);
}

void DestroyTextureCache() { Textures.Cache.reset(); }

TContainer* TextureCache() { return Textures.Cache.get(); }

TTexture* LoadTexture(const std::string& Name) {
  CreateTextureCache();
  if (TNamedItem* found = Textures.Cache->Find(Name)) return static_cast<TTexture*>(found);
  auto texture = std::make_unique<TBaseImageTexture>(Name);
  texture->Load();
  return static_cast<TTexture*>(Textures.Cache->Insert(texture.release(), true));
}

std::vector<std::string> ReloadTextures(const std::string& Name, std::string& Error) {
  std::vector<std::string> reloaded;
  if (!Textures.Cache) return reloaded;
  for (TItem* item : *Textures.Cache) {
    auto* old = static_cast<TTexture*>(item);
    if (!old->IsBaseImage()) continue;
    auto* texture = static_cast<TBaseImageTexture*>(old);
    if (texture->Name != Name && texture->SegmentsName != Name) continue;
    // The new picture must load before the old one is given up.
    const size_t logged = GetLogMessages().size();
    TBaseImageTexture fresh(texture->Name);
    fresh.Load();
    if (GetLogMessages().size() != logged) {
      Error = GetLogMessages().back();
      continue;
    }
    const int32_t frames = texture->FrameCount();
    std::swap(texture->DeviceTexture, fresh.DeviceTexture);
    std::swap(texture->TextureSize, fresh.TextureSize);
    std::swap(texture->Segments, fresh.Segments);
    texture->Smooth = fresh.Smooth;
    texture->SegmentsName = fresh.SegmentsName;
    // Sprites may hold the frames: they keep their objects and take the new pictures when the
    // animation keeps its length (a new length shows after a restart).
    if (fresh.FrameCount() == frames && texture->Frames && fresh.Frames) {
      TItem* to = texture->Frames->First();
      for (TItem* from = fresh.Frames->First(); from != nullptr && to != nullptr;
           from = from->GetNext(), to = to->GetNext()) {
        auto* a = static_cast<TTexture*>(to);
        auto* b = static_cast<TTexture*>(from);
        std::swap(a->DeviceTexture, b->DeviceTexture);
        std::swap(a->TextureSize, b->TextureSize);
        std::swap(a->Segments, b->Segments);
      }
      texture->AnimationRate = fresh.AnimationRate;
      texture->AnimationCurve = fresh.AnimationCurve;
      texture->ShareSegmentsWithFrames();
    } else if (frames != fresh.FrameCount()) {
      Error = "The texture \"" + texture->Name + "\" changed its number of frames; restart to see them";
    }
    reloaded.push_back(texture->Name);
  }
  return reloaded;
}

void ReleaseTexture(TTexture* Texture) {
  if (Texture == nullptr || !Texture->IsBaseImage() || Texture->Container == nullptr) return;
  Texture->Container->Remove(Texture);
}

void SetSegmentNameRules(TMayHaveSegmentsRule MayHave, TAlternativeSegmentsRule Alternative) {
  MayHaveSegments = MayHave != nullptr ? MayHave : DefaultMayHaveSegments;
  AlternativeSegmentsName = Alternative != nullptr ? Alternative : DefaultAlternativeSegments;
}

// ---- Segments ---------------------------------------------------------------------------------

TVector SegmentSize(const TTexture* Texture, int32_t Index) {
  const TSegment* s = Texture != nullptr ? Texture->SegmentAt(Index) : nullptr;
  return s != nullptr ? s->PixelSize : TVector{};
}

float SegmentAspect(const TTexture* Texture, int32_t Index) {
  const TVector size = SegmentSize(Texture, Index);
  return size.X / size.Y;
}

void SetSingleSegment(TTexture& Texture, TPoint Size) {
  Texture.Segments = std::make_shared<TSegments>(1, WholeSegment(Size, Texture.TextureSize));
}

void SetTiledSegments(TTexture& Texture, TVector Origin, TVector CellSize, int32_t Columns, int32_t Rows,
                      float PixelScale) {
  Columns = Max(Columns, 0);
  Rows = Max(Rows, 0);
  if (int64_t{Columns} * Rows > MaxTiledSegments) {
    Rows = Min(Rows, MaxTiledSegments);
    Columns = Rows > 0 ? Min(Columns, MaxTiledSegments / Rows) : 0;
  }
  const TVector o = Scale(Origin, PixelScale);
  const TVector c = Scale(CellSize, PixelScale);
  const TVector size = ToVector(Texture.TextureSize);
  auto segments = std::make_shared<TSegments>(static_cast<size_t>(Columns) * static_cast<size_t>(Rows));
  for (int32_t row = 0; row < Rows; ++row) {
    for (int32_t column = 0; column < Columns; ++column) {
      TSegment& s = (*segments)[static_cast<size_t>(row) * static_cast<size_t>(Columns) + static_cast<size_t>(column)];
      s.UVScale = DivComponents(c, size);
      s.UVOffset = DivComponents(AddXY(o, static_cast<float>(column) * c.X, static_cast<float>(row) * c.Y), size);
      s.PixelSize = c;
    }
  }
  Texture.Segments = std::move(segments);
}

void ParseSegments(TTexture& Texture, std::string_view Text) {
  auto work = std::make_shared<TSegments>(Texture.Segments ? *Texture.Segments : TSegments{});
  if (work->empty()) work->push_back(WholeSegment(Texture.TextureSize, Texture.TextureSize));
  const TVector size = ToVector(Texture.TextureSize);
  TSimpleParser parser;
  parser.Start(std::string(Text));
  auto next = [&parser] { return parser.GetToken(TokenChars); };
  try {
    while (!parser.AtEnd()) {
      const std::string token = next();
      if (token == "SEGMENTS") {
        const int32_t count = Clamp(ParseInteger(next()), 1, MaxFileSegments);
        const TSegment first = (*work)[0];
        work->assign(static_cast<size_t>(count), first);
      } else if (token == "SEGMENT") {
        const int32_t index = ParseInteger(next());
        const int32_t x = ParseInteger(next());
        const int32_t y = ParseInteger(next());
        const int32_t w = ParseInteger(next());
        const int32_t h = ParseInteger(next());
        if (index < 0 || index >= static_cast<int32_t>(work->size())) throw EError("Segment index out of range");
        TSegment& s = (*work)[static_cast<size_t>(index)];
        s.UVScale = {static_cast<float>(w) / size.X, static_cast<float>(h) / size.Y};
        s.UVOffset = {static_cast<float>(x) / size.X, static_cast<float>(y) / size.Y};
        s.PixelSize = {static_cast<float>(w), static_cast<float>(h)};
      }
    }
  } catch (const EError&) {
    Texture.Segments = std::move(work);
    throw;
  }
  Texture.Segments = std::move(work);
}

// ---- Render targets ---------------------------------------------------------------------------

void SetTargetSize(TRenderTargetTexture& Target, TPoint Size) {
  Target.Exact = true;
  TPoint s = Size;
  if (!NonPow2Supported()) {
    if (!IsPowerOfTwo(s.X)) {
      s.X = NextPowerOfTwo(s.X);
      Target.Exact = false;
    }
    if (!IsPowerOfTwo(s.Y)) {
      s.Y = NextPowerOfTwo(s.Y);
      Target.Exact = false;
    }
  }
  if (!PointsEqual(s, Target.TextureSize)) {
    Target.DeviceTexture.reset();
    Target.TextureSize = s;
  }
}

void CreateTargetTexture(TRenderTargetTexture& Target, TPixelFormat Format) {
  Target.DeviceTexture.reset();
  Target.DeviceTexture = GfxCreateTexture(Target.TextureSize.X, Target.TextureSize.Y, Format, true);
  if (Target.DeviceTexture && !Target.Exact) GfxFillTexture(Target.DeviceTexture.get(), 0);
}

// ---- Pictures ---------------------------------------------------------------------------------

void PremultiplyPng(TImage& Picture) {
  for (int32_t y = 0; y < Picture.Height; ++y) {
    uint8_t* row = Picture.Bytes.data() + static_cast<size_t>(y) * static_cast<size_t>(Picture.Pitch);
    for (int32_t x = 0; x < Picture.Width; ++x) {
      uint8_t* p = row + 4 * static_cast<size_t>(x);
      const uint32_t a = p[3];
      if (a == 0) {
        p[0] = p[1] = p[2] = 0;
      } else if (a != 255) {
        for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>(p[c] * a / 256);
      }
    }
  }
}

namespace {
void CheckPictureSize(uint32_t Width, uint32_t Height) {
  if (Width == 0 || Height == 0 || Width > static_cast<uint32_t>(MaxPictureSide) ||
      Height > static_cast<uint32_t>(MaxPictureSide) ||
      uint64_t{Width} * Height > static_cast<uint64_t>(MaxPicturePixels)) {
    throw EError("Picture too large (" + std::to_string(Width) + " x " + std::to_string(Height) + ")");
  }
}
}  // namespace

TImage DecodePng(const uint8_t* Data, size_t Size, bool Premultiply) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_memory(&image, Data, Size) == 0) {
    const std::string message = image.message;
    png_image_free(&image);
    throw EError(message.empty() ? "Invalid PNG file" : message);
  }
  try {
    CheckPictureSize(image.width, image.height);
  } catch (...) {
    png_image_free(&image);
    throw;
  }
  image.format = PNG_FORMAT_BGRA;
  TImage p;
  p.Width = static_cast<int32_t>(image.width);
  p.Height = static_cast<int32_t>(image.height);
  p.Pitch = p.Width * 4;
  p.Format = TPixelFormat::A8R8G8B8;
  p.Bytes.resize(static_cast<size_t>(p.Pitch) * static_cast<size_t>(p.Height));
  if (png_image_finish_read(&image, nullptr, p.Bytes.data(), p.Pitch, nullptr) == 0) {
    const std::string message = image.message;
    png_image_free(&image);
    throw EError(message.empty() ? "Invalid PNG file" : message);
  }
  png_image_free(&image);
  if (Premultiply) PremultiplyPng(p);
  return p;
}

namespace {
struct TJpegError {
  jpeg_error_mgr Manager;
  jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
};

void JpegErrorExit(j_common_ptr Info) {
  auto* error = reinterpret_cast<TJpegError*>(Info->err);
  Info->err->format_message(Info, error->Message);
  longjmp(error->Jump, 1);
}

// Warnings pass silently, all but one: the data ending before the picture does. The decoder would
// fill the rest of the declared size with grey (a few hundred bytes can declare millions of
// pixels, and take a second to decode), so a file cut short fails like any other damaged one.
void JpegWarning(j_common_ptr Info, int Level) {
  if (Level < 0 && Info->err->msg_code == JWRN_JPEG_EOF) Info->err->error_exit(Info);
}

// Decodes inside setjmp's frame: nothing here has a destructor, so the jump skips none.
bool DecodeJpegRows(const uint8_t* Data, size_t Size, TJpegError& Error, jpeg_decompress_struct& Info,
                    uint8_t* (*Allocate)(void* Context, uint32_t Width, uint32_t Height), void* Context) {
  Info.err = jpeg_std_error(&Error.Manager);
  Error.Manager.error_exit = JpegErrorExit;
  Error.Manager.emit_message = JpegWarning;
  Error.Message[0] = '\0';
  if (setjmp(Error.Jump) != 0) {
    jpeg_destroy_decompress(&Info);
    return false;
  }
  jpeg_create_decompress(&Info);
  Info.mem->max_memory_to_use = 512L << 20;
  jpeg_mem_src(&Info, Data, static_cast<unsigned long>(Size));
  if (jpeg_read_header(&Info, TRUE) != JPEG_HEADER_OK) {
    jpeg_destroy_decompress(&Info);
    return false;
  }
  Info.out_color_space = JCS_EXT_BGRA;
  uint8_t* rows = Allocate(Context, Info.image_width, Info.image_height);
  if (rows == nullptr) {
    jpeg_destroy_decompress(&Info);
    return false;
  }
  jpeg_start_decompress(&Info);
  const size_t pitch = static_cast<size_t>(Info.output_width) * 4;
  while (Info.output_scanline < Info.output_height) {
    JSAMPROW row = rows + static_cast<size_t>(Info.output_scanline) * pitch;
    jpeg_read_scanlines(&Info, &row, 1);
  }
  jpeg_finish_decompress(&Info);
  jpeg_destroy_decompress(&Info);
  return true;
}

struct TJpegTarget {
  TImage* Picture;
  bool TooLarge;
};

uint8_t* AllocateJpegRows(void* Context, uint32_t Width, uint32_t Height) {
  auto* target = static_cast<TJpegTarget*>(Context);
  if (Width == 0 || Height == 0 || Width > static_cast<uint32_t>(MaxPictureSide) ||
      Height > static_cast<uint32_t>(MaxPictureSide) ||
      uint64_t{Width} * Height > static_cast<uint64_t>(MaxPicturePixels)) {
    target->TooLarge = true;
    return nullptr;
  }
  TImage& p = *target->Picture;
  p.Width = static_cast<int32_t>(Width);
  p.Height = static_cast<int32_t>(Height);
  p.Pitch = p.Width * 4;
  p.Format = TPixelFormat::A8R8G8B8;
  p.Bytes.assign(static_cast<size_t>(p.Pitch) * static_cast<size_t>(p.Height), 0);
  return p.Bytes.data();
}
}  // namespace

TImage DecodeJpeg(const uint8_t* Data, size_t Size) {
  TImage picture;
  TJpegTarget target{&picture, false};
  TJpegError error{};
  jpeg_decompress_struct info{};
  if (!DecodeJpegRows(Data, Size, error, info, AllocateJpegRows, &target)) {
    if (target.TooLarge) throw EError("Picture too large");
    throw EError(error.Message[0] != '\0' ? std::string(error.Message) : std::string("Invalid JPEG file"));
  }
  for (size_t i = 3; i < picture.Bytes.size(); i += 4) picture.Bytes[i] = 255;
  return picture;
}

namespace {

// Whether every pixel of the picture is opaque.
bool PictureOpaque(const uint8_t* Rows, int32_t Width, int32_t Height, TPixelFormat Format, int32_t Pitch) {
  switch (Format) {
    case TPixelFormat::X8R8G8B8:
    case TPixelFormat::R5G6B5:
    case TPixelFormat::L8: return true;
    case TPixelFormat::A8R8G8B8:
      for (int32_t y = 0; y < Height; ++y) {
        const uint8_t* row = Rows + static_cast<size_t>(y) * static_cast<size_t>(Pitch);
        for (int32_t x = 0; x < Width; ++x) {
          if (row[static_cast<size_t>(x) * 4 + 3] != 255) return false;
        }
      }
      return true;
    default: return false;
  }
}

// Pictures at least this large on both axes are searched for a transparent middle (frames).
constexpr int32_t HoleMinPicture = 256;
// Texels of transparency kept between the hole and the picture's visible pixels, so that neither
// the filter's reach nor rounding at the hole's edges can touch a visible texel.
constexpr int32_t HoleMargin = 4;

// The fully transparent rectangle around the picture's centre of an A8R8G8B8 picture: the run of
// transparent pixels through the centre along each axis, less the margin, kept only when every
// pixel within it plus the margin is transparent and it is at least a quarter of the picture.
void FindHole(TTexture& Texture, const uint8_t* Rows, int32_t Width, int32_t Height, TPixelFormat Format,
              int32_t Pitch) {
  Texture.HoleMin = Texture.HoleMax = {0, 0};
  if (Format != TPixelFormat::A8R8G8B8 || Width < HoleMinPicture || Height < HoleMinPicture) return;
  auto alpha = [&](int32_t X, int32_t Y) {
    return Rows[static_cast<size_t>(Y) * static_cast<size_t>(Pitch) + static_cast<size_t>(X) * 4 + 3];
  };
  const int32_t cx = Width / 2;
  const int32_t cy = Height / 2;
  if (alpha(cx, cy) != 0) return;
  int32_t x0 = cx;
  int32_t x1 = cx;
  int32_t y0 = cy;
  int32_t y1 = cy;
  while (x0 > 0 && alpha(x0 - 1, cy) == 0) --x0;
  while (x1 + 1 < Width && alpha(x1 + 1, cy) == 0) ++x1;
  while (y0 > 0 && alpha(cx, y0 - 1) == 0) --y0;
  while (y1 + 1 < Height && alpha(cx, y1 + 1) == 0) ++y1;
  // [x0, x1] x [y0, y1] is transparent along the two centre lines; check it whole.
  for (int32_t y = y0; y <= y1; ++y) {
    for (int32_t x = x0; x <= x1; ++x) {
      if (alpha(x, y) != 0) return;
    }
  }
  const TPoint min{x0 + HoleMargin, y0 + HoleMargin};
  const TPoint max{x1 + 1 - HoleMargin, y1 + 1 - HoleMargin};
  if (static_cast<int64_t>(max.X - min.X) * (max.Y - min.Y) * 4 < static_cast<int64_t>(Width) * Height) return;
  Texture.HoleMin = min;
  Texture.HoleMax = max;
}

}  // namespace

void UploadPicture(TTexture& Texture, const uint8_t* Rows, int32_t Width, int32_t Height, TPixelFormat Format,
                   int32_t Pitch) {
  Texture.Opaque = false;
  Texture.HoleMin = Texture.HoleMax = {0, 0};
  if (Width <= 0 || Height <= 0) throw EError("Failed to create texture");
  TPoint size{Width, Height};
  const bool padX = !NonPow2Supported() && !IsPowerOfTwo(Width);
  const bool padY = !NonPow2Supported() && !IsPowerOfTwo(Height);
  if (padX) size.X = NextPowerOfTwo(Width);
  if (padY) size.Y = NextPowerOfTwo(Height);
  TPixelFormat device = Format;
  if (device == TPixelFormat::A8 && !A8Supported()) device = TPixelFormat::A8L8;
  if (device == TPixelFormat::L8 && !L8Supported()) device = TPixelFormat::A8L8;
  if (device == TPixelFormat::A8L8 && !A8L8Supported()) device = TPixelFormat::A8R8G8B8;
  const int32_t sourceBpp = FormatBytesPerPixel(Format);
  if (sourceBpp == 0 || Pitch < Width * sourceBpp) throw EError("Failed to create texture");

  Texture.DeviceTexture.reset();
  Texture.TextureSize = size;
  Texture.DeviceTexture = GfxCreateTexture(size.X, size.Y, device, false);
  if (!Texture.DeviceTexture) throw EError("Failed to create texture");
  uint8_t* bits = nullptr;
  int32_t lockedPitch = 0;
  if (!GfxLockTexture(Texture.DeviceTexture.get(), bits, lockedPitch)) throw EError("Failed to lock texture surface");
  const int32_t bpp = FormatBytesPerPixel(device);
  const size_t rowBytes = static_cast<size_t>(Width) * static_cast<size_t>(sourceBpp);
  if (device == Format && Pitch == lockedPitch) {
    std::memcpy(bits, Rows, static_cast<size_t>(Pitch) * static_cast<size_t>(Height));
  } else {
    for (int32_t y = 0; y < Height; ++y) {
      const uint8_t* from = Rows + static_cast<size_t>(y) * static_cast<size_t>(Pitch);
      uint8_t* to = bits + static_cast<size_t>(y) * static_cast<size_t>(lockedPitch);
      if (device == Format) {
        std::memcpy(to, from, rowBytes);
      } else {
        ConvertRow(from, Format, to, device, Width);
      }
    }
  }
  // Edge padding: linear filtering at the right and bottom edges then reads the picture's own
  // last column and row rather than unset texels.
  if (padX) {
    for (int32_t y = 0; y < Height; ++y) {
      uint8_t* row = bits + static_cast<size_t>(y) * static_cast<size_t>(lockedPitch);
      std::memcpy(row + static_cast<size_t>(Width) * static_cast<size_t>(bpp),
                  row + static_cast<size_t>(Width - 1) * static_cast<size_t>(bpp), static_cast<size_t>(bpp));
    }
  }
  if (padY) {
    const size_t copy = static_cast<size_t>(Min(Width + (padX ? 1 : 0), size.X)) * static_cast<size_t>(bpp);
    std::memcpy(bits + static_cast<size_t>(Height) * static_cast<size_t>(lockedPitch),
                bits + static_cast<size_t>(Height - 1) * static_cast<size_t>(lockedPitch), copy);
  }
  GfxUnlockTexture(Texture.DeviceTexture.get());
  Texture.Opaque = PictureOpaque(Rows, Width, Height, Format, Pitch);
  FindHole(Texture, Rows, Width, Height, Format, Pitch);
}

std::vector<TPackedChunk> ParsePackedTexture(const uint8_t* Data, size_t Size) {
  std::vector<TPackedChunk> chunks;
  TByteReader in(Data, Size);
  while (!in.AtEnd()) {
    const int32_t size = in.Int();
    const int32_t type = in.Int();
    if (size < 0) throw EError("Invalid chunk size");
    TPackedChunk chunk;
    chunk.Type = type;
    if (type == 1) {
      chunk.Picture = ReadPictureChunk(in, size);
    } else if (type == 8) {
      const size_t start = in.Position();
      chunk.FrameRate = in.Float();
      const int32_t length = in.Int();
      if (length > 0) {
        in.Need(static_cast<size_t>(length));
        chunk.FrameCurve.assign(reinterpret_cast<const char*>(in.Here()), static_cast<size_t>(length));
        in.Skip(static_cast<size_t>(length));
      }
      if (in.Position() - start != static_cast<size_t>(size)) throw EError("Invalid chunk size");
    } else {
      in.Skip(static_cast<size_t>(size));
      continue;
    }
    chunks.push_back(std::move(chunk));
  }
  return chunks;
}

void ReadPackedTexture(TBaseImageTexture& Texture, const uint8_t* Data, size_t Size) {
  const std::vector<TPackedChunk> chunks = ParsePackedTexture(Data, Size);
  bool first = true;
  TPoint firstSize;
  for (const TPackedChunk& chunk : chunks) {
    if (chunk.Type == 8) {
      Texture.AnimationRate = chunk.FrameRate;
      Texture.AnimationCurve = chunk.FrameCurve;
      continue;
    }
    const TImage& p = chunk.Picture;
    if (first) {
      UploadPicture(Texture, p.Bytes.data(), p.Width, p.Height, p.Format, p.Pitch);
      SetSingleSegment(Texture, {p.Width, p.Height});
      firstSize = {p.Width, p.Height};
      first = false;
      continue;
    }
    const bool sameSize = p.Width == firstSize.X && p.Height == firstSize.Y;
    auto frame = std::make_unique<TFrameImageTexture>(Texture.Name, &Texture, sameSize);
    try {
      UploadPicture(*frame, p.Bytes.data(), p.Width, p.Height, p.Format, p.Pitch);
    } catch (const EError&) {
      continue;  // a frame the device cannot make is dropped; the others play on
    }
    if (sameSize) {
      frame->Segments = Texture.Segments;
    } else {
      SetSingleSegment(*frame, {p.Width, p.Height});
    }
    if (!Texture.Frames) Texture.Frames = std::make_unique<TContainer>(false, true);
    Texture.Frames->Insert(frame.release(), false);
  }
  if (first) throw EError("No picture in file");
}

std::string EncodePackedTexture(const std::vector<TImage>& Frames, float FrameRate, const std::string& FrameCurve) {
  std::string out;
  auto put = [&out](int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
  };
  for (const TImage& p : Frames) {
    const int32_t bpp = FormatBytesPerPixel(p.Format);
    const int32_t pitch = p.Width * bpp;
    put(24 + pitch * p.Height);
    put(1);
    put(0);
    put(p.Width);
    put(p.Height);
    put(static_cast<int32_t>(p.Format));
    put(bpp);
    put(pitch);
    for (int32_t y = 0; y < p.Height; ++y) {
      out.append(reinterpret_cast<const char*>(p.Bytes.data()) + static_cast<size_t>(y) * static_cast<size_t>(p.Pitch),
                 static_cast<size_t>(pitch));
    }
  }
  if (FrameRate != 0 || !FrameCurve.empty()) {
    put(8 + static_cast<int32_t>(FrameCurve.size()));
    put(8);
    int32_t bits = 0;
    std::memcpy(&bits, &FrameRate, sizeof bits);
    put(bits);
    put(static_cast<int32_t>(FrameCurve.size()));
    out += FrameCurve;
  }
  return out;
}

}  // namespace tv
