#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>

#include "app/AppMain.h"
#include "base/AppFolders.h"
#include "engine/EngineEffects.h"
#include "support/TestSupport.h"

namespace tv {
namespace {

using test::TScopedEnv;
using test::TTempDir;

// ---- The file reader ------------------------------------------------------------------------

TEffectFile SampleFile() {
  TEffectFile file;
  file.Offset = {3, -4};
  file.Area = {300, 200};
  TEmitterRecord a;
  a.Name = "Glow";
  a.Mode = EmitTimed;
  a.Duration = 1.5f;
  a.PositionMode = PositionRectangleOutline;
  a.P1 = {10, 20};
  a.MotionCurve = "0-1";
  a.Texture1Name = "G2Mask";
  TEmitterRecord b;
  b.Name = "Sparks";
  b.Mode = EmitTimed;
  b.Duration = 2.5f;
  b.ColorMode = ColorBetween;
  b.LifetimeMode = LifetimeBySpeed;
  file.Emitters = {a, b};
  return file;
}

void SetFloatAt(std::string& Bytes, size_t At, float V) { std::memcpy(&Bytes[At], &V, 4); }
void SetIntAt(std::string& Bytes, size_t At, int32_t V) { std::memcpy(&Bytes[At], &V, 4); }

// Byte offsets inside the first emitter record of SampleFile (the header is 20 bytes).
constexpr size_t FirstRecord = 20;
constexpr size_t NameLength = FirstRecord;  // "Glow": 4 + 4 bytes
constexpr size_t IntervalAt = FirstRecord + 8;
constexpr size_t CountModeAt = IntervalAt + 4 + 4 + 1 + 4;  // after Interval, Delay, Mode, Duration
constexpr size_t CountAt = CountModeAt + 1;

TEST(EffectFile, WritesAndReadsEveryFieldBack) {
  const TEffectFile file = SampleFile();
  const std::string bytes = WriteEffectFile(file);
  size_t trailing = 99;
  const TEffectFile back = ReadEffectFile(bytes, &trailing);
  EXPECT_EQ(trailing, 0u);
  EXPECT_EQ(WriteEffectFile(back), bytes);
  ASSERT_EQ(back.Emitters.size(), 2u);
  EXPECT_EQ(back.Emitters[0].Name, "Glow");
  EXPECT_EQ(back.Emitters[0].PositionMode, PositionRectangleOutline);
  EXPECT_EQ(back.Emitters[0].Texture1Name, "G2Mask");
  EXPECT_EQ(back.Emitters[1].LifetimeMode, LifetimeBySpeed);
  EXPECT_FLOAT_EQ(back.Area.X, 300);
  // Little-endian layout: the header's floats, then the emitter count.
  EXPECT_EQ(bytes.substr(16, 4), std::string("\x02\x00\x00\x00", 4));
  EXPECT_EQ(bytes.substr(NameLength, 8), std::string("\x04\x00\x00\x00Glow", 8));
  // Trailing bytes are ignored but counted.
  ReadEffectFile(bytes + "xyz", &trailing);
  EXPECT_EQ(trailing, 3u);
}

TEST(EffectFile, PlaceholderHoldsTheDefaults) {
  const TEffectFile file = PlaceholderEffectFile();
  EXPECT_FLOAT_EQ(file.Area.X, 128);
  EXPECT_FLOAT_EQ(file.Offset.X, 0);
  ASSERT_EQ(file.Emitters.size(), 1u);
  const TEmitterRecord& e = file.Emitters[0];
  EXPECT_EQ(e.Name, "1");
  EXPECT_FLOAT_EQ(e.Interval, 0.5f);
  EXPECT_EQ(e.Mode, 0);
  EXPECT_EQ(e.Texture0Name, "G2Particles");
  EXPECT_EQ(e.Segment0, 8);
  EXPECT_EQ(e.ShadingModeName, "Default");
  EXPECT_FLOAT_EQ(e.SizeBase.X, 128);
  EXPECT_FLOAT_EQ(e.ColorA.X, 1);
  EXPECT_FLOAT_EQ(e.ColorA.Y, 0);
  EXPECT_EQ(e.AlphaCurveOn, 1);
  EXPECT_EQ(e.AlphaCurve, "0-1-1-0");
}

TEST(EffectFile, MalformedFilesRaiseInsteadOfMisreading) {
  const std::string good = WriteEffectFile(SampleFile());
  // Every truncation fails, never reads past the end.
  for (size_t n = 0; n < good.size(); ++n) {
    EXPECT_THROW(ReadEffectFile(std::string_view(good).substr(0, n)), EError) << "length " << n;
  }
  auto expectError = [](const std::string& bytes, const char* fragment) {
    try {
      ReadEffectFile(bytes);
      ADD_FAILURE() << "no error for " << fragment;
    } catch (const EError& e) {
      EXPECT_NE(std::string(e.what()).find(fragment), std::string::npos) << e.what();
    }
  };
  std::string bytes = good;
  SetIntAt(bytes, 16, 0x7FFFFFFF);
  expectError(bytes, "Invalid emitter count");
  SetIntAt(bytes, 16, -1);
  expectError(bytes, "Invalid emitter count");
  bytes = good;
  SetIntAt(bytes, NameLength, -5);
  expectError(bytes, "Invalid string length -5");
  SetIntAt(bytes, NameLength, 0x7FFFFFF0);
  expectError(bytes, "Invalid string length");
  bytes = good;
  bytes[CountModeAt] = 4;
  expectError(bytes, "Invalid CountMode 4");
  bytes = good;
  SetIntAt(bytes, CountAt, 2000000000);
  expectError(bytes, "Invalid Count");
  bytes = good;
  SetFloatAt(bytes, IntervalAt, 0);
  expectError(bytes, "Invalid Interval");
  SetFloatAt(bytes, IntervalAt, std::nanf(""));
  expectError(bytes, "Interval");
  bytes = good;
  SetFloatAt(bytes, 0, INFINITY);
  expectError(bytes, "Invalid number in Offset");
  // Every mode byte outside its table, wherever it sits, is refused: flip each byte to 200 and
  // the reader either raises or accepts the file (a number or a name), keeping what it read.
  std::map<std::string, int> refused;
  for (size_t i = 0; i < good.size(); ++i) {
    std::string changed = good;
    changed[i] = static_cast<char>(200);
    try {
      const TEffectFile back = ReadEffectFile(changed);
      EXPECT_EQ(WriteEffectFile(back), changed) << "byte " << i << " was accepted but not kept";
    } catch (const EError& e) {
      // "Invalid XxxMode 200": count which table refused it.
      const std::string what = e.what();
      const size_t at = what.find("Mode 200");
      const size_t word = what.rfind(' ', at) + 1;
      if (at != std::string::npos) ++refused[what.substr(word, at + 4 - word)];
    }
  }
  // Each of the two emitters has one byte for each of the ten tables.
  for (const char* field : {"CountMode", "PositionMode", "DirectionMode", "DistanceMode", "SizeMode", "AngleMode",
                            "SpinMode", "ColorMode", "AlphaMode", "LifetimeMode"}) {
    EXPECT_EQ(refused[field], 2) << field;
  }
  EXPECT_EQ(refused.size(), 10u);
}

TEST(EffectFile, ZeroEmittersIsAValidEmptyEffect) {
  TEffectFile file;
  const TEffectFile back = ReadEffectFile(WriteEffectFile(file));
  EXPECT_TRUE(back.Emitters.empty());
}

// ---- Simulation fixture ---------------------------------------------------------------------

// Effects started over a program folder of our own, with a fixed seed.
class EffectsTest : public ::testing::Test {
 protected:
  TTempDir Root;
  TScopedEnv Xdg{"XDG_DATA_HOME", (Root.Path() + "/data").c_str()};
  std::string Ordinary = Root / "game/Ordinary/";
  size_t LogBefore = 0;

