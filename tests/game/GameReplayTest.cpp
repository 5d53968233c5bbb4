// The event-sourcing promise: whatever is played, the world rebuilt from the saved events equals
// the world that recorded them. Checked over random scenarios (site numbers unique across each)
// and random action scripts.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "ModelFixture.h"
#include "support/TestSupport.h"

namespace tv::test {
namespace {

int32_t Pick(std::mt19937& Rng, int32_t Lo, int32_t Hi) { return std::uniform_int_distribution<int32_t>(Lo, Hi)(Rng); }
bool Chance(std::mt19937& Rng, int Percent) { return Pick(Rng, 1, 100) <= Percent; }

TScenarioBuilder RandomWorld(std::mt19937& Rng) {
  TScenarioBuilder b;
  const int32_t props = Pick(Rng, 2, 4);
  for (int32_t p = 1; p <= props; ++p) {
    const int32_t kinds[] = {0, 0, 1, 3, 4};
    b.AddProp("P" + std::to_string(p), kinds[Pick(Rng, 0, 4)], Pick(Rng, 0, 4));
  }
  const int32_t groups = Pick(Rng, 0, 2);
  for (int32_t g = 1; g <= groups; ++g) b.Asset(TPoolClass::Group, "G" + std::to_string(g));
  const int32_t music = b.Asset(TPoolClass::Sound, "J1Theme");
  const int32_t achievements = Pick(Rng, 0, 3);
  for (int32_t a = 1; a <= achievements; ++a) {
    const int32_t ref = b.AddAchievement("A" + std::to_string(a), 500 + a, Pick(Rng, 1, 4));
    if (a > 1 && Chance(Rng, 50)) b.Achievement(ref).Parent = Pick(Rng, 1, a - 1);
    if (Chance(Rng, 30)) b.Achievement(ref).Prop = Pick(Rng, 1, props);
    if (Chance(Rng, 30)) b.Achievement(ref).Hidden = true;
    if (a > 1 && Chance(Rng, 30)) b.Achievement(ref).Prerequisite = Pick(Rng, 1, a - 1);
  }
  const int32_t regions = Pick(Rng, 1, 3);
  for (int32_t r = 1; r <= regions; ++r) {
    b.AddRegion("R" + std::to_string(r), r);
    for (int32_t k = 0; k < 3; ++k) {
      TPlotDef plot;
      plot.Group = groups > 0 && Chance(Rng, 70) ? Pick(Rng, 1, groups) : 0;
      plot.Visible = Chance(Rng, 50);
      plot.X = static_cast<float>(k);
      b.Region(r).Plots.push_back(plot);
    }
  }
  b.MapRegion = regions > 1 ? regions : 0;
  bool ending = false;
  for (int32_t r = 1; r <= regions; ++r) {
    const int32_t sites = Pick(Rng, 2, 4);
    std::vector<int32_t> here;
    for (int32_t k = 1; k <= sites; ++k) {
      const int32_t s = b.AddSite(r, "S" + std::to_string(r) + "_" + std::to_string(k), r * 100 + k);
      TSiteDef& site = b.Site(s);
      if (!here.empty() && Chance(Rng, 50))
        site.NeedsVisited[0] = here[static_cast<size_t>(Pick(Rng, 0, static_cast<int32_t>(here.size()) - 1))];
      if (!here.empty() && Chance(Rng, 20)) site.NeedsRevealed = here.back();
      if (Chance(Rng, 25)) site.Needs[0] = {Pick(Rng, 1, props), Pick(Rng, 1, 4)};
      site.KeepAfterVisit = Chance(Rng, 50);
      site.EnterOnReveal = Chance(Rng, 15);
      site.HiddenUntilEntered = Chance(Rng, 15);
      if (Chance(Rng, 30)) site.RevealTile(Pick(Rng, 0, 194));
      if (Chance(Rng, 15)) site.DisappearsAfter = Chance(Rng, 50) || here.empty() ? s : here.front();
      if (regions > 1 && Chance(Rng, 15)) site.Destination = Pick(Rng, 1, regions);
      const int32_t specials[] = {0, 0, 0, 0, 1, 2, 3, 9, 10, 444, 446};
      site.Special = specials[Pick(Rng, 0, 10)];
      if (Chance(Rng, 15)) site.RegionMusic = music;
      if (groups > 0 && Chance(Rng, 20)) site.RevealGroup = Pick(Rng, 1, groups);
      // An ending that is entered on its reveal would end every new game at once.
      if (!ending && r == regions && k == sites && !site.EnterOnReveal && Chance(Rng, 40)) {
        site.Ending = true;
        ending = true;
      }
      const int32_t scenes = Pick(Rng, 0, 4);
      for (int32_t c = 1; c <= scenes; ++c) {
        const int32_t kinds[] = {SceneKinds::None,
                                 SceneKinds::FloatingText,
                                 SceneKinds::Text,
                                 SceneKinds::TextStop,
                                 SceneKinds::HiddenRequirements(1),
                                 SceneKinds::HiddenRequirements(2),
                                 SceneKinds::Requirements(2),
                                 SceneKinds::Requirements(3),
                                 SceneKinds::FloatingLoss,
                                 SceneKinds::Losses(1),
                                 SceneKinds::Losses(3),
                                 SceneKinds::FloatingReward,
                                 SceneKinds::Rewards(1),
                                 SceneKinds::Rewards(3),
                                 SceneKinds::Barter(1),
                                 SceneKinds::Barter(2),
                                 SceneKinds::Barter(4)};
        TSceneDef& scene = b.AddScene(s, s * 10 + c, kinds[Pick(Rng, 0, 16)]);
        scene.Repeatable = Chance(Rng, 30);
        scene.LeavesSite = Chance(Rng, 15);
        scene.Duration = Chance(Rng, 50) ? 0.0f : 0.25f;
        for (int32_t i = 0; i < 7; ++i) {
          if (Chance(Rng, 70)) scene.Left[static_cast<size_t>(i)] = {Pick(Rng, 1, props), Pick(Rng, 1, 3)};
          if (Chance(Rng, 70)) scene.Right[static_cast<size_t>(i)] = {Pick(Rng, 1, props), Pick(Rng, 1, 3)};
        }
        if (achievements > 0 && Chance(Rng, 30)) {
          scene.Achievement = Pick(Rng, 1, achievements);
          scene.AchievementAmount = Pick(Rng, -1, 2);
        }
        if (groups > 0 && Chance(Rng, 20)) scene.Groups[0] = Pick(Rng, 1, groups);
        if (Chance(Rng, 10)) scene.Music = music;
      }
      here.push_back(s);
    }
  }
  return b;
}

class GameReplay : public ModelTest {
 protected:
  // One random action that makes sense in the current state (mostly).
  std::string RandomAction(std::mt19937& Rng) {
    TAvatar* avatar = Avatar();
    if (avatar->State == StatePresenting) {
      const int32_t roll = Pick(Rng, 1, 100);
      if (roll <= 55) {
        std::string line = "accept";
        for (int32_t i = 0; i < Pick(Rng, 0, 7); ++i) line += " " + std::to_string(Pick(Rng, 0, 3));
        return line;
      }
      if (roll <= 75) return "skip";
      return "decline";
    }
    const int32_t roll = Pick(Rng, 1, 100);
    if (roll <= 70 && CurrentRegion() != nullptr) {
      std::vector<TSite*> shown;
      for (TItem* item : *CurrentRegion()->Sites) {
        auto* site = static_cast<TSite*>(item);
        if (site->Revealed && !site->Closed && (site->KeepAfterVisit || site->Count == 0)) shown.push_back(site);
      }
      if (!shown.empty()) {
        TSite* site = shown[static_cast<size_t>(Pick(Rng, 0, static_cast<int32_t>(shown.size()) - 1))];
        return "enter " + std::to_string(CurrentRegion()->Number) + " " + std::to_string(site->Number);
      }
    }
    if (roll <= 85) return "travel " + std::to_string(Pick(Rng, 1, Regions()->GetCount()));
    if (roll <= 90) return "close-inventory";
    if (roll <= 94) return "close-hint";
    if (roll <= 97) return "undo";
    return "newgame";
  }

