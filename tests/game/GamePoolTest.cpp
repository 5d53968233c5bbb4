#include <gtest/gtest.h>

#include "ModelFixture.h"
#include "app/AppMain.h"

namespace tv::test {
namespace {

class GamePool : public ModelTest {
 protected:
  void TearDown() override {
    SetPoolLoaders({});
    ModelTest::TearDown();
  }
};

TEST_F(GamePool, NamesDecideEnvironmentSoundsAndEffectFigures) {
  TScenarioBuilder b;
  b.AddRegion("R", 1);
  for (const char* name : {"K1Wind", "G8Bell", "k1Lower", ""}) b.Asset(TPoolClass::Sound, name);
  for (const char* name : {"G7Smoke", "G2Tree", "7", "A7"}) b.Asset(TPoolClass::Figure, name);
  Load(b);
  std::vector<bool> environment;
  for (TItem* item : *Sounds()) environment.push_back(static_cast<TSound*>(item)->IsEnvironment);
  EXPECT_EQ(environment, (std::vector<bool>{true, false, false, false}));
  std::vector<bool> effects;
  for (TItem* item : *Figures()) effects.push_back(static_cast<TFigure*>(item)->IsEffect);
  EXPECT_EQ(effects, (std::vector<bool>{true, false, false, true}));
  EXPECT_EQ(Sounds()->GetAs<TSound>(1)->Group(), 1);
  EXPECT_EQ(Sounds()->GetAs<TSound>(2)->Group(), 0);
}

TEST_F(GamePool, TerrainKeysComeFromFourCharacters) {
  EXPECT_EQ(TerrainOrderKey("K1Grass"), ('G' << 21) + ('r' << 14) + ('s' << 7) + 's');
  // Names sharing their third, fourth and last two characters share the key.
  EXPECT_EQ(TerrainOrderKey("K1Gr-xyz-ss"), TerrainOrderKey("K1Grass"));
  EXPECT_NE(TerrainOrderKey("K1Grasx"), TerrainOrderKey("K1Grass"));
  EXPECT_EQ(TerrainOrderKey("abc"), ('c' << 21) + ('b' << 7) + 'c');
  EXPECT_EQ(TerrainOrderKey(""), 0);
  TTerrain terrain("K1Grass");
  terrain.Load();
  EXPECT_TRUE(terrain.Loaded);
  EXPECT_EQ(terrain.OrderKey, TerrainOrderKey("K1Grass"));
}

TEST_F(GamePool, AssetsLoadThroughTheEngineLoaders) {
  std::vector<std::string> asked;
  auto* fakeTexture = reinterpret_cast<TTexture*>(0x10);
  auto* fakeEffect = reinterpret_cast<TEffect*>(0x20);
  TPoolLoaders loaders;
  loaders.LoadTexture = [&](const std::string& Name) {
    asked.push_back("texture " + Name);
    TTextureFacts facts;
    facts.Texture = fakeTexture;
    facts.FrameCount = Name == "K2Sea" ? 4 : 1;
    facts.AnimationLength = 2;
    facts.Width = 64;
    facts.Height = 32;
    return facts;
  };
  loaders.LoadEffect = [&](const std::string& Name) {
    asked.push_back("effect " + Name);
    return TEffectFacts{fakeEffect, 10, 20};
  };
  std::vector<float> phases;
  loaders.ShowPhase = [&](TTexture*, float Phase) { phases.push_back(Phase); };
  SetPoolLoaders(loaders);

  TFigure tree("G2Tree");
  tree.Attached();
  tree.Load();
  EXPECT_EQ(tree.Texture, fakeTexture);
  EXPECT_EQ(tree.Width, 64);
  EXPECT_FALSE(tree.Animated);
  TFigure fire("G7Fire");
  fire.Attached();
  fire.Load();
  EXPECT_EQ(fire.Effect, fakeEffect);
  EXPECT_EQ(fire.Height, 20);
  TEffector glow("G2Glow");
  glow.Load();
  EXPECT_EQ(glow.Effect, fakeEffect);
  EXPECT_EQ(asked, (std::vector<std::string>{"texture G2Tree", "effect G7Fire", "effect G2Glow"}));

  // Waters: one with four frames animates, a still one never does.
  auto* sea = new TWater("K2Sea");
  auto* pond = new TWater("K2Pond");
  Waters()->Insert(sea, false);
  Waters()->Insert(pond, false);
  sea->Load();
  pond->Load();
  EXPECT_TRUE(sea->Animated);
  EXPECT_FALSE(pond->Animated);
  EXPECT_FLOAT_EQ(sea->Period, 2);
  EXPECT_FLOAT_EQ(sea->Factor, 0.5f);
  EXPECT_FLOAT_EQ(pond->Factor, 0.5f);
  AdvanceFrameNumber();
  UpdateWaters(0.5f);
  UpdateWaters(0.5f);  // same frame: no second step
  EXPECT_FLOAT_EQ(sea->Phase, 0.25f);
  AdvanceFrameNumber();
  UpdateWaters(1.75f);
  EXPECT_FLOAT_EQ(sea->Phase, 0.125f);  // 0.25 + 0.875, wrapped
  EXPECT_EQ(pond->Phase, 0);
  EXPECT_EQ(phases, (std::vector<float>{0.25f, 0.125f}));
}

TEST_F(GamePool, RegionPreloadLoadsWhatTheRegionShows) {
  TScenarioBuilder b;
  const int32_t r = b.AddRegion("R", 1);
  b.Region(r).Picture = b.Asset(TPoolClass::Picture, "G2Map");
  TPlotDef plot;
  plot.Sound = b.Asset(TPoolClass::Sound, "K1Birds");
  b.Region(r).Plots = {plot};
  const int32_t s = b.AddSite(r, "S", 1);
  b.AddScene(s, 11, SceneKinds::None).Effector = b.Asset(TPoolClass::Effector, "G2Spark");
  Load(b);
  Regions()->GetAs<TRegion>(1)->Preload();
  EXPECT_TRUE(Pictures()->GetAs<TPicture>(1)->Loaded);
  EXPECT_TRUE(Sounds()->GetAs<TSound>(1)->Loaded);
  EXPECT_TRUE(Effectors()->GetAs<TEffector>(1)->Loaded);
}

}  // namespace
}  // namespace tv::test