  void SetUp() override {
    test::MakeDirs(Ordinary);
    InitFoldersFrom(Root / "game/tolvaren");
    SeedRandom(1234);
    EffectsStartup();
    LogBefore = GetLogMessages().size();
  }
  void TearDown() override {
    EffectsShutdown();
    DoneFolders();
  }

  std::vector<std::string> NewLogMessages() const {
    const auto& log = GetLogMessages();
    return {log.begin() + static_cast<std::ptrdiff_t>(LogBefore), log.end()};
  }

  // An effect made in code (not cached by name) with one emitter.
  TEffect* MakeEffect(const TEmitterRecord& Emitter, TVector Area = {128, 128}, TVector Offset = {0, 0}) {
    TEffectFile file;
    file.Area = Area;
    file.Offset = Offset;
    file.Emitters = {Emitter};
    Owned.push_back(std::make_unique<TEffect>("Test"));
    Owned.back()->Assign(file);
    return Owned.back().get();
  }

  static TCluster* FirstCluster(TPerformer* P) { return P->Clusters.FirstAs<TCluster>(); }
  static TParticle* FirstParticle(TPerformer* P) { return FirstCluster(P)->Particles.FirstAs<TParticle>(); }

  // Steps effects N times by Dt; returns the particle counts after each step.
  static std::vector<int32_t> Run(int N, float Dt) {
    std::vector<int32_t> counts;
    for (int i = 0; i < N; ++i) {
      EffectsUpdateBy(Dt);
      counts.push_back(LiveParticleCount());
    }
    return counts;
  }

  std::vector<std::unique_ptr<TEffect>> Owned;
};

// An emitter with long-lived particles, so that counting particles counts emissions.
TEmitterRecord Counting() {
  TEmitterRecord e;
  e.LifetimeBase = 100;
  return e;
}

// ---- Loading --------------------------------------------------------------------------------

TEST_F(EffectsTest, MissingAndBrokenFilesGiveThePlaceholderWithOneWarning) {
  TEffect* missing = GetEffect("G2Nothing");
  ASSERT_NE(missing, nullptr);
  EXPECT_EQ(GetEffect("G2Nothing"), missing);  // cached: no second warning
  test::WriteFile(Ordinary + "G2Broken.emt", std::string("\x01\x02\x03", 3));
  TEffect* broken = GetEffect("G2Broken");
  const auto log = NewLogMessages();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0], "Failed to create emiter \"G2Nothing\" (Missing file)");
  EXPECT_EQ(log[1], "Failed to create emiter \"G2Broken\" (Unexpected end of file)");
  for (TEffect* e : {missing, broken}) {
    EXPECT_FLOAT_EQ(e->Area.X, 128);
    EXPECT_FLOAT_EQ(e->Area.Y, 128);
    ASSERT_EQ(e->Emitters.GetCount(), 1);
    EXPECT_EQ(e->Emitters.FirstAs<TEmitor>()->Name, "1");
    EXPECT_FLOAT_EQ(e->Duration, 0);
  }
}

