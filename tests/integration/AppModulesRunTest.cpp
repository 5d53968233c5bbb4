// The program's module table started and stopped several times in one process, with the real
// window, audio, video and the bundled data: every start installs the hooks the engine and the
// pool need, and every stop leaves none of them behind.
#include <gtest/gtest.h>

#include <string>

#include "app/AppGame.h"
#include "app/AppMain.h"
#include "base/AppFolders.h"
#include "base/AppModules.h"
#include "engine/EngineEffects.h"
#include "engine/EngineGui.h"
#include "engine/EngineScript.h"
#include "engine/EngineVideo.h"
#include "game/GamePool.h"
#include "support/TestSupport.h"

namespace tv {
namespace {

// What the engine's modules install at start-up and take away at shutdown: the folders, the
// hooks, the pool's effect loader, the effects and the picture cache.
void ExpectEngineInstalled(bool Installed) {
  EXPECT_EQ(FoldersReady(), Installed);
  EXPECT_EQ(HasDefaultTextsHook(), Installed);
  EXPECT_EQ(HasDisplayHooks(), Installed);
  EXPECT_EQ(static_cast<bool>(GetPoolLoaders().LoadEffect), Installed);
  EXPECT_EQ(EffectsStarted(), Installed);
  EXPECT_EQ(Pictures() != nullptr, Installed);
}

TEST(GameModulesTest, StartAndStopThreeTimesLeaveNoHookInstalled) {
  test::TTempDir dir;
  test::TScopedEnv home("XDG_DATA_HOME", dir.Path().c_str());
  test::TScopedEnv desktop("TOLVAREN_DESKTOP", "1280x720");
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    TModuleTable table = GameModules();
    ASSERT_FALSE(table.empty());
    ASSERT_EQ(table.front().Name, "Folders");
    // The game model and then the screens come after the engine's modules.
    ASSERT_GE(table.size(), 3u);
    EXPECT_EQ(table[table.size() - 3].Name, "Effects");
    EXPECT_EQ(table[table.size() - 2].Name, "Game");
    EXPECT_EQ(table.back().Name, "Gui");
    // The test binary is not the program: its data folders are the built program's.
    table.front().StartUp = [] { InitFoldersFrom(TV_BIN_DIR "/tolvaren"); };
    {
      TStartedModules modules;
      modules.Start(std::move(table));
      ExpectEngineInstalled(true);
      EXPECT_NE(FindDialog("Options"), nullptr);
      EXPECT_FALSE(GetText("Copyright").empty());
      int32_t width = 0;
      int32_t height = 0;
      DisplayClientSize(width, height);
      EXPECT_GT(width, 0);
      EXPECT_GT(height, 0);
      modules.Stop();
    }
    ExpectEngineInstalled(false);
    EXPECT_FALSE(GuiStarted());
    EXPECT_EQ(GetVideoOptions().Width, 0);
    EXPECT_EQ(GetText("Copyright"), "");
  }
  // Back to the hooks every test binary runs with.
  InstallEngineHooks();
}

}  // namespace
}  // namespace tv
