// Whole visits played through action scripts, as the tool's "play" runs them: hidden
// requirements, scenes that cannot be accepted, barters whose rows share props, chains of sites
// entered on their reveal, sites closed before they were ever shown, the moments at which
// transitions call back, and which numbers "enter" and "travel" resolve.
#include <gtest/gtest.h>

#include "ModelFixture.h"
#include "support/TestSupport.h"

namespace tv::test {
namespace {

using TLines = std::vector<std::string>;

class GameVisit : public ModelTest {
 protected:
  int64_t DialogsShown() { return std::count(Play->Gui.Calls.begin(), Play->Gui.Calls.end(), "dialog Scene"); }
  TRegion* RegionAt(int32_t Position) { return Regions()->GetAs<TRegion>(Position); }
};

TEST_F(GameVisit, HiddenRequirementsAreShownOnlyWhileUnmet) {
  TScenarioBuilder b;
  const int32_t gold = b.AddProp("Gold", 0, 0);
  const int32_t r = b.AddRegion("R", 1);
  const int32_t mine = b.AddSite(r, "Mine", 1);
  b.AddScene(mine, 11, SceneKinds::Rewards(1)).Right[0] = {gold, 3};
  const int32_t gate = b.AddSite(r, "Gate", 2);
  b.AddScene(gate, 21, SceneKinds::HiddenRequirements(2)).Left[0] = {gold, 2};  // one slot used
  b.AddScene(gate, 22, SceneKinds::Text);
  const int32_t vault = b.AddSite(r, "Vault", 3);
  b.AddScene(vault, 31, SceneKinds::HiddenRequirements(1)).Left[0] = {gold, 9};
  b.AddScene(vault, 32, SceneKinds::FloatingReward).Right[0] = {gold, 1};
  Load(b);
  Settle();

  // Unmet: the scene is shown, cannot be accepted, and the visit can be declined.
  EXPECT_EQ(Script("enter 1 2\naccept\n"), (TLines{"ok", "ignored: requirements not met"}));
  EXPECT_EQ(Avatar()->State, StatePresenting);
  EXPECT_EQ(Avatar()->Scene->Number, 21);
  EXPECT_EQ(Script("decline"), TLines{"ok"});
  EXPECT_EQ(SiteNumbered(2)->FirstScene()->Count, 0);

  // Met: carried out without being shown; the requirement takes nothing.
  Script("enter 1 1\naccept");
  const int64_t shown = DialogsShown();
  EXPECT_EQ(Script("enter 1 2"), TLines{"ok"});
  EXPECT_EQ(DialogsShown(), shown + 1);
  EXPECT_EQ(Avatar()->Scene->Number, 22);
  EXPECT_EQ(Script("accept"), TLines{"ok"});
  EXPECT_EQ(SiteNumbered(2)->FirstScene()->Count, 1);
  EXPECT_EQ(SiteNumbered(2)->Count, 1);
  EXPECT_EQ(PropNamed("Gold")->Amount, 3);

  // "skip" carries out a requirement that is not met.
  EXPECT_EQ(Script("enter 1 3\nskip\naccept"), (TLines{"ok", "ok", "ok"}));
  EXPECT_EQ(SiteNumbered(3)->Count, 1);
  EXPECT_EQ(PropNamed("Gold")->Amount, 4);
}

TEST_F(GameVisit, ATextStopCanOnlyBeSkippedOrDeclined) {
  TScenarioBuilder b;
  const int32_t r = b.AddRegion("R", 1);
  const int32_t s = b.AddSite(r, "Door", 1);
  b.Site(s).KeepAfterVisit = true;
  b.AddScene(s, 11, SceneKinds::TextStop);
  b.AddScene(s, 12, SceneKinds::Text);
  Load(b);
  Settle();
  EXPECT_EQ(Script("enter 1 1\naccept\naccept 1 2 3"),
            (TLines{"ok", "ignored: the scene cannot be accepted", "ignored: the scene cannot be accepted"}));
  EXPECT_EQ(Avatar()->Scene->Number, 11);
  EXPECT_EQ(Script("decline\nenter 1 1\nskip"), (TLines{"ok", "ok", "ok"}));
  EXPECT_EQ(Avatar()->Scene->Number, 12);
  Script("accept");
  EXPECT_EQ(SiteNumbered(1)->Count, 1);
  EXPECT_EQ(EventLines(), (TLines{"0 1 1 0 0", "2 1 1 0 0", "3 1 1 0 0", "4 1 1 0 0", "2 1 1 0 0", "6 1 1 11 1",
                                  "6 1 1 12 1", "5 1 1 0 0"}));
}

TEST_F(GameVisit, BarterRowsThatShareAPropTradeAsTheDialogShowsThem) {
  TScenarioBuilder b;
  const int32_t gold = b.AddProp("Gold", 0, 5);
  const int32_t fish = b.AddProp("Fish", 4, 0);
  const int32_t salt = b.AddProp("Salt", 4, 0);
  b.AddProp("Lamp", 4, 7);
  const int32_t r = b.AddRegion("R", 1);
  const int32_t s = b.AddSite(r, "Market", 1);
  b.Site(s).KeepAfterVisit = true;
  // Fish bought in the first row pays for the salt of the second.
  TSceneDef& barter = b.AddScene(s, 11, SceneKinds::Barter(3));
  barter.Left = {TSlotDef{gold, 2}, TSlotDef{fish, 1}, TSlotDef{gold, 1}};
  barter.Right = {TSlotDef{fish, 1}, TSlotDef{salt, 3}, TSlotDef{fish, 2}};
  barter.Repeatable = true;
  Load(b);
  Settle();
  PropNamed("Lamp")->AmountBefore = -9;  // left over from some earlier dialog
  // Two quantities given: the third row's is 0. Row 1: 5 gold pays 2 fish (1 gold left); row 2
  // wants 3 salt trades, the 2 fish pay for two.
  EXPECT_EQ(Script("enter 1 1\naccept 2 3"), (TLines{"ok", "ok"}));
  EXPECT_EQ(Avatar()->BarterCounts, (TCounts{2, 2, 0, 0, 0, 0, 0}));
  for (const auto& [name, amount] : {std::pair{"Gold", 1}, {"Fish", 0}, {"Salt", 6}, {"Lamp", 7}}) {
    EXPECT_EQ(PropNamed(name)->Amount, amount) << name;
    EXPECT_EQ(PropNamed(name)->AmountBefore, amount) << name;  // every prop, also those not traded
  }
  const TLines events = EventLines();
  EXPECT_EQ(TLines(events.end() - 4, events.end()), (TLines{"6 1 1 11 1", "7 2 2 0 0", "8 1 1 11 0", "5 1 1 0 0"}));

  // A repeat visit accepted without quantities trades nothing, and says so in its events.
  EXPECT_EQ(Script("enter 1 1\naccept"), (TLines{"ok", "ok"}));
  EXPECT_EQ(Avatar()->BarterCounts, (TCounts{}));
  EXPECT_EQ(PropNamed("Salt")->Amount, 6);
  EXPECT_EQ(EventLines()[events.size() + 2], "7 0 0 0 0");

  Rebuild();
  EXPECT_EQ(PropNamed("Gold")->Amount, 1);
  EXPECT_EQ(PropNamed("Fish")->Amount, 0);
  EXPECT_EQ(PropNamed("Salt")->Amount, 6);
}

TEST_F(GameVisit, AcceptClicksEachRowsTradeButtonAsOftenAsItIsToldWhileTheRowPays) {
  TScenarioBuilder b;
  const int32_t gold = b.AddProp("Gold", 0, 3);
  const int32_t fish = b.AddProp("Fish", 4, 0);
  const int32_t r = b.AddRegion("R", 1);
  const int32_t s = b.AddSite(r, "Market", 1);
  // Row 1 takes 2 gold and gives 3 gold back; row 2 asks no gold for a fish.
  TSceneDef& barter = b.AddScene(s, 11, SceneKinds::Barter(2));
  barter.Left = {TSlotDef{gold, 2}, TSlotDef{gold, 0}};
  barter.Right = {TSlotDef{gold, 3}, TSlotDef{fish, 1}};
  Load(b);
  Settle();
  EXPECT_EQ(Script("enter 1 1\naccept 5 2"), (TLines{"ok", "ok"}));
  // Five clicks on row 1 each pay: 3 -> 4 -> ... -> 8 gold.
  EXPECT_EQ(Avatar()->BarterCounts, (TCounts{5, 2, 0, 0, 0, 0, 0}));
  EXPECT_EQ(PropNamed("Gold")->Amount, 8);
  EXPECT_EQ(PropNamed("Fish")->Amount, 2);
}

TEST_F(GameVisit, EnterOnRevealChainsRunOneAfterTheOther) {
  TScenarioBuilder b;
  const int32_t r = b.AddRegion("R", 1);
  const int32_t first = b.AddSite(r, "First", 1);
  b.AddScene(first, 11, SceneKinds::Text);
  const int32_t second = b.AddSite(r, "Second", 2);
  b.Site(second).EnterOnReveal = true;
  b.Site(second).NeedsVisited[0] = first;
  b.AddScene(second, 21, SceneKinds::None);  // carried out without being shown
  const int32_t third = b.AddSite(r, "Third", 3);
  b.Site(third).EnterOnReveal = true;
  b.Site(third).NeedsVisited[0] = second;
  b.Site(third).RevealTile(20);  // a timed reveal before it is entered
  b.AddScene(third, 31, SceneKinds::Text);
  Load(b);
  Settle();
  Script("enter 1 1");
  const int64_t start = Play->Frames;
  EXPECT_EQ(Script("accept"), TLines{"ok"});
  EXPECT_GE(Play->Frames - start, 54);  // 0.9 s of uncovering tiles
  EXPECT_EQ(Avatar()->State, StatePresenting);
  EXPECT_EQ(Avatar()->Scene->Number, 31);
  const TLines expected = {"0 1 1 0 0", "2 1 1 0 0", "3 1 1 0 0",  "6 1 1 11 1", "5 1 1 0 0", "0 1 2 0 0",
                           "1 1 2 0 0", "3 1 2 0 0", "6 1 2 21 1", "5 1 2 0 0",  "0 1 3 0 0", "1 1 3 0 0"};
  EXPECT_EQ(EventLines(), expected);
  // A game saved now resumes inside the third site.
  Rebuild();
  EXPECT_EQ(Avatar()->State, StateEntering);
  Settle();
  EXPECT_EQ(Avatar()->Scene->Number, 31);
  EXPECT_EQ(EventLines(), expected);
}

TEST_F(GameVisit, ASiteCanCloseBeforeItWasEverRevealed) {
  TScenarioBuilder b;
  const int32_t gold = b.AddProp("Gold", 0, 0);
  const int32_t r = b.AddRegion("R", 1);
  const int32_t offer = b.AddSite(r, "Offer", 1);
  b.Site(offer).Needs[0] = {gold, 1};
  const int32_t chest = b.AddSite(r, "Chest", 2);
  b.Site(offer).DisappearsAfter = chest;
  b.AddScene(offer, 11, SceneKinds::Text);
  b.AddScene(chest, 21, SceneKinds::FloatingReward).Right[0] = {gold, 1};
  Load(b);
  Settle();
  EXPECT_EQ(Script("enter 1 2\naccept\nenter 1 1"), (TLines{"ok", "ok", "ignored: site 1 is not on the map"}));
  // The offer's condition holds now, but closing comes before revealing.
  EXPECT_TRUE(SiteNumbered(1)->Closed);
  EXPECT_FALSE(SiteNumbered(1)->Revealed);
  const TLines events = EventLines();
  EXPECT_EQ(TLines(events.end() - 2, events.end()), (TLines{"5 1 2 0 0", "9 1 1 0 0"}));
}

TEST_F(GameVisit, ArrivalSavesOnlyWhenAVisitLeftASavePending) {
  TTempDir dir;
  const std::string save = dir / "save.dat";
  SetSaveTarget(save);
  TScenarioBuilder b;
  const int32_t home = b.AddRegion("Home", 1);
  const int32_t away = b.AddRegion("Away", 2);
  const int32_t hut = b.AddSite(home, "Hut", 10);
  b.Site(hut).KeepAfterVisit = true;
  b.AddScene(hut, 100, SceneKinds::None).Repeatable = true;
  const int32_t road = b.AddSite(home, "Road", 11);
  b.Site(road).KeepAfterVisit = true;
  b.Site(road).Destination = away;
  b.AddScene(road, 110, SceneKinds::None).Repeatable = true;
  Load(b);
  Settle();
  // A road is no reason to save, nor is travelling.
  EXPECT_EQ(Script("enter 1 11\ntravel 1"), (TLines{"ok", "ok"}));
  EXPECT_EQ(CurrentRegion()->Number, 1);
  EXPECT_FALSE(PathExists(save));
  // A visit without a destination is saved at the next arrival, here by the road.
  Script("enter 1 10");
  EXPECT_TRUE(Avatar()->SavePending);
  EXPECT_FALSE(PathExists(save));
  Script("enter 1 11");
  EXPECT_EQ(CurrentRegion()->Number, 2);
  ASSERT_TRUE(PathExists(save));
  EXPECT_FALSE(Avatar()->SavePending);
  const int32_t recorded = EventCount();
  ASSERT_TRUE(LoadPlayersFrom(save));
  EXPECT_EQ(EventCount(), recorded);  // the arrival saved the game as it stood, road included
}

TEST_F(GameVisit, TransitionsCallBackOnlyOnceTheStepThatOpenedThemHasReturned) {
  TScenarioBuilder b;
  const int32_t home = b.AddRegion("Home", 1);
  const int32_t away = b.AddRegion("Away", 2);
  const int32_t road = b.AddSite(home, "Road", 11);
  b.Site(road).Destination = away;
  b.AddScene(road, 110, SceneKinds::None);
  const int32_t end = b.AddSite(away, "End", 21);
  b.Site(end).Ending = true;
  b.AddScene(end, 210, SceneKinds::None);
  Load(b);
  Settle();

  // Runs frames until a transition is waiting for its callback.
  auto untilTransition = [&] {
    for (int frame = 0; frame < 1000 && !Play->Gui.HasPending(); ++frame) Avatar()->Update(true, HeadlessFrameTime);
    return Play->Gui.HasPending();
  };

  // Travelling: recorded at once, arrived only when the transition calls back.
  Avatar()->TravelTo(RegionAt(2));
  EXPECT_EQ(EventLines().back(), "10 2 0 0 0");
  EXPECT_EQ(CurrentRegion()->Number, 1);
  ASSERT_TRUE(Play->Gui.HasPending());
  Play->Gui.RunPending();
  EXPECT_EQ(CurrentRegion()->Number, 2);
  EXPECT_EQ(Avatar()->State, StateClosing);
  Settle();
  EXPECT_EQ(Script("travel 1"), TLines{"ok"});

  // A site with a destination: completed and idle while the transition runs.
  Play->Perform("enter 1 11");
  ASSERT_TRUE(untilTransition());
  EXPECT_EQ(CurrentRegion()->Number, 1);
  EXPECT_EQ(SiteNumbered(11)->Count, 1);
  EXPECT_EQ(Avatar()->State, StateIdle);
  Play->Gui.RunPending();
  EXPECT_EQ(CurrentRegion()->Number, 2);
  EXPECT_EQ(PreviousRegion()->Number, 1);
  Settle();

  // The ending: the events are gone at once, the new game is built by the callback.
  Play->Perform("enter 2 21");
  ASSERT_TRUE(untilTransition());
  EXPECT_EQ(EventCount(), 0);
  EXPECT_EQ(SiteNumbered(21)->Count, 1);
  EXPECT_EQ(CurrentRegion()->Number, 2);
  Play->Gui.RunPending();
  EXPECT_EQ(SiteNumbered(21)->Count, 0);
  EXPECT_EQ(CurrentRegion()->Number, 1);
  EXPECT_EQ(Avatar()->State, StateClosing);
}

TEST_F(GameVisit, EnterAndTravelResolveTheNumbersTheyAreGiven) {
  // Numbers that repeat: content lint reports them, but "enter" and "travel" still take the
  // site of the current region and the first region, whatever a finder has cached.
  TScenarioBuilder b;
  const int32_t one = b.AddRegion("One", 1);
  const int32_t two = b.AddRegion("Two", 2);
  b.AddRegion("TwoAgain", 2);
  b.AddScene(b.AddSite(one, "Here", 5), 51, SceneKinds::Text);
  b.AddScene(b.AddSite(two, "There", 5), 52, SceneKinds::Text);
  Load(b);
  Settle();
  ASSERT_EQ(FindSite(2, 5)->Name, "There");  // the cache now holds the other site numbered 5
  EXPECT_EQ(Script("enter 1 5"), TLines{"ok"});
  EXPECT_EQ(Avatar()->Site->Name, "Here");
  EXPECT_EQ(Avatar()->Scene->Number, 51);
  EXPECT_EQ(
      Script("decline\nenter 2 5\nenter 1 6\nenter 1\nenter x 5"),
      (TLines{"ok", "ignored: not in region 2", "ignored: no site 6 in region 1",
              "ignored: enter needs a region and a site number", "ignored: enter needs a region and a site number"}));
  const size_t events = EventLines().size();
  EXPECT_EQ(Script("travel 9\ntravel\nfly 2"), (TLines{"ignored: no region 9", "ignored: travel needs a region number",
                                                       "ignored: unknown action \"fly\""}));
  EXPECT_EQ(EventLines().size(), events);
  EXPECT_EQ(Script("travel 2"), TLines{"ok"});
  EXPECT_EQ(CurrentRegion(), RegionAt(2));
  EXPECT_EQ(Script("enter 2 5"), TLines{"ok"});
  EXPECT_EQ(Avatar()->Site->Name, "There");
}

}  // namespace
}  // namespace tv::test
