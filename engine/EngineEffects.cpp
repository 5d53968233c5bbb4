#include "engine/EngineEffects.h"

#include <cmath>
#include <cstring>
#include <memory>

#include "base/AppFolders.h"
#include "base/AppProcess.h"
#include "base/AppTimer.h"
#include "engine/EngineTextures.h"
#include "engine/EngineVideo.h"

namespace tv {

// ---- The effect file ------------------------------------------------------------------------

namespace {

// Larger files are refused before anything is read: real effects are a few hundred bytes.
constexpr int64_t MaxEffectFileSize = 16 * 1024 * 1024;
// Limits on the per-emission counts; larger values are refused as malformed.
constexpr int32_t MaxFileCount = MaxBatchParticles;
constexpr int32_t MaxFileDensity = 1000000;

class TByteReader {
 public:
  explicit TByteReader(std::string_view data) : Data(data) {}

  size_t Left() const { return Data.size() - Pos; }

  void Need(size_t N) const {
    if (Left() < N) throw EError("Unexpected end of file");
  }

  uint8_t Byte() {
    Need(1);
    return static_cast<uint8_t>(Data[Pos++]);
  }

  int32_t Int32() {
    Need(4);
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
      v |= static_cast<uint32_t>(static_cast<uint8_t>(Data[Pos + static_cast<size_t>(i)])) << (8 * i);
    Pos += 4;
    return static_cast<int32_t>(v);
  }

  float Float(const char* Field) {
    const uint32_t bits = static_cast<uint32_t>(Int32());
    float v;
    std::memcpy(&v, &bits, sizeof v);
    if (!std::isfinite(v)) throw EError(std::string("Invalid number in ") + Field);
    return v;
  }

  TVector Vector(const char* Field) {
    const float x = Float(Field);
    return {x, Float(Field)};
  }

  TVector3 Vector3(const char* Field) {
    const float x = Float(Field);
    const float y = Float(Field);
    return {x, y, Float(Field)};
  }

  std::string String(const char* Field) {
    const int32_t length = Int32();
    if (length < 0 || static_cast<size_t>(length) > Left()) {
      throw EError(std::string("Invalid string length ") + std::to_string(length) + " in " + Field);
    }
    std::string s(Data.substr(Pos, static_cast<size_t>(length)));
    Pos += static_cast<size_t>(length);
    return s;
  }

  int32_t Mode(const char* Field, int32_t Count) {
    const int32_t v = Byte();
    if (v >= Count) throw EError(std::string("Invalid ") + Field + " " + std::to_string(v));
    return v;
  }

 private:
  std::string_view Data;
  size_t Pos = 0;
};

class TByteWriter {
 public:
  std::string Bytes;

