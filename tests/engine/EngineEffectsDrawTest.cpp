#include <gtest/gtest.h>

#include <algorithm>

#include "engine/EngineEffects.h"
#include "support/VideoTestSupport.h"

namespace tv {
namespace {

// Effects drawn on the memory video device: every particle owns one sprite on the performer's
// canvas, kept in step with the particle and freed with it.
class EffectsDrawTest : public ::testing::Test {
 protected:
  test::TVideoTestEnv Env;

  void SetUp() override {
    SeedRandom(99);
    EffectsStartup();
  }
  void TearDown() override { EffectsShutdown(); }

  static int32_t SpriteCount() { return MainCanvas()->Sprites->GetCount(); }
};

TEST_F(EffectsDrawTest, ParticlesShowAsSpritesOfTheirEmitter) {
  test::WritePacked(Env.Ordinary("G2Particles.tpx"), {test::SolidPicture(64, 64, 0xFFFFFFFF)});
  TEffectFile file;
  file.Offset = {5, 0};
  TEmitterRecord a;
  a.Name = "Plain";
  a.Count = 3;
  a.LifetimeBase = 1;
  a.AlphaBase = 0.5f;
  a.P0 = {10, 20};
  TEmitterRecord b;
  b.Name = "Morph";
  b.ShadingModeName = "Morphing";
  b.Texture0Name = "";
  b.Texture1Name = "G2Particles";
  b.Segment1 = 2;
  b.RandomFlip = 1;
  b.Count = 40;
  b.LifetimeBase = 1;
  file.Emitters = {a, b};
  test::WriteFile(Env.Ordinary("G2Two.emt"), WriteEffectFile(file));

  TPerformer* p = PlayEffect(this, MainCanvas(), 100, {1, 2}, GetEffect("G2Two"));
  EffectsUpdateBy(0.25f);  // one batch, a quarter of its life old: the alpha curve is at 0.75
  ASSERT_EQ(SpriteCount(), 43);
  const TCluster* plain = p->Clusters.GetAs<TCluster>(1);
  for (TItem* it : plain->Particles) {
    const TSprite* s = static_cast<TParticle*>(it)->Sprite;
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->Canvas, MainCanvas());
    EXPECT_EQ(s->Order, 100);
    EXPECT_EQ(s->Mode, 0);
    EXPECT_EQ(s->Textures[0].Texture, LoadTexture("G2Particles"));
    EXPECT_EQ(s->Textures[0].Segment, 8);
    EXPECT_EQ(s->Textures[1].Texture, nullptr);
    EXPECT_FLOAT_EQ(s->Position.X, 16);
    EXPECT_FLOAT_EQ(s->Position.Y, 22);
    EXPECT_FLOAT_EQ(s->Size.X, 128);
    EXPECT_FLOAT_EQ(s->Color.R, 1);
    EXPECT_FLOAT_EQ(s->Color.G, 0);
    EXPECT_NEAR(s->Color.A, 0.5f * 0.75f, 1e-5f);
    EXPECT_NEAR(s->Param, 0.25f, 1e-5f);
    EXPECT_EQ(s->Orientation, 0);
  }
  int flipped = 0;
  for (TItem* it : p->Clusters.GetAs<TCluster>(2)->Particles) {
    const TSprite* s = static_cast<TParticle*>(it)->Sprite;
    EXPECT_EQ(s->Order, 101);  // the second emitter draws over the first
    EXPECT_EQ(s->Mode, FindShadingMode("Morphing"));
    EXPECT_EQ(s->Textures[0].Texture, nullptr);
    EXPECT_EQ(s->Textures[1].Texture, LoadTexture("G2Particles"));
    EXPECT_EQ(s->Textures[1].Segment, 2);
    flipped += s->Orientation == 5;
  }
  EXPECT_GT(flipped, 5);
  EXPECT_LT(flipped, 35);
  EXPECT_TRUE(Env.Warnings().empty());

  // Sprites follow their particles and go with them.
  p->Position = {101, 2};
  EffectsUpdateBy(0.25f);
  EXPECT_FLOAT_EQ(plain->Particles.FirstAs<TParticle>()->Sprite->Position.X, 116);
  StopEffects(this, true);
  EXPECT_EQ(SpriteCount(), 0);
  PlayEffect(this, MainCanvas(), 0, {0, 0}, GetEffect("G2Two"));
  EffectsUpdateBy(0.5f);
  EffectsUpdateBy(0.75f);  // the first batches die, the next are born
  EXPECT_EQ(SpriteCount(), LiveParticleCount());
  EffectsShutdown();
  EXPECT_EQ(SpriteCount(), 0);
}

TEST_F(EffectsDrawTest, MissingTextureWarnsOnceAndEffectsLoadedBeforeVideoGetTexturesLater) {
  // Loaded while no device runs: no textures yet.
  VideoShutdown();
  TEffect* placeholder = GetEffect("G2Missing");
  EXPECT_EQ(placeholder->Emitters.FirstAs<TEmitor>()->Texture0, nullptr);
  VideoStartup();
  PlayEffect(this, MainCanvas(), 0, {0, 0}, placeholder);
  EffectsUpdateBy(0.1f);
  ASSERT_EQ(SpriteCount(), 1);
  const TSprite* s = MainCanvas()->Sprites->FirstAs<TSprite>();
  EXPECT_EQ(s->Textures[0].Texture, LoadTexture("G2Particles"));
  // Simulated without a canvas: no sprites at all.
  TPerformer* undrawn = PlayEffect(this, nullptr, 0, {0, 0}, placeholder);
  EffectsUpdateBy(0.5f);
  EXPECT_EQ(undrawn->ParticleCount(), 2);
  EXPECT_EQ(SpriteCount(), 1);
  // Asked for again and played again: the effect is the one already made, and nothing warns anew.
  EXPECT_EQ(GetEffect("G2Missing"), placeholder);
  PlayEffect(this, MainCanvas(), 0, {0, 0}, GetEffect("G2Missing"));
  EffectsUpdateBy(0.5f);
  const auto warnings = Env.Warnings();
  // (The texture loader may add its own lines about its placeholder picture.)
  ASSERT_GE(warnings.size(), 2u);
  EXPECT_EQ(warnings[0], "Failed to create emiter \"G2Missing\" (Missing file)");
  EXPECT_EQ(warnings[1], "Failed to create texture \"G2Particles\" (Missing file)");
  EXPECT_EQ(std::count(warnings.begin(), warnings.end(), warnings[0]), 1);
  EXPECT_EQ(std::count(warnings.begin(), warnings.end(), warnings[1]), 1);
}

}  // namespace
}  // namespace tv