  // The world without what only the scene screen shows: AmountBefore is the barter dialog's
  // running display of a prop, set when a barter opens and not part of the game's state.
  static std::string WorldState() {
    for (TItem* item : *Props()) static_cast<TProp*>(item)->AmountBefore = 0;
    return ModelStateJson();
  }

  // The live world, then the world rebuilt from the saved file, both at rest.
  // A fresh model with one player "Tester" and no world loaded yet.
  void Restart() {
    Play.reset();
    FreePlayersWithoutSaving();
    DestroyScenario();
    DestroyPool();
    CreatePool();
    CreateScenario();
    AddPlayer("Tester");
  }

  void CheckReplay(const std::string& Script) {
    const std::string live = WorldState();
    TTempDir dir;
    WriteSaveFile(dir / "save.dat");
    FreePlayersWithoutSaving();
    ASSERT_TRUE(LoadPlayersFrom(dir / "save.dat"));
    Rebuild();
    const size_t events = static_cast<size_t>(EventCount());
    ASSERT_TRUE(Play->Settle());
    EXPECT_EQ(static_cast<size_t>(EventCount()), events) << "settling the rebuilt world recorded events\n" << Script;
    ASSERT_EQ(WorldState(), live) << Script;
  }
};

TEST_F(GameReplay, TheRebuiltWorldEqualsTheLiveOne) {
  for (uint32_t seed = 1; seed <= 300; ++seed) {
    std::mt19937 rng(seed);
    Restart();
    Load(RandomWorld(rng));
    Settle();
    std::ostringstream script;
    script << "seed " << seed << ":\n";
    for (int32_t step = 0; step < 60; ++step) {
      const std::string action = RandomAction(rng);
      script << action << "  -> " << Play->Perform(action) << "\n";
      ASSERT_TRUE(Play->Settle()) << script.str();
    }
    CheckReplay(script.str());
    if (HasFatalFailure()) return;
  }
}

// A game saved and loaded part-way plays on exactly as the live game did: the same actions give
// the same log and the same world. This holds the avatar's own state too (inside a site, the
// scene presented, what a decline puts back), which the event list rebuilds only indirectly.
TEST_F(GameReplay, AGameLoadedPartWayPlaysOnLikeTheLiveOne) {
  for (uint32_t seed = 1; seed <= 150; ++seed) {
    std::mt19937 rng(seed * 7919u);
    const TScenarioBuilder world = RandomWorld(rng);
    auto fresh = [&] {
      Restart();
      Load(world);
      Settle();
    };
    fresh();
    std::vector<std::string> actions;
    std::vector<std::string> liveLog;
    for (int32_t step = 0; step < 40; ++step) {
      actions.push_back(RandomAction(rng));
      liveLog.push_back(Play->Perform(actions.back()));
      ASSERT_TRUE(Play->Settle());
    }
    const std::string live = WorldState();

    const size_t cut = static_cast<size_t>(Pick(rng, 0, 39));
    std::ostringstream script;
    script << "seed " << seed << ", loaded after " << cut << " actions:\n";
    fresh();
    for (size_t i = 0; i < actions.size(); ++i) {
      if (i == cut) {
        TTempDir dir;
        WriteSaveFile(dir / "save.dat");
        FreePlayersWithoutSaving();
        ASSERT_TRUE(LoadPlayersFrom(dir / "save.dat"));
        Rebuild();
        ASSERT_TRUE(Play->Settle());
        script << "-- saved and loaded --\n";
      }
      const std::string entry = Play->Perform(actions[i]);
      script << actions[i] << "  -> " << entry << " (live: " << liveLog[i] << ")\n";
      ASSERT_TRUE(Play->Settle()) << script.str();
      ASSERT_EQ(entry, liveLog[i]) << script.str();
    }
    ASSERT_EQ(WorldState(), live) << script.str();
  }
}

}  // namespace
}  // namespace tv::test