  void Byte(int32_t V) { Bytes.push_back(static_cast<char>(static_cast<uint8_t>(V))); }
  void Int32(int32_t V) {
    const uint32_t u = static_cast<uint32_t>(V);
    for (int i = 0; i < 4; ++i) Bytes.push_back(static_cast<char>(static_cast<uint8_t>(u >> (8 * i))));
  }
  void Float(float V) {
    uint32_t bits;
    std::memcpy(&bits, &V, sizeof bits);
    Int32(static_cast<int32_t>(bits));
  }
  void Vector(TVector V) {
    Float(V.X);
    Float(V.Y);
  }
  void Vector3(TVector3 V) {
    Float(V.X);
    Float(V.Y);
    Float(V.Z);
  }
  void String(const std::string& S) {
    Int32(static_cast<int32_t>(S.size()));
    Bytes += S;
  }
};

void WriteRecord(TByteWriter& w, const TEmitterRecord& e) {
  w.String(e.Name);
  w.Float(e.Interval);
  w.Float(e.Delay);
  w.Byte(e.Mode);
  w.Float(e.Duration);
  w.Byte(e.CountMode);
  w.Int32(e.Count);
  w.Int32(e.Density);
  w.Byte(e.World);
  w.Byte(e.RandomFlip);
  w.Float(e.Prewarm);
  w.String(e.ShadingModeName);
  w.String(e.Texture0Name);
  w.Int32(e.Segment0);
  w.String(e.Texture1Name);
  w.Int32(e.Segment1);
  w.Byte(e.PositionMode);
  w.Vector(e.P0);
  w.Vector(e.P1);
  w.Vector(e.P2);
  w.Byte(e.DirectionMode);
  w.Float(e.DirectionBase);
  w.Float(e.DirectionSpread);
  w.Byte(e.DistanceMode);
  w.Float(e.DistanceBase);
  w.Float(e.DistanceSpread);
  w.Byte(e.SizeMode);
  w.Vector(e.SizeBase);
  w.Vector(e.SizeSpread);
  w.Byte(e.AngleMode);
  w.Float(e.AngleBase);
  w.Float(e.AngleSpread);
  w.Byte(e.SpinMode);
  w.Float(e.SpinBase);
  w.Float(e.SpinSpread);
  w.Byte(e.ColorMode);
  w.Vector3(e.ColorA);
  w.Vector3(e.ColorB);
  w.Byte(e.AlphaMode);
  w.Float(e.AlphaBase);
  w.Float(e.AlphaSpread);
  w.Byte(e.LifetimeMode);
  w.Float(e.LifetimeBase);
  w.Float(e.LifetimeSpeed);
  w.Byte(e.MotionCurveOn);
  w.String(e.MotionCurve);
  w.Byte(e.ScaleCurveOn);
  w.Float(e.ScaleEnd);
  w.String(e.ScaleCurve);
  w.Byte(e.SpinCurveOn);
  w.String(e.SpinCurve);
  w.Byte(e.ColorChangeOn);
  w.Vector3(e.ColorEnd);
  w.Byte(e.AlphaCurveOn);
  w.String(e.AlphaCurve);
}

TEmitterRecord ReadRecord(TByteReader& r) {
  TEmitterRecord e;
  e.Name = r.String("Name");
  e.Interval = r.Float("Interval");
  if (!(e.Interval > 0)) throw EError("Invalid Interval (must be above 0)");
  e.Delay = r.Float("Delay");
  e.Mode = r.Byte();
  e.Duration = r.Float("Duration");
  e.CountMode = r.Mode("CountMode", CountModeCount);
  e.Count = r.Int32();
  if (e.Count < 0 || e.Count > MaxFileCount) throw EError("Invalid Count " + std::to_string(e.Count));
  e.Density = r.Int32();
  if (e.Density < 0 || e.Density > MaxFileDensity) throw EError("Invalid Density " + std::to_string(e.Density));
  e.World = r.Byte();
  e.RandomFlip = r.Byte();
  e.Prewarm = r.Float("Prewarm");
  e.ShadingModeName = r.String("ShadingMode");
  e.Texture0Name = r.String("Texture0");
  e.Segment0 = r.Int32();
  e.Texture1Name = r.String("Texture1");
  e.Segment1 = r.Int32();
  e.PositionMode = r.Mode("PositionMode", PositionModeCount);
  e.P0 = r.Vector("P0");
  e.P1 = r.Vector("P1");
  e.P2 = r.Vector("P2");
  e.DirectionMode = r.Mode("DirectionMode", DirectionModeCount);
  e.DirectionBase = r.Float("DirectionBase");
  e.DirectionSpread = r.Float("DirectionSpread");
  e.DistanceMode = r.Mode("DistanceMode", DistanceModeCount);
  e.DistanceBase = r.Float("DistanceBase");
  e.DistanceSpread = r.Float("DistanceSpread");
  e.SizeMode = r.Mode("SizeMode", SizeModeCount);
  e.SizeBase = r.Vector("SizeBase");
  e.SizeSpread = r.Vector("SizeSpread");
  e.AngleMode = r.Mode("AngleMode", AngleModeCount);
  e.AngleBase = r.Float("AngleBase");
  e.AngleSpread = r.Float("AngleSpread");
  e.SpinMode = r.Mode("SpinMode", SpinModeCount);
  e.SpinBase = r.Float("SpinBase");
  e.SpinSpread = r.Float("SpinSpread");
  e.ColorMode = r.Mode("ColorMode", ColorModeCount);
  e.ColorA = r.Vector3("ColorA");
  e.ColorB = r.Vector3("ColorB");
  e.AlphaMode = r.Mode("AlphaMode", AlphaModeCount);
  e.AlphaBase = r.Float("AlphaBase");
  e.AlphaSpread = r.Float("AlphaSpread");
  e.LifetimeMode = r.Mode("LifetimeMode", LifetimeModeCount);
  e.LifetimeBase = r.Float("LifetimeBase");
  e.LifetimeSpeed = r.Float("LifetimeSpeed");
  e.MotionCurveOn = r.Byte();
  e.MotionCurve = r.String("MotionCurve");
  e.ScaleCurveOn = r.Byte();
  e.ScaleEnd = r.Float("ScaleEnd");
  e.ScaleCurve = r.String("ScaleCurve");
  e.SpinCurveOn = r.Byte();
  e.SpinCurve = r.String("SpinCurve");
  e.ColorChangeOn = r.Byte();
  e.ColorEnd = r.Vector3("ColorEnd");
  e.AlphaCurveOn = r.Byte();
  e.AlphaCurve = r.String("AlphaCurve");
  return e;
}

// The size of the smallest possible emitter record (every string empty).
size_t MinRecordSize() {
  static const size_t size = [] {
    TEmitterRecord e;
    e.Name.clear();
    e.ShadingModeName.clear();
    e.Texture0Name.clear();
    e.AlphaCurve.clear();
    TByteWriter w;
    WriteRecord(w, e);
    return w.Bytes.size();
  }();
  return size;
}

}  // namespace

TEffectFile PlaceholderEffectFile() {
  TEffectFile file;
  file.Emitters.emplace_back();
  return file;
}

TEffectFile ReadEffectFile(std::string_view Bytes, size_t* TrailingBytes) {
  TByteReader r(Bytes);
  TEffectFile file;
  file.Offset = r.Vector("Offset");
  file.Area = r.Vector("Area");
  const int32_t count = r.Int32();
  if (count < 0 || static_cast<size_t>(count) > r.Left() / MinRecordSize()) {
    throw EError("Invalid emitter count " + std::to_string(count));
  }
  file.Emitters.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) file.Emitters.push_back(ReadRecord(r));
  if (TrailingBytes != nullptr) *TrailingBytes = r.Left();
  return file;
}