TEST_F(EffectsTest, LoadsEmittersInFileOrderWithIndexAndLongestTimedDuration) {
  TEffectFile file = SampleFile();
  file.Emitters[1].Mode = 7;  // endless: its Duration does not count
  file.Emitters[1].Duration = 9;
  test::WriteFile(Ordinary + "G2Sample.emt", WriteEffectFile(file));
  TEffect* e = GetEffect("G2Sample");
  EXPECT_TRUE(NewLogMessages().empty());
  ASSERT_EQ(e->Emitters.GetCount(), 2);
  EXPECT_EQ(e->Emitters.GetAs<TEmitor>(1)->Name, "Glow");
  EXPECT_EQ(e->Emitters.GetAs<TEmitor>(1)->Index, 0);
  EXPECT_EQ(e->Emitters.GetAs<TEmitor>(2)->Name, "Sparks");
  EXPECT_EQ(e->Emitters.GetAs<TEmitor>(2)->Index, 1);
  EXPECT_FLOAT_EQ(e->Duration, 1.5f);
  EXPECT_FLOAT_EQ(e->Offset.Y, -4);
  // Effects are kept sorted by name and found again.
  GetEffect("A1");
  EXPECT_EQ(GetEffect("G2Sample"), e);
}

// The live reload: the same effect object takes the new file, and its performers start afresh
// on the new emitters; a file that no longer reads keeps the old effect.
TEST_F(EffectsTest, ReloadReplacesTheEffectInPlaceAndAFailureKeepsIt) {
  TEffectFile file = SampleFile();
  test::WriteFile(Ordinary + "G2Sample.emt", WriteEffectFile(file));
  TEffect* e = GetEffect("G2Sample");
  TPerformer* p = PlayEffect(this, nullptr, 0, {0, 0}, e);
  ASSERT_NE(p, nullptr);
  Run(5, 0.1f);
  file.Area = {300, 40};
  file.Emitters.pop_back();
  test::WriteFile(Ordinary + "G2Sample.emt", WriteEffectFile(file));
  std::string error;
  EXPECT_TRUE(ReloadEffect("G2Sample", error)) << error;
  EXPECT_EQ(GetEffect("G2Sample"), e);
  EXPECT_FLOAT_EQ(e->Area.X, 300);
  ASSERT_EQ(e->Emitters.GetCount(), 1);
  EXPECT_EQ(p->Clusters.GetCount(), 1);
  EXPECT_EQ(FirstCluster(p)->Emitter, e->Emitters.FirstAs<TEmitor>());
  Run(5, 0.1f);  // the performer runs on the new emitter

  test::WriteFile(Ordinary + "G2Sample.emt", std::string("\x01\x02", 2));
  EXPECT_FALSE(ReloadEffect("G2Sample", error));
  EXPECT_NE(error.find("G2Sample"), std::string::npos);
  EXPECT_FLOAT_EQ(e->Area.X, 300);
  EXPECT_FALSE(ReloadEffect("G2NeverLoaded", error));  // nothing shows it: nothing to do
  StopEffects(this, true);
}

// ---- Emission timing ------------------------------------------------------------------------

TEST_F(EffectsTest, TimedEmitterEmitsEveryIntervalForItsDurationThenFinishes) {
  TEmitterRecord rec = Counting();
  rec.Mode = EmitTimed;
  rec.LifetimeBase = 4;
  TEffect* effect = MakeEffect(rec);
  TPerformer* p = PlayEffect(this, nullptr, 0, {0, 0}, effect);
  ASSERT_NE(p, nullptr);
  EXPECT_TRUE(p->Active);
  // Steps of 1/8 s; a step that adds a particle is a step that emitted.
  std::vector<int> emittedAt;
  int inactiveFrom = 0, reclaimedAt = 0, before = 0;
  for (int step = 1; step <= 60; ++step) {
    EffectsUpdateBy(0.125f);
    if (PerformerCount() == 0) {
      reclaimedAt = step;
      break;
    }
    if (!p->Active && inactiveFrom == 0) inactiveFrom = step;
    if (p->ParticleCount() > before) emittedAt.push_back(step);
    before = p->ParticleCount();
  }
  // At the first update and every half second after, five times in all (0 to 2 seconds).
  EXPECT_EQ(emittedAt, (std::vector<int>{1, 4, 8, 12, 16}));
  EXPECT_EQ(inactiveFrom, 16);
  // Reclaimed once the last particle (born at 2 s) has lived its 4 s.
  EXPECT_EQ(reclaimedAt, 49);
}

TEST_F(EffectsTest, DelayPostponesTheFirstEmission) {
  TEmitterRecord rec = Counting();
  rec.Delay = 0.25f;
  PlayEffect(this, nullptr, 0, {0, 0}, MakeEffect(rec));
  // The clock starts at 0.5 - 0.25: the first batch once a quarter second has passed.
  EXPECT_EQ(Run(6, 0.125f), (std::vector<int32_t>{0, 1, 1, 1, 1, 2}));
}

TEST_F(EffectsTest, LateBatchesAreAgedByTheTimeSinceTheyWereDue) {
  TEmitterRecord rec = Counting();
  rec.LifetimeBase = 10;
  TPerformer* p = PlayEffect(this, nullptr, 0, {0, 0}, MakeEffect(rec));
  // One step of 1.2 s: batches due at 0, 0.5 and 1.0 s, so ages 1.2, 0.7 and 0.2 s.
  EffectsUpdateBy(1.2f);
  std::vector<float> ages;
  for (TItem* it : FirstCluster(p)->Particles) ages.push_back(static_cast<TParticle*>(it)->Age * 10);
  ASSERT_EQ(ages.size(), 3u);
  EXPECT_NEAR(ages[0], 1.2f, 1e-4f);
  EXPECT_NEAR(ages[1], 0.7f, 1e-4f);
  EXPECT_NEAR(ages[2], 0.2f, 1e-4f);
}

