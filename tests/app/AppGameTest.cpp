#include <gtest/gtest.h>

#include <memory>

#include "app/AppGame.h"
#include "app/AppMain.h"
#include "base/AppFolders.h"
#include "engine/EngineEffects.h"
#include "game/GamePool.h"
#include "support/TestSupport.h"

namespace tv {
namespace {

using test::TScopedEnv;
using test::TTempDir;

// Effectors and effect figures of the asset pool load through the particle module.
TEST(AppGamePool, EffectAssetsLoadTheirEffectAndFiguresTakeItsArea) {
  TTempDir dir;
  TScopedEnv xdg("XDG_DATA_HOME", (dir / "data").c_str());
  test::MakeDirs(dir / "Ordinary");
  TEffectFile file = PlaceholderEffectFile();
  file.Area = {300.4f, 199.6f};
  test::WriteFile(dir / "Ordinary/F7Glow.emt", WriteEffectFile(file));
  InitFoldersFrom(dir / "tolvaren");
  EffectsStartup();
  CreatePool();

  // Another module's loader stays in place.
  TTexture* const fakeTexture = reinterpret_cast<TTexture*>(&file);
  TPoolLoaders others;
  others.LoadTexture = [fakeTexture](const std::string&) {
    TTextureFacts facts;
    facts.Texture = fakeTexture;
    facts.Width = 7;
    return facts;
  };
  SetPoolLoaders(others);
  InstallPoolEffectLoader();

  auto* glow = static_cast<TFigure*>(Figures()->Insert(std::make_unique<TFigure>("F7Glow").release(), true));
  auto* tree = static_cast<TFigure*>(Figures()->Insert(std::make_unique<TFigure>("F2Tree").release(), true));
  auto* spark = static_cast<TEffector*>(Effectors()->Insert(std::make_unique<TEffector>("E1Spark").release(), true));
  glow->Load();
  tree->Load();
  spark->Load();
  EXPECT_TRUE(glow->Loaded);
  EXPECT_TRUE(glow->IsEffect);
  EXPECT_EQ(glow->Effect, GetEffect("F7Glow"));
  EXPECT_EQ(glow->Width, 300);
  EXPECT_EQ(glow->Height, 200);
  EXPECT_FALSE(tree->IsEffect);
  EXPECT_EQ(tree->Texture, fakeTexture);
  EXPECT_EQ(tree->Width, 7);
  // A missing effect file: the placeholder, found again by name.
  ASSERT_NE(spark->Effect, nullptr);
  EXPECT_EQ(spark->Effect, GetEffect("E1Spark"));
  EXPECT_FLOAT_EQ(spark->Effect->Area.X, 128);
  EXPECT_EQ(GetLogMessages().back(), "Failed to create emiter \"E1Spark\" (Missing file)");

  // Without the particle module an asset still loads, with nothing attached.
  EffectsShutdown();
  auto* late = static_cast<TEffector*>(Effectors()->Insert(std::make_unique<TEffector>("E1Late").release(), true));
  late->Load();
  EXPECT_TRUE(late->Loaded);
  EXPECT_EQ(late->Effect, nullptr);

  SetPoolLoaders({});
  DestroyPool();
  DoneFolders();
}

}  // namespace
}  // namespace tv