std::string WriteEffectFile(const TEffectFile& File) {
  TByteWriter w;
  w.Vector(File.Offset);
  w.Vector(File.Area);
  w.Int32(static_cast<int32_t>(File.Emitters.size()));
  for (const TEmitterRecord& e : File.Emitters) WriteRecord(w, e);
  return std::move(w.Bytes);
}

// ---- Effects --------------------------------------------------------------------------------

void TEffect::Load() {
  std::string problem;
  TEffectFile file;
  try {
    if (!FoldersReady() || !DataFileExists(TFolderKind::Ordinary, Name, TExtKind::Emt)) {
      problem = "Missing file";
    } else {
      auto stream = OpenDataFile(TFolderKind::Ordinary, Name, TExtKind::Emt);
      if (stream->Size() > MaxEffectFileSize) throw EError("File too large");
      file = ReadEffectFile(stream->ReadRest());
    }
  } catch (const EError& e) {
    problem = e.what();
  }
  if (!problem.empty()) {
    file = PlaceholderEffectFile();
    AddLogMessage("Failed to create emiter \"" + Name + "\" (" + problem + ")");
  }
  Assign(file);
}

void TEffect::Assign(const TEffectFile& File) {
  Emitters.Clear();
  Offset = File.Offset;
  Area = File.Area;
  Duration = 0;
  int32_t index = 0;
  for (const TEmitterRecord& record : File.Emitters) {
    auto emitter = std::make_unique<TEmitor>(record.Name);
    static_cast<TEmitterFields&>(*emitter) = record;
    emitter->Index = index++;
    emitter->LoadResources();
    if (emitter->Mode == EmitTimed) Duration = MaxF(Duration, emitter->Duration);
    Emitters.Insert(emitter.release(), false);
  }
}

void TEmitor::LoadResources() {
  ShadingMode = FindShadingMode(ShadingModeName);
  if (TexturesLoaded || !VideoStarted()) return;
  Texture0 = Texture0Name.empty() ? nullptr : LoadTexture(Texture0Name);
  Texture1 = Texture1Name.empty() ? nullptr : LoadTexture(Texture1Name);
  TexturesLoaded = true;
}

// ---- Module state ---------------------------------------------------------------------------

namespace {

struct TEffectsState {
  std::unique_ptr<TCache> ParticleCache;
  std::unique_ptr<TCache> ClusterCache;
  std::unique_ptr<TContainer> Performers;  // with its own cache of performers
  std::unique_ptr<TContainer> Effects;     // sorted by name, owning
  int32_t LiveParticles = 0;
};
TEffectsState State;

constexpr int32_t ParticleCacheSize = 512;
constexpr int32_t ClusterCacheSize = 128;
constexpr int32_t PerformerCacheSize = 64;

}  // namespace

float WrapDegrees(float A) {
  float a = std::fmod(A, 360.0f);
  if (a < 0) a += 360.0f;
  // A tiny negative angle rounds up to 360 when 360 is added.
  if (a >= 360.0f) a = 0;
  return a;
}