TEST_F(EffectsTest, PrewarmStartsWithOldParticles) {
  TEmitterRecord rec = Counting();
  rec.Prewarm = 3;
  rec.LifetimeBase = 10;
  TPerformer* p = PlayEffect(this, nullptr, 0, {0, 0}, MakeEffect(rec));
  // Batches at 0, 0.5, ..., 3.0 seconds of the prewarm: seven, the oldest three seconds old.
  ASSERT_EQ(p->ParticleCount(), 7);
  EXPECT_NEAR(FirstParticle(p)->Age * 10, 3.0f, 1e-4f);
  EXPECT_NEAR(FirstCluster(p)->Particles.LastAs<TParticle>()->Age * 10, 0.0f, 1e-4f);
}

// ---- Counts ---------------------------------------------------------------------------------

TEST_F(EffectsTest, CountModesFollowCountAreaAndPerimeter) {
  auto firstBatch = [&](int32_t Mode, TVector Area, int32_t Density, int32_t Count = 1) {
    TEmitterRecord rec = Counting();
    rec.CountMode = Mode;
    rec.Density = Density;
    rec.Count = Count;
    TPerformer* p = PlayEffect(this, nullptr, 0, {0, 0}, MakeEffect(rec, Area));
    EffectsUpdateBy(0.01f);
    const int32_t n = p->ParticleCount();
    StopEffects(this, true);
    return n;
  };
  EXPECT_EQ(firstBatch(CountAreaDensity, {1000, 1000}, 50), 50);
  EXPECT_EQ(firstBatch(CountAreaDensity, {10, 10}, 50), 1);
  EXPECT_EQ(firstBatch(CountPerimeterDensity, {1000, 500}, 10), 3);  // 3000 units x 10 per 10000
  EXPECT_EQ(firstBatch(CountPerimeterDensity, {1, 1}, 10), 1);
  EXPECT_EQ(firstBatch(CountFixed, {1, 1}, 0, 7), 7);
  EXPECT_EQ(firstBatch(CountNone, {1000, 1000}, 50, 7), 0);
  // The area is the performer's: changing it after start changes later batches.
  TEmitterRecord rec = Counting();
  rec.CountMode = CountAreaDensity;
  TPerformer* p = PlayEffect(this, nullptr, 0, {0, 0}, MakeEffect(rec, {1000, 1000}));
  EffectsUpdateBy(0.01f);
  p->Area = {2000, 1000};
  EffectsUpdateBy(0.5f);
  EXPECT_EQ(p->ParticleCount(), 150);
}

TEST_F(EffectsTest, HugeCountsAreBounded) {
  TEmitterRecord rec = Counting();
  rec.CountMode = CountAreaDensity;
  rec.Density = 1000000;
  rec.Interval = 0.001f;
  TPerformer* p = PlayEffect(this, nullptr, 0, {0, 0}, MakeEffect(rec, {1e6f, 1e6f}));
  EffectsUpdateBy(0.01f);
  EXPECT_EQ(p->ParticleCount(), MaxClusterParticles);
  EffectsUpdateBy(0.01f);
  EXPECT_EQ(p->ParticleCount(), MaxClusterParticles);
  // More clusters share one budget for the whole game.
  TPerformer* q = PlayEffect(this, nullptr, 0, {0, 0}, p->Effect);
  TPerformer* r = PlayEffect(this, nullptr, 0, {0, 0}, p->Effect);
  EffectsUpdateBy(0.01f);
  EXPECT_EQ(LiveParticleCount(), MaxLiveParticles);
  EXPECT_EQ(p->ParticleCount() + q->ParticleCount() + r->ParticleCount(), MaxLiveParticles);
  StopEffects(this, true);
  EXPECT_EQ(LiveParticleCount(), 0);

  // Large batches that die on arrival never fill the cluster; one update still makes at most a
  // cluster's worth of them (a thousand batches of ten thousand would take minutes).
  TEmitterRecord dead = rec;
  dead.LifetimeBase = 0;
  TPerformer* s = PlayEffect(this, nullptr, 0, {0, 0}, MakeEffect(dead, {1e6f, 1e6f}));
  EffectsUpdateBy(1);
  EXPECT_EQ(FirstCluster(s)->LastMade, MaxClusterParticles);
  EXPECT_EQ(s->ParticleCount(), 0);
  // The time of the skipped batches passed: the next short step makes one batch, not a backlog.
  EffectsUpdateBy(0.001f);
  EXPECT_EQ(FirstCluster(s)->LastMade, MaxBatchParticles);
}

// ---- Hostile timing values (emitters made in code are not checked like files) ---------------

