// Particle effects: sparkles, smoke, glows and the like, made of many short-lived sprites.
//
// An effect (TEffect) is a named description loaded from "<Name>.emt"; it holds emitters (TEmitor),
// each a recipe for when, how many, where and how its particles appear and change. A performer
// (TPerformer) is one playing of an effect at a position on a canvas; for each emitter it runs a
// cluster (TCluster) that emits particles (TParticle). Performers, clusters and particles come from
// caches, so a warm game allocates nothing per frame.
//
// Angles are degrees clockwise from up; y grows downwards. Every random number is drawn from the
// game's one generator (RandomFloat), so a seeded run repeats exactly.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/AppNumeric.h"
#include "base/EngineClasses.h"

namespace tv {

class TCanvas;
class TSprite;
class TTexture;

// ---- Mode tables ----------------------------------------------------------------------------

// Emission: 1 emits for Duration seconds only, every other value endlessly.
constexpr int32_t EmitTimed = 1;

enum TCountMode : int32_t { CountNone, CountFixed, CountAreaDensity, CountPerimeterDensity, CountModeCount };
enum TPositionMode : int32_t {
  PositionPoint,
  PositionRectangle,
  PositionHorizontalLine,
  PositionVerticalLine,
  PositionRectangleOutline,
  PositionArea,
  PositionAreaOutline,
  PositionMidpoint,
  PositionModeCount
};
enum TDirectionMode : int32_t {
  DirectionFixed,
  DirectionSpread,
  DirectionRandom,
  DirectionAwayFromP0,
  DirectionTowardsP0,
  DirectionTowardsP2,
  DirectionModeCount
};
enum TDistanceMode : int32_t {
  DistanceFixed,
  DistanceSpread,
  DistanceFromP0,
  DistanceFromP2,
  DistanceFromP2Scaled,
  DistanceModeCount
};
enum TSizeMode : int32_t { SizeFixed, SizeSpread, SizeDistance, SizeDistanceWidth, SizeDistanceHeight, SizeModeCount };
enum TAngleMode : int32_t { AngleFixed, AngleSpread, AngleRandom, AngleDirection, AngleModeCount };
enum TSpinMode : int32_t { SpinFixed, SpinSpread, SpinModeCount };
enum TColorMode : int32_t { ColorFixed, ColorBetween, ColorModeCount };
enum TAlphaMode : int32_t { AlphaFixed, AlphaSpread, AlphaModeCount };
enum TLifetimeMode : int32_t { LifetimeFixed, LifetimeBySpeed, LifetimeModeCount };

// Limits that keep a careless or hostile file from exhausting memory or time.
constexpr int32_t MaxBatchParticles = 10000;    // particles in one emission
constexpr int32_t MaxClusterParticles = 50000;  // live particles of one cluster
constexpr int32_t MaxLiveParticles = 100000;    // live particles of all performers together
constexpr int32_t MaxBatchesPerUpdate = 4096;   // emissions in one cluster update

// ---- The effect file ------------------------------------------------------------------------

// The fields of one emitter record, in file order, with the placeholder emitter's values. Mode
// bytes are kept as 32-bit values; the Boolean bytes keep the byte that was read.
struct TEmitterFields {
  float Interval = 0.5f;
  float Delay = 0;
  int32_t Mode = 0;
  float Duration = 2;
  int32_t CountMode = CountFixed;
  int32_t Count = 1;
  int32_t Density = 50;
  uint8_t World = 0;
  uint8_t RandomFlip = 0;
  float Prewarm = 0;
  std::string ShadingModeName = "Default";
  std::string Texture0Name = "G2Particles";
  int32_t Segment0 = 8;
  std::string Texture1Name;
  int32_t Segment1 = 0;
  int32_t PositionMode = PositionPoint;
  TVector P0;
  TVector P1;
  TVector P2;
  int32_t DirectionMode = DirectionFixed;
  float DirectionBase = 0;
  float DirectionSpread = 0;
  int32_t DistanceMode = DistanceFixed;
  float DistanceBase = 0;
  float DistanceSpread = 0;
  int32_t SizeMode = SizeFixed;
  TVector SizeBase{128, 128};
  TVector SizeSpread;
  int32_t AngleMode = AngleFixed;
  float AngleBase = 0;
  float AngleSpread = 0;
  int32_t SpinMode = SpinFixed;
  float SpinBase = 0;
  float SpinSpread = 0;
  int32_t ColorMode = ColorFixed;
  TVector3 ColorA{1, 0, 1};
  TVector3 ColorB;
  int32_t AlphaMode = AlphaFixed;
  float AlphaBase = 1;
  float AlphaSpread = 0;
  int32_t LifetimeMode = LifetimeFixed;
  float LifetimeBase = 0.5f;
  float LifetimeSpeed = 1;
  uint8_t MotionCurveOn = 0;
  std::string MotionCurve;
  uint8_t ScaleCurveOn = 0;
  float ScaleEnd = 1;
  std::string ScaleCurve;
  uint8_t SpinCurveOn = 0;
  std::string SpinCurve;
  uint8_t ColorChangeOn = 0;
  TVector3 ColorEnd{0.5f, 0.5f, 0.5f};
  uint8_t AlphaCurveOn = 1;
  std::string AlphaCurve = "0-1-1-0";
};

struct TEmitterRecord : TEmitterFields {
  std::string Name = "1";
};

// The whole content of an ".emt" file.
struct TEffectFile {
  TVector Offset;
  TVector Area{128, 128};
  std::vector<TEmitterRecord> Emitters;
};

// What a missing or unreadable file stands for: one default emitter named "1".
TEffectFile PlaceholderEffectFile();
// Parses the bytes of an ".emt" file. Trusts no count or length: a short file, a count or string
// length that the remaining bytes cannot hold, a mode outside its table, a number that is not
// finite or an interval that is not above 0 raise EError, and nothing is allocated beyond what
// the bytes themselves can describe. Bytes after the last emitter are ignored; TrailingBytes, when
// given, receives how many there were.
TEffectFile ReadEffectFile(std::string_view Bytes, size_t* TrailingBytes = nullptr);
// The bytes of an ".emt" file; ReadEffectFile of them gives the same content back.
std::string WriteEffectFile(const TEffectFile& File);

// ---- Effects and emitters -------------------------------------------------------------------

class TEmitor : public TNamedItem, public TEmitterFields {
 public:
  explicit TEmitor(std::string name) : TNamedItem(std::move(name)) {}
  int32_t Index = 0;             // position in the file from 0; added to the performer's order
  int32_t ShadingMode = 0;       // row of the shading-mode table
  TTexture* Texture0 = nullptr;  // loaded from Texture0Name while a video device runs
  TTexture* Texture1 = nullptr;
  bool TexturesLoaded = false;