// ---- Choosing a new particle's properties ---------------------------------------------------
//
// One small function per mode and property, picked from a table by the emitter's mode.

namespace {

float Spread(float Base, float Width) { return Base + (RandomFloat() - 0.5f) * Width; }

// A point on the outline of the rectangle of size Size centred on Center, by one random number:
// the quarters of its range pick the top, bottom, left and right edge.
TVector OnOutline(TVector Center, TVector Size) {
  const float r = RandomFloat();
  if (r < 0.25f) return {Center.X + Size.X * (4 * r - 0.5f), Center.Y - Size.Y / 2};
  if (r < 0.5f) return {Center.X + Size.X * (4 * (r - 0.25f) - 0.5f), Center.Y + Size.Y / 2};
  if (r < 0.75f) return {Center.X - Size.X / 2, Center.Y + Size.Y * (4 * (r - 0.5f) - 0.5f)};
  return {Center.X + Size.X / 2, Center.Y + Size.Y * (4 * (r - 0.75f) - 0.5f)};
}

using TChooseFn = void (*)(TParticle&, const TEmitor&, const TPerformer&);

const TChooseFn PositionFns[PositionModeCount] = {
    [](TParticle& p, const TEmitor& e, const TPerformer&) { p.StartOffset = e.P0; },
    [](TParticle& p, const TEmitor& e, const TPerformer&) {
      const float x = Spread(e.P0.X, e.P1.X);
      p.StartOffset = {x, Spread(e.P0.Y, e.P1.Y)};
    },
    [](TParticle& p, const TEmitor& e, const TPerformer&) {
      p.StartOffset = {Spread(e.P0.X, e.P1.X), e.P0.Y};
    },
    [](TParticle& p, const TEmitor& e, const TPerformer&) {
      p.StartOffset = {e.P0.X, Spread(e.P0.Y, e.P1.Y)};
    },
    [](TParticle& p, const TEmitor& e, const TPerformer&) { p.StartOffset = OnOutline(e.P0, e.P1); },
    [](TParticle& p, const TEmitor&, const TPerformer& f) {
      const float x = Spread(0, f.Area.X);
      p.StartOffset = {x, Spread(0, f.Area.Y)};
    },
    [](TParticle& p, const TEmitor&, const TPerformer& f) {
      p.StartOffset = OnOutline({0, 0}, f.Area);
    },
    [](TParticle& p, const TEmitor& e, const TPerformer&) { p.StartOffset = Scale(Add(e.P0, e.P2), 0.5f); },
};

// The direction from From to To; 0 with a zero vector when the points are equal.
void Towards(TParticle& p, TVector From, TVector To) {
  const TVector d = Sub(To, From);
  if (d.X == 0 && d.Y == 0) {
    p.Direction = 0;
    p.DirectionVector = {0, 0};
    return;
  }
  p.Direction = WrapDegrees(AngleOf(d));
  p.DirectionVector = DirectionOf(p.Direction);
}

const TChooseFn DirectionFns[DirectionModeCount] = {
    [](TParticle& p, const TEmitor& e, const TPerformer&) {
      p.Direction = e.DirectionBase;
      p.DirectionVector = DirectionOf(p.Direction);
    },
    [](TParticle& p, const TEmitor& e, const TPerformer&) {
      p.Direction = WrapDegrees(Spread(e.DirectionBase, e.DirectionSpread));
      p.DirectionVector = DirectionOf(p.Direction);
    },
    [](TParticle& p, const TEmitor&, const TPerformer&) {
      p.Direction = RandomFloat() * 360.0f;
      p.DirectionVector = DirectionOf(p.Direction);
    },
    [](TParticle& p, const TEmitor& e, const TPerformer&) { Towards(p, e.P0, p.StartOffset); },
    [](TParticle& p, const TEmitor& e, const TPerformer&) { Towards(p, p.StartOffset, e.P0); },
    [](TParticle& p, const TEmitor& e, const TPerformer&) { Towards(p, p.StartOffset, e.P2); },
};

const TChooseFn DistanceFns[DistanceModeCount] = {
    [](TParticle& p, const TEmitor& e, const TPerformer&) { p.Distance = e.DistanceBase; },
    [](TParticle& p, const TEmitor& e, const TPerformer&) { p.Distance = Spread(e.DistanceBase, e.DistanceSpread); },
    [](TParticle& p, const TEmitor& e, const TPerformer&) { p.Distance = Length(Sub(p.StartOffset, e.P0)); },
    [](TParticle& p, const TEmitor& e, const TPerformer&) { p.Distance = Length(Sub(p.StartOffset, e.P2)); },
    [](TParticle& p, const TEmitor& e, const TPerformer&) {
      p.Distance = Length(Sub(p.StartOffset, e.P2)) * e.DistanceBase;
    },
};

const TChooseFn SizeFns[SizeModeCount] = {
    [](TParticle& p, const TEmitor& e, const TPerformer&) { p.BaseSize = e.SizeBase; },
    [](TParticle& p, const TEmitor& e, const TPerformer&) {
      const float x = Spread(e.SizeBase.X, e.SizeSpread.X);
      p.BaseSize = {x, Spread(e.SizeBase.Y, e.SizeSpread.Y)};
    },
    [](TParticle& p, const TEmitor&, const TPerformer&) {
      p.BaseSize = {p.Distance, p.Distance};
    },
    [](TParticle& p, const TEmitor& e, const TPerformer&) {
      p.BaseSize = {p.Distance, e.SizeBase.Y};
    },
    [](TParticle& p, const TEmitor& e, const TPerformer&) {
      p.BaseSize = {e.SizeBase.X, p.Distance};
    },
};

const TChooseFn AngleFns[AngleModeCount] = {
    [](TParticle& p, const TEmitor& e, const TPerformer&) { p.BaseAngle = e.AngleBase; },
    [](TParticle& p, const TEmitor& e, const TPerformer&) {
      p.BaseAngle = WrapDegrees(Spread(e.AngleBase, e.AngleSpread));
    },
    [](TParticle& p, const TEmitor&, const TPerformer&) { p.BaseAngle = RandomFloat() * 360.0f; },
    [](TParticle& p, const TEmitor&, const TPerformer&) { p.BaseAngle = p.Direction; },
};

const TChooseFn SpinFns[SpinModeCount] = {
    [](TParticle& p, const TEmitor& e, const TPerformer&) { p.Spin = e.SpinBase; },
    [](TParticle& p, const TEmitor& e, const TPerformer&) { p.Spin = WrapDegrees(Spread(e.SpinBase, e.SpinSpread)); },
};

const TChooseFn ColorFns[ColorModeCount] = {
    [](TParticle& p, const TEmitor& e, const TPerformer&) { p.BaseColor = e.ColorA; },
    [](TParticle& p, const TEmitor& e, const TPerformer&) { p.BaseColor = Lerp3(e.ColorA, e.ColorB, RandomFloat()); },
};

const TChooseFn AlphaFns[AlphaModeCount] = {
    [](TParticle& p, const TEmitor& e, const TPerformer&) { p.BaseAlpha = e.AlphaBase; },
    [](TParticle& p, const TEmitor& e, const TPerformer&) {
      p.BaseAlpha = Clamp01(Spread(e.AlphaBase, e.AlphaSpread));
    },
};

const TChooseFn LifetimeFns[LifetimeModeCount] = {
    [](TParticle& p, const TEmitor& e, const TPerformer&) { p.Lifetime = e.LifetimeBase; },
    [](TParticle& p, const TEmitor& e, const TPerformer&) { p.Lifetime = p.Distance / e.LifetimeSpeed; },
};

// A mode that is not in its table (emitters made in code) picks the table's first row.
template <size_t N>
TChooseFn Pick(const TChooseFn (&Table)[N], int32_t Mode) {
  return Table[(Mode >= 0 && static_cast<size_t>(Mode) < N) ? static_cast<size_t>(Mode) : 0];
}

// The number of particles of one emission, at most MaxBatchParticles.
int32_t BatchSize(const TEmitor& e, TVector Area) {
  double n;
  switch (e.CountMode) {
    case CountFixed: n = e.Count; break;
    case CountAreaDensity:
      n = std::max(1.0, std::nearbyint(static_cast<double>(Area.X) * Area.Y * 0.000001 * e.Density));
      break;
    case CountPerimeterDensity:
      n = std::max(1.0, std::nearbyint((static_cast<double>(Area.X) + Area.Y) * 2 * 0.0001 * e.Density));
      break;
    default: return 0;
  }
  if (!(n > 0)) return 0;
  return n > MaxBatchParticles ? MaxBatchParticles : static_cast<int32_t>(n);
}

}  // namespace