TEST_F(EffectsTest, DegenerateTimingNeitherHangsNorFloods) {
  TEmitterRecord zero = Counting();
  zero.Interval = 0;
  TPerformer* a = PlayEffect(this, nullptr, 0, {0, 0}, MakeEffect(zero));
  TEmitterRecord nan = Counting();
  nan.Interval = std::nanf("");
  TPerformer* b = PlayEffect(this, nullptr, 0, {0, 0}, MakeEffect(nan));
  EffectsUpdateBy(1);
  EXPECT_EQ(a->ParticleCount(), 0);
  EXPECT_EQ(b->ParticleCount(), 0);

  // A prewarm of a million seconds at a thousand emissions a second: bounded work, and the
  // particles that remain are the youngest ones.
  TEmitterRecord warm;
  warm.Interval = 0.001f;
  warm.Prewarm = 1e6f;
  warm.LifetimeBase = 1;
  warm.AlphaCurveOn = 0;
  TPerformer* c = PlayEffect(this, nullptr, 0, {0, 0}, MakeEffect(warm));
  EXPECT_GT(c->ParticleCount(), 900);
  EXPECT_LE(c->ParticleCount(), 1001);

  // An overflowing clock stops emitting.
  TEmitterRecord far = Counting();
  far.Interval = 3e38f;
  far.Delay = -3e38f;
  TPerformer* d = nullptr;
  CreatePerformerFor(d, nullptr, 0, MakeEffect(far));
  d->SetActive(true);
  EffectsUpdateBy(0.1f);
  EXPECT_EQ(d->Clusters.GetCount(), 0);
  EXPECT_FALSE(d->Active);
  FreePerformer(d);

  // A lifetime of 0 / 0 (by speed, distance 0, speed 0) removes the particle at once; an age
  // that is not a number ends a life instead of keeping it forever.
  TEmitterRecord nanLife = Counting();
  nanLife.LifetimeMode = LifetimeBySpeed;
  nanLife.LifetimeSpeed = 0;
  TPerformer* e = PlayEffect(this, nullptr, 0, {0, 0}, MakeEffect(nanLife));
  EffectsUpdateBy(0.1f);
  EXPECT_EQ(e->ParticleCount(), 0);
}

// ---- Lifetimes and curves -------------------------------------------------------------------

TEST_F(EffectsTest, LifetimeBySpeedAndNonPositiveLifetimes) {
  TEmitterRecord rec = Counting();
  rec.LifetimeMode = LifetimeBySpeed;
  rec.DistanceBase = 100;
  rec.LifetimeSpeed = 50;
  TPerformer* p = PlayEffect(this, nullptr, 0, {0, 0}, MakeEffect(rec));
  EffectsUpdateBy(0.125f);
  EXPECT_FLOAT_EQ(FirstParticle(p)->Lifetime, 2);
  EXPECT_FLOAT_EQ(FirstParticle(p)->AgeRate, 0.5f);
  // Alive at exactly its lifetime's end (age 1), gone after it.
  StopEffects(this, false);
  Run(1, 1.875f);
  EXPECT_EQ(p->ParticleCount(), 1);
  EXPECT_FLOAT_EQ(FirstParticle(p)->Age, 1);
  Run(1, 0.125f);
  EXPECT_EQ(PerformerCount(), 0);

  TEmitterRecord dead = Counting();
  dead.LifetimeBase = 0;
  TPerformer* q = PlayEffect(this, nullptr, 0, {0, 0}, MakeEffect(dead));
  EffectsUpdateBy(0.01f);
  EXPECT_EQ(q->ParticleCount(), 0);
  EXPECT_TRUE(q->Active);
}

TEST_F(EffectsTest, CurvesShapeMotionSizeSpinColourAndOpacity) {
  TEmitterRecord rec;
  rec.LifetimeBase = 2;
  rec.DirectionBase = 90;  // to the right
  rec.DistanceBase = 100;
  rec.MotionCurveOn = 1;
  rec.MotionCurve = "";  // the empty curve is the age itself
  rec.ScaleCurveOn = 1;
  rec.ScaleEnd = 3;
  rec.ScaleCurve = "0-1";
  rec.AngleBase = 350;
  rec.SpinBase = 10;
  rec.SpinCurveOn = 1;
  rec.SpinCurve = "0-1";
  rec.ColorChangeOn = 1;
  rec.ColorA = {1, 0, 0};
  rec.ColorEnd = {0, 0, 1};
  rec.AlphaBase = 0.8f;
  rec.AlphaCurve = "0-1-1-0";
  TPerformer* p = PlayEffect(this, nullptr, 0, {10, 20}, MakeEffect(rec, {128, 128}, {1, 2}));
  p->Alpha = 0.5f;
  EffectsUpdateBy(0.001f);
  EffectsUpdateBy(0.999f);  // age one second of two: t = 0.5
  const TParticle* q = FirstParticle(p);
  EXPECT_NEAR(q->Age, 0.5f, 1e-5f);
  EXPECT_NEAR(q->Position.X, 11 + 50, 1e-3f);  // origin (11, 22) plus half the distance
  EXPECT_NEAR(q->Position.Y, 22, 1e-3f);
  EXPECT_NEAR(q->Size.X, 128 * 2, 1e-3f);  // 1 + (3 - 1) x 0.5
  EXPECT_NEAR(q->Angle, 0, 1e-3f);         // 350 + 0.5 x 10 x 2 = 360, wrapped
  EXPECT_NEAR(q->Color.X, 0.5f, 1e-5f);
  EXPECT_NEAR(q->Color.Z, 0.5f, 1e-5f);
  EXPECT_NEAR(q->Alpha, 0.8f * 0.5f * 1.0f, 1e-5f);
  EffectsUpdateBy(0.8f);  // t = 0.9: the alpha curve falls to 0.3
  EXPECT_NEAR(q->Alpha, 0.4f * 0.3f, 1e-4f);
}

// ---- Where particles start and go ------------------------------------------------------------

