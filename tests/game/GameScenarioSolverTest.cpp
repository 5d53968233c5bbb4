// The scenario solver: it finds the way to an ending that the headless game then walks, says so
// when there is none, and plays only as a player can.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "authoring/GameScenarioSolver.h"
#include "authoring/GameScenarioSource.h"
#include "game/DemoStory.h"
#include "game/ModelFixture.h"
#include "support/StorySupport.h"
#include "support/TestSupport.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

class ScenarioSolver : public test::ModelTest {
 protected:
  void LoadSource(const std::string& Source) {
    const TScenarioCompileResult r = CompileScenarioSources({{"s.tvs", Source}});
    ASSERT_TRUE(r.Ok);
    Load(r.Scenario);
  }

  // Walks Actions from a new game; true when the last one completed an ending. Every action must
  // be carried out ("ok").
  bool Walk(const std::vector<std::string>& Actions) {
    NewGame();
    Play.reset();  // the old screens hand the GUI back before the new ones take it
    Play = std::make_unique<THeadlessPlay>();
    EXPECT_TRUE(Play->Settle());
    for (size_t i = 0; i < Actions.size(); ++i) {
      Play->Gui.Calls.clear();
      EXPECT_EQ(Play->Perform(Actions[i]), "ok") << "action " << i + 1 << ": " << Actions[i];
      EXPECT_TRUE(Play->Settle());
      const bool ended =
          std::find(Play->Gui.Calls.begin(), Play->Gui.Calls.end(), "form Menu FadeEnding") != Play->Gui.Calls.end();
      if (ended) return i + 1 == Actions.size();
    }
    return false;
  }
};

TEST_F(ScenarioSolver, FindsTheWayThroughTheDemoStory) {
  const fs::path content = fs::path(TV_SOURCE_DIR) / "content";
  const TScenarioCompileResult story = CompileScenarioSources(test::DemoStorySources());
  ASSERT_TRUE(story.Ok);
  // The texts decide whether a floating text is shown, and so whether it waits for "accept".
  LoadScript(test::ReadFile((content / "Languages/English/T1ScriptScenario.xml").string()), true, false);
  Load(story.Scenario);

  const TSolveResult result = SolveScenario({});
  ASSERT_TRUE(result.Found) << result.Why;
  EXPECT_GT(result.Actions.size(), 50u);
  EXPECT_EQ(std::count(result.Actions.begin(), result.Actions.end(), "skip"), 0);
  ASSERT_TRUE(Walk(result.Actions));
  // The last scenes earned the story's final achievement, and a new game has begun.
  EXPECT_TRUE(HasEarned(Player(), 8018));
  EXPECT_EQ(CurrentRegion()->Number, 3);
}

TEST_F(ScenarioSolver, BuysWhatTheWayNeedsAndReportsAStoryWithoutEnd) {
  // The gate wants three keys; the smith sells one key for two coins, and coins come from work.
  const std::string story = test::KeySmithStory(1, 3);
  LoadSource(story);
  const TSolveResult found = SolveScenario({});
  ASSERT_TRUE(found.Found) << found.Why;
  ASSERT_TRUE(Walk(found.Actions));
  EXPECT_NE(std::find(found.Actions.begin(), found.Actions.end(), "accept 9999 0 0 0 0 0 0"), found.Actions.end());

  TearDown();
  SetUp();
  // Keys cost coins that nothing gives: every state is tried, and none ends the story.
  std::string broke = story;
  const std::string work = "site Work 10 { keep-after-visit; scene 100 Rewards 1 repeatable { gain Coin 1 } }";
  broke.replace(broke.find(work), work.size(), "");
  LoadSource(broke);
  const TSolveResult none = SolveScenario({});
  EXPECT_FALSE(none.Found);
  EXPECT_NE(none.Why.find("no way to an ending exists"), std::string::npos) << none.Why;
  EXPECT_LT(none.States, 100);

  TearDown();
  SetUp();
  // An endless supply: the search gives up at its limit and says so.
  LoadSource(R"(start-region Town
prop Coin
region Town 1 {
  site Work 10 { keep-after-visit; scene 100 Rewards 1 repeatable { gain Coin 1 } }
  site Gate 12 { ending; scene 120 Text stop }
}
)");
  TSolveOptions options;
  options.MaxStates = 50;
  const TSolveResult limited = SolveScenario(options);
  EXPECT_FALSE(limited.Found);
  EXPECT_EQ(limited.Why, "no way to an ending found within 50 states");
}

TEST_F(ScenarioSolver, DeclinesOnlyWhatOffersToDeclineAndTravelsByTheMapButton) {
  // The ending lies on another region, reached through the map once a site unlocks it; the
  // reward scene cannot be declined, the requirement scene can.
  LoadSource(R"(start-region Home
map-region World
prop Pass Item
region Home 1 {
  site Office 10 { special unlock-map; scene 100 Rewards 1 { gain Pass 1 } }
  site Gate 11 { needs-visited Office; keep-after-visit; scene 110 Requirements 1 { need Pass 2 } }
}
region World 2 { site Road 20 { keep-after-visit; destination Far } }
region Far 3 { site End 30 { ending; scene 300 Text } }
)");
  const TSolveResult result = SolveScenario({});
  ASSERT_TRUE(result.Found) << result.Why;
  EXPECT_EQ(result.Actions,
            (std::vector<std::string>{"enter 1 10", "accept", "travel 2", "enter 2 20", "enter 3 30", "accept"}));
  ASSERT_TRUE(Walk(result.Actions));
}

}  // namespace
}  // namespace tv