// ---- Particles ------------------------------------------------------------------------------

void TParticle::Detached() {
  FreeSprite(Sprite);
  Age = 0;
  --State.LiveParticles;
}

bool TParticle::Update(float Dt, const TEmitor& E, const TPerformer& P) {
  Age += Dt * AgeRate;
  // "Not at most 1" rather than "above 1": an age that is not a number ends the life too.
  if (!(Age <= 1)) return false;
  const float t = Age;
  const TVector origin = E.World != 0 ? SpawnPoint : Add(P.Effect->Offset, P.Position);
  Position = Add(origin, StartOffset);
  if (E.MotionCurveOn == 1) Position = Add(Position, Scale(DirectionVector, Distance * EvalCurve(E.MotionCurve, t)));
  Size = E.ScaleCurveOn == 1 ? Scale(BaseSize, 1 + (E.ScaleEnd - 1) * EvalCurve(E.ScaleCurve, t)) : BaseSize;
  Angle = E.SpinCurveOn == 1 ? WrapDegrees(BaseAngle + EvalCurve(E.SpinCurve, t) * Spin * Lifetime) : BaseAngle;
  Color = E.ColorChangeOn == 1 ? Lerp3(BaseColor, E.ColorEnd, t) : BaseColor;
  Alpha = BaseAlpha * P.Alpha;
  if (E.AlphaCurveOn == 1) Alpha *= EvalCurve(E.AlphaCurve, t);
  if (Sprite != nullptr) {
    Sprite->Position = Position;
    Sprite->Size = Size;
    Sprite->Angle = Angle;
    Sprite->Color = {Color.X, Color.Y, Color.Z, Alpha};
    // Shading modes such as "Morphing" follow the age.
    Sprite->Param = t;
  }
  return true;
}