TEST_F(EffectsTest, PositionModesStayInTheirShapes) {
  auto starts = [&](int32_t Mode, TVector Area = {128, 128}) {
    TEmitterRecord rec = Counting();
    rec.PositionMode = Mode;
    rec.P0 = {100, 50};
    rec.P1 = {40, 20};
    rec.P2 = {0, -50};
    rec.Count = 200;
    TPerformer* p = PlayEffect(this, nullptr, 0, {0, 0}, MakeEffect(rec, Area));
    EffectsUpdateBy(0.01f);
    std::vector<TVector> out;
    for (TItem* it : FirstCluster(p)->Particles) out.push_back(static_cast<TParticle*>(it)->StartOffset);
    StopEffects(this, true);
    return out;
  };
  for (TVector v : starts(PositionPoint)) EXPECT_TRUE(v.X == 100 && v.Y == 50);
  for (TVector v : starts(PositionMidpoint)) EXPECT_TRUE(v.X == 50 && v.Y == 0);
  float minX = 1e9f, maxX = -1e9f;
  for (TVector v : starts(PositionRectangle)) {
    EXPECT_TRUE(v.X >= 80 && v.X < 120 && v.Y >= 40 && v.Y < 60) << v.X << "," << v.Y;
    minX = std::min(minX, v.X);
    maxX = std::max(maxX, v.X);
  }
  EXPECT_LT(minX, 85);  // spread over the whole width
  EXPECT_GT(maxX, 115);
  for (TVector v : starts(PositionHorizontalLine)) EXPECT_TRUE(v.X >= 80 && v.X < 120 && v.Y == 50);
  for (TVector v : starts(PositionVerticalLine)) EXPECT_TRUE(v.X == 100 && v.Y >= 40 && v.Y < 60);
  int edges[4] = {};
  for (TVector v : starts(PositionRectangleOutline)) {
    const bool top = v.Y == 40, bottom = v.Y == 60, left = v.X == 80, right = v.X == 120;
    EXPECT_TRUE(top || bottom || left || right) << v.X << "," << v.Y;
    edges[0] += top;
    edges[1] += bottom;
    edges[2] += left;
    edges[3] += right;
  }
  for (int n : edges) EXPECT_GT(n, 20);
  for (TVector v : starts(PositionArea, {300, 100})) EXPECT_TRUE(std::abs(v.X) <= 150 && std::abs(v.Y) <= 50);
  for (TVector v : starts(PositionAreaOutline, {300, 100})) {
    EXPECT_TRUE(std::abs(v.X) == 150 || std::abs(v.Y) == 50) << v.X << "," << v.Y;
  }
}

TEST_F(EffectsTest, DirectionDistanceAndSizeFromGeometry) {
  TEmitterRecord rec = Counting();
  rec.P0 = {0, 0};
  rec.P1 = {100, 100};
  rec.P2 = {0, 100};
  rec.PositionMode = PositionRectangle;
  rec.DirectionMode = DirectionAwayFromP0;
  rec.DistanceMode = DistanceFromP0;
  rec.SizeMode = SizeDistanceWidth;
  rec.AngleMode = AngleDirection;
  rec.Count = 50;
  TPerformer* p = PlayEffect(this, nullptr, 0, {0, 0}, MakeEffect(rec));
  EffectsUpdateBy(0.001f);
  for (TItem* it : FirstCluster(p)->Particles) {
    const auto* q = static_cast<TParticle*>(it);
    // Away from P0 means along the start offset itself.
    const float len = Length(q->StartOffset);
    EXPECT_NEAR(q->Distance, len, 1e-3f);
    EXPECT_NEAR(q->DirectionVector.X * len, q->StartOffset.X, 0.05f);
    EXPECT_NEAR(q->DirectionVector.Y * len, q->StartOffset.Y, 0.05f);
    EXPECT_FLOAT_EQ(q->BaseSize.X, q->Distance);
    EXPECT_FLOAT_EQ(q->BaseSize.Y, 128);
    EXPECT_FLOAT_EQ(q->BaseAngle, q->Direction);
    EXPECT_TRUE(q->Direction >= 0 && q->Direction < 360);
  }
  StopEffects(this, true);

  // Towards a point that is the start itself: direction 0 and no motion.
  TEmitterRecord same = Counting();
  same.P0 = {5, 5};
  same.DirectionMode = DirectionTowardsP0;
  same.DistanceBase = 100;
  same.MotionCurveOn = 1;
  TPerformer* s = PlayEffect(this, nullptr, 0, {0, 0}, MakeEffect(same));
  EffectsUpdateBy(1);
  EXPECT_FLOAT_EQ(FirstParticle(s)->Direction, 0);
  EXPECT_FLOAT_EQ(FirstParticle(s)->Position.X, 5);
  EXPECT_FLOAT_EQ(FirstParticle(s)->Position.Y, 5);
  StopEffects(this, true);

  // Towards P2 from P0, at a distance scaled by DistanceBase.
  TEmitterRecord to = Counting();
  to.P0 = {0, 0};
  to.P2 = {-30, 0};
  to.DirectionMode = DirectionTowardsP2;
  to.DistanceMode = DistanceFromP2Scaled;
  to.DistanceBase = 2;
  TPerformer* t = PlayEffect(this, nullptr, 0, {0, 0}, MakeEffect(to));
  EffectsUpdateBy(0.01f);
  EXPECT_NEAR(FirstParticle(t)->Direction, 270, 1e-3f);
  EXPECT_NEAR(FirstParticle(t)->Distance, 60, 1e-4f);
}