  // Looks up the shading mode and, when the video device runs, loads the textures (a missing one
  // becomes the texture loader's placeholder). Until then particles are simulated undrawn.
  void LoadResources();
};

class TEffect : public TNamedItem {
 public:
  explicit TEffect(std::string name) : TNamedItem(std::move(name)) {}
  TContainer Emitters{false, true};  // owns its TEmitor items, in file order
  float Duration = 0;                // the longest Duration of the timed emitters
  TVector Offset;                    // emission origin relative to the performer
  TVector Area;                      // area of the area-based modes

  // Loads "<Name>.emt" from the common data folder; a missing or malformed file logs the warning
  // "Failed to create emiter" and gives the placeholder.
  void Load();
  // Replaces the emitters with those of File.
  void Assign(const TEffectFile& File);
};

// ---- Particles, clusters and performers -----------------------------------------------------

class TPerformer;
class TCluster;

class TParticle : public TItem {
 public:
  TSprite* Sprite = nullptr;
  TVector SpawnPoint;
  TVector StartOffset;
  float Direction = 0;
  TVector DirectionVector;
  float Distance = 0;
  TVector BaseSize;
  float BaseAngle = 0;
  float Spin = 0;
  TVector3 BaseColor;
  float BaseAlpha = 0;
  float Lifetime = 0;
  float AgeRate = 0;
  float Age = 0;
  // What the particle shows after its last update (copied to the sprite when it has one).
  int32_t Orientation = 0;
  TVector Position;
  TVector Size;
  float Angle = 0;
  TVector3 Color;
  float Alpha = 0;

  void Detached() override;
  // Ages the particle by Dt and recomputes what it shows; false when its life has ended.
  bool Update(float Dt, const TEmitor& Emitter, const TPerformer& Performer);
};

class TCluster : public TItem {
 public:
  TCluster();
  TContainer Particles;  // shares the particle cache
  TEmitor* Emitter = nullptr;
  TPerformer* Performer = nullptr;
  float Timer = 0;
  float Remaining = 0;
  bool Emitting = false;
  int32_t LastMade = 0;  // particles the last update made, those dead on arrival included

  void Detached() override;
  void Start();
  void Update(float Dt);

 private:
  void EmitBatch(int32_t& Budget);
};

class TPerformer : public TItem {
 public:
  TPerformer();
  bool Kept = false;  // owned by its creator; never reclaimed automatically
  const void* Owner = nullptr;
  TCanvas* Canvas = nullptr;  // none: particles are simulated but not drawn
  int32_t Order = 0;
  TVector Position;
  TVector Area;
  float Alpha = 1;
  TContainer Clusters;  // shares the cluster cache
  TEffect* Effect = nullptr;
  bool Active = false;

  void Attached() override;
  void Detached() override;
  // Switching on starts one cluster per emitter; switching off lets every cluster stop emitting.
  void SetActive(bool Flag);
  void Update(float Dt);
  // Live particles of all clusters.
  int32_t ParticleCount() const;
};

// ---- Module operations ----------------------------------------------------------------------

void EffectsStartup();
// Frees every performer, cluster, particle and effect. Safe without a start-up.
void EffectsShutdown();
bool EffectsStarted();
// Once per frame with the frame's game time.
void EffectsUpdate();
// The same with a given time step (tests, tools).
void EffectsUpdateBy(float Dt);
// The cached effect of that name, loaded on first use.
TEffect* GetEffect(const std::string& Name);
// Reads a loaded effect's file again, in place (its performers start their particles afresh).
// False when no such effect is loaded, or, with the reason in Error, when the file cannot be read
// (the old effect stays).
bool ReloadEffect(const std::string& Name, std::string& Error);
// Plays an effect once; the performer is reclaimed when it has finished. Nothing without an effect.
TPerformer* PlayEffect(const void* Owner, TCanvas* Canvas, int32_t Order, TVector Position, TEffect* Effect);
// Stops the performers of Owner that are not kept: at once, or letting their particles live out.
void StopEffects(const void* Owner, bool Immediately);
// A kept performer, not yet active; nothing when Performer is already set.
void CreatePerformer(TPerformer*& Performer, TCanvas* Canvas, int32_t Order, const std::string& EffectName);
void CreatePerformerFor(TPerformer*& Performer, TCanvas* Canvas, int32_t Order, TEffect* Effect);
void FreePerformer(TPerformer*& Performer);
// The performers alive now (active, draining or kept).
TContainer* Performers();
// Counts for tests and benchmarks: live performers and particles.
int32_t PerformerCount();
int32_t LiveParticleCount();

// An angle brought into 0 <= a < 360.
float WrapDegrees(float A);

}  // namespace tv