// ---- Clusters -------------------------------------------------------------------------------

TCluster::TCluster() : Particles(false, State.ParticleCache.get()) {}

void TCluster::Detached() {
  Particles.Clear();
  Emitter = nullptr;
  Performer = nullptr;
  Emitting = false;
  LastMade = 0;
}

void TCluster::Start() {
  const TEmitor& e = *Emitter;
  Timer = e.Interval - e.Delay;
  if (e.Mode == EmitTimed) Remaining = MaxF(0, e.Interval - e.Delay) + e.Duration;
  Emitting = true;
  if (e.Prewarm != 0) Update(e.Prewarm);
}

void TCluster::Update(float Dt) {
  const TEmitor& e = *Emitter;
  LastMade = 0;
  for (TItem* it = Particles.First(); it != nullptr;) {
    if (static_cast<TParticle*>(it)->Update(Dt, e, *Performer)) {
      it = it->GetNext();
    } else {
      it = it->RemoveGetNext();
    }
  }
  if (!Emitting) return;
  Timer += Dt;
  // Extreme delays or steps can overflow the clock; such an emitter stops instead of spinning.
  if (!std::isfinite(Timer) || !std::isfinite(Remaining)) {
    Emitting = false;
    return;
  }
  const bool timed = e.Mode == EmitTimed;
  // An interval that is not above 0 would emit without end; such an emitter emits nothing.
  if (e.Interval > 0) {
    // A long step (a large prewarm) skips the oldest emissions beyond a bounded number: their
    // particles would be the oldest, and most of them dead on arrival.
    if (Timer / e.Interval > static_cast<float>(MaxBatchesPerUpdate)) {
      const double interval = e.Interval;
      const double keep = std::fmod(static_cast<double>(Timer), interval) + (MaxBatchesPerUpdate - 1) * interval;
      const double skipped = std::floor((Timer - keep) / interval + 0.5) * interval;
      Timer = static_cast<float>(keep);
      if (timed) {
        Remaining = static_cast<float>(Remaining - skipped);
        if (Remaining <= 0) {
          Emitting = false;
          return;
        }
      }
    }
    // One update makes at most a full cluster of particles: particles that die on arrival never
    // fill the cluster, and thousands of large batches of them would take minutes. The time of
    // the batches beyond the budget passes without emitting.
    int32_t budget = MaxClusterParticles;
    int32_t batches = 0;
    while (e.Interval <= Timer && batches++ < MaxBatchesPerUpdate) {
      Timer -= e.Interval;
      EmitBatch(budget);
      if (timed) {
        Remaining -= e.Interval;
        if (Remaining <= 0) break;
      }
    }
  }
  if (timed && Timer >= Remaining) Emitting = false;
}