TEST_F(EffectsTest, SpreadModesStayInRangeAndWrap) {
  TEmitterRecord rec = Counting();
  rec.Count = 300;
  rec.DirectionMode = DirectionSpread;
  rec.DirectionBase = 0;
  rec.DirectionSpread = 90;
  rec.SizeMode = SizeSpread;
  rec.SizeBase = {100, 10};
  rec.SizeSpread = {20, 0};
  rec.AlphaMode = AlphaSpread;
  rec.AlphaBase = 0.9f;
  rec.AlphaSpread = 1;
  rec.ColorMode = ColorBetween;
  rec.ColorA = {0, 0, 0};
  rec.ColorB = {1, 0.5f, 0.25f};
  TPerformer* p = PlayEffect(this, nullptr, 0, {0, 0}, MakeEffect(rec));
  EffectsUpdateBy(0.001f);
  int wrapped = 0;
  for (TItem* it : FirstCluster(p)->Particles) {
    const auto* q = static_cast<TParticle*>(it);
    EXPECT_TRUE(q->Direction >= 0 && q->Direction < 360);
    EXPECT_TRUE(q->Direction <= 45 || q->Direction >= 315) << q->Direction;
    wrapped += q->Direction >= 315;
    EXPECT_TRUE(q->BaseSize.X >= 90 && q->BaseSize.X <= 110 && q->BaseSize.Y == 10);
    EXPECT_TRUE(q->BaseAlpha >= 0.4f && q->BaseAlpha <= 1);
    // One random number for all three channels: the colour lies on the line from A to B.
    EXPECT_NEAR(q->BaseColor.Y, q->BaseColor.X * 0.5f, 1e-5f);
    EXPECT_NEAR(q->BaseColor.Z, q->BaseColor.X * 0.25f, 1e-5f);
  }
  EXPECT_GT(wrapped, 50);
}

TEST_F(EffectsTest, WorldParticlesStayWhereTheyWereBornOthersFollow) {
  TEmitterRecord world = Counting();
  world.World = 1;
  world.P0 = {1, 1};
  TEmitterRecord attached = Counting();
  attached.P0 = {1, 1};
  TEffectFile file;
  file.Offset = {10, 0};
  file.Emitters = {world, attached};
  Owned.push_back(std::make_unique<TEffect>("Two"));
  Owned.back()->Assign(file);
  TPerformer* p = nullptr;
  CreatePerformerFor(p, nullptr, 0, Owned.back().get());
  p->Position = {100, 100};
  p->SetActive(true);
  EffectsUpdateBy(0.01f);
  p->Position = {500, -300};
  EffectsUpdateBy(0.01f);
  const TParticle* w = p->Clusters.GetAs<TCluster>(1)->Particles.FirstAs<TParticle>();
  const TParticle* a = p->Clusters.GetAs<TCluster>(2)->Particles.FirstAs<TParticle>();
  EXPECT_FLOAT_EQ(w->Position.X, 111);
  EXPECT_FLOAT_EQ(w->Position.Y, 101);
  EXPECT_FLOAT_EQ(a->Position.X, 511);
  EXPECT_FLOAT_EQ(a->Position.Y, -299);
  FreePerformer(p);
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(PerformerCount(), 0);
}

TEST_F(EffectsTest, RandomFlipTurnsAboutHalf) {
  TEmitterRecord rec = Counting();
  rec.RandomFlip = 1;
  rec.Count = 400;
  TPerformer* p = PlayEffect(this, nullptr, 0, {0, 0}, MakeEffect(rec));
  EffectsUpdateBy(0.01f);
  int flipped = 0;
  for (TItem* it : FirstCluster(p)->Particles) {
    const int32_t o = static_cast<TParticle*>(it)->Orientation;
    EXPECT_TRUE(o == 0 || o == 5);
    flipped += o == 5;
  }
  EXPECT_GT(flipped, 150);
  EXPECT_LT(flipped, 250);
}

// ---- Performers -----------------------------------------------------------------------------

TEST_F(EffectsTest, StopEffectsFadesOrRemovesOnlyTheOwnersUnkeptPerformers) {
  TEmitterRecord rec = Counting();
  rec.LifetimeBase = 1;
  TEffect* effect = MakeEffect(rec);
  int ownerA = 0, ownerB = 0;
  TPerformer* a = PlayEffect(&ownerA, nullptr, 0, {0, 0}, effect);
  PlayEffect(&ownerB, nullptr, 0, {0, 0}, effect);
  TPerformer* kept = nullptr;
  CreatePerformerFor(kept, nullptr, 0, effect);
  kept->Owner = &ownerA;
  kept->SetActive(true);
  EffectsUpdateBy(0.6f);  // two batches each
  EXPECT_EQ(LiveParticleCount(), 6);

  StopEffects(&ownerA, false);
  EXPECT_FALSE(a->Active);
  EXPECT_TRUE(kept->Active);
  EXPECT_EQ(PerformerCount(), 3);
  // Its particles live out (the older dies at 1 s, the younger at 1.5 s), then it is reclaimed.
  EffectsUpdateBy(0.5f);
  EXPECT_EQ(a->ParticleCount(), 1);
  EffectsUpdateBy(0.5f);
  EXPECT_EQ(PerformerCount(), 2);

  StopEffects(&ownerB, true);
  EXPECT_EQ(PerformerCount(), 1);
  StopEffects(&ownerA, true);
  EXPECT_EQ(PerformerCount(), 1);  // kept performers are left to their creator
  EXPECT_TRUE(kept->Active);
  FreePerformer(kept);
  FreePerformer(kept);  // already empty: nothing
  EXPECT_EQ(PerformerCount(), 0);
}