void TCluster::EmitBatch(int32_t& Budget) {
  TEmitor& e = *Emitter;
  TPerformer& perf = *Performer;
  if (perf.Canvas != nullptr && !e.TexturesLoaded) e.LoadResources();
  const int32_t n = Min(Min(BatchSize(e, perf.Area), Budget),
                        Min(MaxClusterParticles - Particles.GetCount(), MaxLiveParticles - State.LiveParticles));
  if (n <= 0) return;
  Budget -= n;
  LastMade += n;
  for (int32_t i = 0; i < n; ++i) {
    auto* p = static_cast<TParticle*>(Particles.InsertNew(false));
    ++State.LiveParticles;
    p->Orientation = (e.RandomFlip != 0 && RandomFloat() < 0.5f) ? 5 : 0;
    if (perf.Canvas != nullptr) {
      CreateSprite(p->Sprite, perf.Canvas, perf.Order + e.Index);
      TSprite& sprite = *p->Sprite;
      sprite.Orientation = p->Orientation;
      sprite.Mode = e.ShadingMode;
      sprite.Textures[0] = {e.Texture0, e.Segment0};
      sprite.Textures[1] = {e.Texture1, e.Segment1};
    }
    if (e.World != 0) p->SpawnPoint = Add(perf.Effect->Offset, perf.Position);
    Pick(PositionFns, e.PositionMode)(*p, e, perf);
    Pick(DirectionFns, e.DirectionMode)(*p, e, perf);
    Pick(DistanceFns, e.DistanceMode)(*p, e, perf);
    Pick(SizeFns, e.SizeMode)(*p, e, perf);
    Pick(AngleFns, e.AngleMode)(*p, e, perf);
    Pick(SpinFns, e.SpinMode)(*p, e, perf);
    Pick(ColorFns, e.ColorMode)(*p, e, perf);
    Pick(AlphaFns, e.AlphaMode)(*p, e, perf);
    Pick(LifetimeFns, e.LifetimeMode)(*p, e, perf);
    // "Not above 0" also catches a lifetime that is not a number (0 / 0 by speed).
    if (!(p->Lifetime > 0)) {
      Particles.Remove(p);
      continue;
    }
    p->AgeRate = 1 / p->Lifetime;
    // A batch that was due earlier in this step is aged by the time since it was due.
    if (!p->Update(Timer, e, perf)) Particles.Remove(p);
  }
}

// ---- Performers -----------------------------------------------------------------------------

TPerformer::TPerformer() : Clusters(false, State.ClusterCache.get()) {}

void TPerformer::Attached() {
  Area = Effect != nullptr ? Effect->Area : TVector{0, 0};
  Alpha = 1;
}

void TPerformer::Detached() {
  Clusters.Clear();
  Kept = false;
  Owner = nullptr;
  Position = {0, 0};
  Active = false;
}

void TPerformer::SetActive(bool Flag) {
  if (Flag == Active) return;
  Active = Flag;
  if (Flag) {
    if (Effect == nullptr) return;
    for (TItem* it : Effect->Emitters) {
      auto* c = static_cast<TCluster*>(Clusters.InsertNew(false));
      c->Emitter = static_cast<TEmitor*>(it);
      c->Performer = this;
      c->Start();
    }
  } else {
    for (TItem* it : Clusters) static_cast<TCluster*>(it)->Emitting = false;
  }
}

void TPerformer::Update(float Dt) {
  bool emitting = false;
  for (TItem* it = Clusters.First(); it != nullptr;) {
    auto* c = static_cast<TCluster*>(it);
    c->Update(Dt);
    if (!c->Emitting && c->Particles.GetCount() == 0) {
      it = it->RemoveGetNext();
    } else {
      emitting = emitting || c->Emitting;
      it = it->GetNext();
    }
  }
  Active = emitting;
}

int32_t TPerformer::ParticleCount() const {
  int32_t n = 0;
  for (TItem* it : Clusters) n += static_cast<TCluster*>(it)->Particles.GetCount();
  return n;
}

// ---- Module operations ----------------------------------------------------------------------

void EffectsStartup() {
  if (State.Performers != nullptr) return;
  // Clusters make their particle containers, and performers their cluster containers, from these
  // caches when they are constructed, so the caches come first.
  State.ParticleCache = std::make_unique<TCache>(MakeItem<TParticle>, ParticleCacheSize);
  State.ClusterCache = std::make_unique<TCache>(MakeItem<TCluster>, ClusterCacheSize);
  State.Performers = std::make_unique<TContainer>(false, MakeItem<TPerformer>, PerformerCacheSize);
  State.Effects = std::make_unique<TContainer>(true, true);
}

void EffectsShutdown() {
  // Performers hold clusters, which hold particles: each container goes back to its cache
  // before that cache is destroyed.
  State.Performers.reset();
  State.ClusterCache.reset();
  State.ParticleCache.reset();
  State.Effects.reset();
  State.LiveParticles = 0;
}

bool EffectsStarted() { return State.Performers != nullptr; }

void EffectsUpdate() { EffectsUpdateBy(ElapsedSeconds()); }

void EffectsUpdateBy(float Dt) {
  if (State.Performers == nullptr) return;
  for (TItem* it = State.Performers->First(); it != nullptr;) {
    auto* p = static_cast<TPerformer*>(it);
    p->Update(Dt);
    if (!p->Kept && !p->Active && p->Clusters.GetCount() == 0) {
      it = it->RemoveGetNext();
    } else {
      it = it->GetNext();
    }
  }
}

bool ReloadEffect(const std::string& Name, std::string& Error) {
  if (State.Effects == nullptr) return false;
  auto* effect = State.Effects->FindAs<TEffect>(Name);
  if (effect == nullptr) return false;
  TEffectFile file;
  try {
    auto stream = OpenDataFile(TFolderKind::Ordinary, Name, TExtKind::Emt);
    if (stream->Size() > MaxEffectFileSize) throw EError("File too large");
    file = ReadEffectFile(stream->ReadRest());
  } catch (const EError& e) {
    Error = "Failed to create emiter \"" + Name + "\" (" + e.what() + ")";
    return false;
  }
  // The clusters of the performers that play it point at its emitters: they start afresh.
  std::vector<TPerformer*> active;
  if (State.Performers != nullptr) {
    for (TItem* item : *State.Performers) {
      auto* performer = static_cast<TPerformer*>(item);
      if (performer->Effect != effect) continue;
      if (performer->Active) active.push_back(performer);
      performer->Clusters.Clear();
      performer->Active = false;
    }
  }
  effect->Assign(file);
  for (TPerformer* performer : active) performer->SetActive(true);
  return true;
}

TEffect* GetEffect(const std::string& Name) {
  if (State.Effects == nullptr) return nullptr;
  if (auto* found = State.Effects->FindAs<TEffect>(Name)) return found;
  auto effect = std::make_unique<TEffect>(Name);
  effect->Load();
  return static_cast<TEffect*>(State.Effects->Insert(effect.release(), true));
}

namespace {

TPerformer* NewPerformer(bool Kept, const void* Owner, TCanvas* Canvas, int32_t Order, TVector Position,
                         TEffect* Effect) {
  auto* p = static_cast<TPerformer*>(State.Performers->GetCache()->Acquire());
  p->Kept = Kept;
  p->Owner = Owner;
  p->Canvas = Canvas;
  p->Order = Order;
  p->Position = Position;
  p->Effect = Effect;
  State.Performers->Insert(p, false);
  return p;
}

}  // namespace

TPerformer* PlayEffect(const void* Owner, TCanvas* Canvas, int32_t Order, TVector Position, TEffect* Effect) {
  if (Effect == nullptr || State.Performers == nullptr) return nullptr;
  TPerformer* p = NewPerformer(false, Owner, Canvas, Order, Position, Effect);
  p->SetActive(true);
  return p;
}

void StopEffects(const void* Owner, bool Immediately) {
  if (State.Performers == nullptr) return;
  for (TItem* it = State.Performers->First(); it != nullptr;) {
    auto* p = static_cast<TPerformer*>(it);
    if (p->Kept || p->Owner != Owner) {
      it = it->GetNext();
    } else if (Immediately) {
      it = it->RemoveGetNext();
    } else {
      p->SetActive(false);
      it = it->GetNext();
    }
  }
}

void CreatePerformer(TPerformer*& Performer, TCanvas* Canvas, int32_t Order, const std::string& EffectName) {
  if (Performer != nullptr || State.Performers == nullptr) return;
  CreatePerformerFor(Performer, Canvas, Order, GetEffect(EffectName));
}

void CreatePerformerFor(TPerformer*& Performer, TCanvas* Canvas, int32_t Order, TEffect* Effect) {
  if (Performer != nullptr || State.Performers == nullptr) return;
  Performer = NewPerformer(true, nullptr, Canvas, Order, {0, 0}, Effect);
}

void FreePerformer(TPerformer*& Performer) {
  if (Performer == nullptr) return;
  if (Performer->Container != nullptr) Performer->Container->Remove(Performer);
  Performer = nullptr;
}

TContainer* Performers() { return State.Performers.get(); }

int32_t PerformerCount() { return State.Performers != nullptr ? State.Performers->GetCount() : 0; }

int32_t LiveParticleCount() { return State.LiveParticles; }

}  // namespace tv