TEST_F(EffectsTest, KeptPerformersStayUntilFreedAndCanRestart) {
  TEmitterRecord rec = Counting();
  rec.Mode = EmitTimed;
  rec.Duration = 0.4f;
  rec.LifetimeBase = 0.2f;
  TPerformer* p = nullptr;
  CreatePerformer(p, nullptr, 5, "G2NoSuchEffect");  // the placeholder
  TPerformer* same = p;
  CreatePerformer(p, nullptr, 5, "G2Other");  // already set: nothing
  EXPECT_EQ(p, same);
  EXPECT_FALSE(p->Active);
  EXPECT_TRUE(p->Kept);
  EXPECT_FLOAT_EQ(p->Area.X, 128);
  EXPECT_FLOAT_EQ(p->Alpha, 1);
  p->Effect = MakeEffect(rec);
  p->SetActive(true);
  Run(20, 0.1f);
  EXPECT_FALSE(p->Active);
  EXPECT_EQ(p->Clusters.GetCount(), 0);
  EXPECT_EQ(PerformerCount(), 1);  // kept: not reclaimed
  p->SetActive(true);
  EffectsUpdateBy(0.05f);
  EXPECT_EQ(p->ParticleCount(), 1);
  FreePerformer(p);
}

TEST_F(EffectsTest, PlaceholderEmitsOneMagentaParticleEveryHalfSecondForever) {
  TPerformer* p = PlayEffect(this, nullptr, 0, {0, 0}, GetEffect("G2Missing"));
  EffectsUpdateBy(0.125f);
  const TParticle* q = FirstParticle(p);
  EXPECT_FLOAT_EQ(q->Size.X, 128);
  EXPECT_FLOAT_EQ(q->Size.Y, 128);
  EXPECT_FLOAT_EQ(q->Color.X, 1);
  EXPECT_FLOAT_EQ(q->Color.Y, 0);
  EXPECT_FLOAT_EQ(q->Color.Z, 1);
  EXPECT_NEAR(q->Alpha, 0.75f, 1e-5f);  // a quarter of its life: three quarters faded in
  EXPECT_EQ(p->Clusters.FirstAs<TCluster>()->Emitter->Texture0Name, "G2Particles");
  EXPECT_EQ(p->Clusters.FirstAs<TCluster>()->Emitter->Segment0, 8);
  // Each lives half a second and one is born every half second; emission never ends. The
  // newborn meets its predecessor only in the step where that one reaches the end of its life.
  const auto counts = Run(100, 0.125f);
  int overlaps = 0;
  for (int32_t n : counts) {
    EXPECT_TRUE(n == 1 || n == 2);
    overlaps += n == 2;
  }
  EXPECT_EQ(overlaps, 25);
  EXPECT_TRUE(p->Active);
}

TEST_F(EffectsTest, PlayWithoutAnEffectDoesNothingAndStartupIsRepeatable) {
  EXPECT_EQ(PlayEffect(this, nullptr, 0, {0, 0}, nullptr), nullptr);
  EXPECT_EQ(PerformerCount(), 0);
  PlayEffect(this, nullptr, 0, {0, 0}, GetEffect("G2Missing"));
  EffectsUpdateBy(0.1f);
  EffectsShutdown();
  EffectsShutdown();  // twice: harmless
  EXPECT_FALSE(EffectsStarted());
  EXPECT_EQ(GetEffect("G2Missing"), nullptr);
  EXPECT_EQ(PlayEffect(this, nullptr, 0, {0, 0}, nullptr), nullptr);
  EffectsUpdateBy(0.1f);
  StopEffects(this, true);
  EffectsStartup();
  EXPECT_EQ(PerformerCount(), 0);
  PlayEffect(this, nullptr, 0, {0, 0}, GetEffect("G2Missing"));
  EffectsUpdateBy(0.1f);
  EXPECT_EQ(LiveParticleCount(), 1);
}

TEST_F(EffectsTest, SameSeedSameParticles) {
  TEmitterRecord rec = Counting();
  rec.PositionMode = PositionArea;
  rec.DirectionMode = DirectionRandom;
  rec.Count = 5;
  auto positions = [&](uint32_t Seed) {
    SeedRandom(Seed);
    TPerformer* p = PlayEffect(this, nullptr, 0, {0, 0}, MakeEffect(rec));
    Run(3, 0.3f);
    std::vector<std::pair<float, float>> at;
    for (TItem* it : FirstCluster(p)->Particles) {
      at.emplace_back(static_cast<TParticle*>(it)->Position.X, static_cast<TParticle*>(it)->Position.Y);
    }
    StopEffects(this, true);
    return at;
  };
  const auto first = positions(77);
  ASSERT_GE(first.size(), 5u) << "the effect made its particles";
  EXPECT_EQ(positions(77), first);
  EXPECT_NE(positions(78), first) << "the positions come from the generator";
}

TEST(EffectAngles, WrapIntoZeroTo360) {
  EXPECT_FLOAT_EQ(WrapDegrees(370), 10);
  EXPECT_FLOAT_EQ(WrapDegrees(-10), 350);
  EXPECT_FLOAT_EQ(WrapDegrees(360), 0);
  EXPECT_FLOAT_EQ(WrapDegrees(-720), 0);
  EXPECT_LT(WrapDegrees(-1e-7f), 360.0f);
}

}  // namespace
}  // namespace tv
