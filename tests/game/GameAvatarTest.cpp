#include <gtest/gtest.h>

#include <algorithm>

#include "ModelFixture.h"
#include "support/TestSupport.h"

namespace tv::test {
namespace {

using TLines = std::vector<std::string>;

class GameAvatar : public ModelTest {
 protected:
  // Region 1 "Village": the Gate (a text and a reward of 5 gold) and the Inn, revealed once the
  // Gate has been completed (a requirement of 3 gold, then a barter).
  TScenarioBuilder Village() {
    TScenarioBuilder b;
    Gold = b.AddProp("Gold", 0, 0);
    Bread = b.AddProp("Bread", 4, 0);
    Region = b.AddRegion("Village", 1);
    Gate = b.AddSite(Region, "Gate", 11);
    b.AddScene(Gate, 111, SceneKinds::Text);
    b.AddScene(Gate, 112, SceneKinds::Rewards(1)).Right[0] = {Gold, 5};
    Inn = b.AddSite(Region, "Inn", 12);
    b.Site(Inn).NeedsVisited[0] = Gate;
    b.Site(Inn).KeepAfterVisit = true;
    b.AddScene(Inn, 121, SceneKinds::Requirements(1)).Left[0] = {Gold, 3};
    TSceneDef& barter = b.AddScene(Inn, 122, SceneKinds::Barter(2));
    barter.Left = {TSlotDef{Gold, 2}, TSlotDef{Gold, 1}};
    barter.Right = {TSlotDef{Bread, 1}, TSlotDef{Bread, 3}};
    barter.Repeatable = true;
    return b;
  }
  int32_t Gold = 0, Bread = 0, Region = 0, Gate = 0, Inn = 0;
};

TEST_F(GameAvatar, AFirstVisitPlaysEveryScene) {
  Load(Village());
  Settle();
  EXPECT_EQ(Avatar()->State, StateIdle);
  EXPECT_EQ(EventLines(), (TLines{"0 1 11 0 0"}));
  EXPECT_TRUE(SiteNumbered(11)->Revealed);
  EXPECT_FALSE(SiteNumbered(12)->Revealed);

  const size_t before = Play->Gui.Calls.size();
  EXPECT_EQ(Act("enter 1 11"), "ok");
  EXPECT_EQ(Avatar()->State, StatePresenting);
  EXPECT_EQ(Avatar()->Scene->Number, 111);
  EXPECT_EQ(Play->Gui.Calls.back(), "dialog Scene");
  EXPECT_EQ(Act("accept"), "ok");
  EXPECT_EQ(Avatar()->Scene->Number, 112);
  EXPECT_EQ(Act("accept"), "ok");
  EXPECT_EQ(Avatar()->State, StateIdle);
  // Every call the visit made to the screens, in order: one dialog a scene, nothing else.
  EXPECT_EQ(
      std::vector<std::string>(Play->Gui.Calls.begin() + static_cast<std::ptrdiff_t>(before), Play->Gui.Calls.end()),
      (std::vector<std::string>{"dialog Scene", "dialog Scene"}));
  EXPECT_EQ(PropNamed("Gold")->Amount, 5);
  EXPECT_EQ(SiteNumbered(11)->Count, 1);
  EXPECT_TRUE(SiteNumbered(11)->Entered);
  EXPECT_TRUE(SiteNumbered(12)->Revealed);  // its condition now holds
  EXPECT_EQ(EventLines(), (TLines{"0 1 11 0 0", "2 1 11 0 0", "3 1 11 0 0", "6 1 11 111 1", "6 1 11 112 1",
                                  "5 1 11 0 0", "0 1 12 0 0"}));
  // Completed without KeepAfterVisit: no longer on the map.
  EXPECT_EQ(Act("enter 1 11"), "ignored: site 11 is not on the map");
}

TEST_F(GameAvatar, RequirementsBarterAndARepeatVisit) {
  Load(Village());
  Settle();
  Act("enter 1 11");
  Act("accept");
  Act("accept");
  Act("enter 1 12");
  PropNamed("Gold")->Amount = 2;
  EXPECT_EQ(Act("accept"), "ignored: requirements not met");
  EXPECT_EQ(Act("skip"), "ok");  // carried out whatever the requirements
  PropNamed("Gold")->Amount = 5;
  EXPECT_EQ(Avatar()->Scene->Number, 122);
  // Row 1 wants 2 trades of 2 gold, row 2 wants 4 trades of 1 gold: 5 gold pays 2 + 1.
  EXPECT_EQ(Act("accept 2 4"), "ok");
  EXPECT_EQ(Avatar()->BarterCounts, (TCounts{2, 1, 0, 0, 0, 0, 0}));
  EXPECT_EQ(PropNamed("Gold")->Amount, 0);
  EXPECT_EQ(PropNamed("Bread")->Amount, 5);
  const TLines events = EventLines();
  ASSERT_GE(events.size(), 4u);
  EXPECT_EQ(TLines(events.end() - 4, events.end()),
            (TLines{"6 1 12 122 1", "7 2 1 0 0", "8 1 12 122 0", "5 1 12 0 0"}));

  // Second visit: the requirement is passed (performed, not repeatable), the barter repeats.
  const size_t before = EventLines().size();
  EXPECT_EQ(Act("enter 1 12"), "ok");
  EXPECT_EQ(Avatar()->Scene->Number, 122);
  EXPECT_EQ(SiteNumbered(12)->FirstScene()->Count, 2);  // counted as passed, no event
  EXPECT_EQ(EventLines().size(), before + 1);
  // Declining a repeat visit leaves no event at all.
  EXPECT_EQ(Act("decline"), "ok");
  EXPECT_EQ(EventLines().size(), before);
  EXPECT_EQ(Avatar()->State, StateIdle);
}

TEST_F(GameAvatar, DecliningAFirstVisitLeavesThreeEvents) {
  Load(Village());
  Settle();
  Act("enter 1 11");
  EXPECT_EQ(Act("decline"), "ok");
  EXPECT_EQ(EventLines(), (TLines{"0 1 11 0 0", "2 1 11 0 0", "3 1 11 0 0", "4 1 11 0 0"}));
  EXPECT_TRUE(SiteNumbered(11)->Entered);
  EXPECT_EQ(SiteNumbered(11)->Count, 0);
  EXPECT_EQ(Act("decline"), "ignored: no scene is presented");
  EXPECT_EQ(Act("accept"), "ignored: no scene is presented");
}

TEST_F(GameAvatar, AScenethatLeavesTheSiteResumesOnTheNextVisit) {
  TScenarioBuilder b;
  const int32_t r = b.AddRegion("R", 1);
  const int32_t s = b.AddSite(r, "Cave", 5);
  b.AddScene(s, 51, SceneKinds::Text).LeavesSite = true;
  b.AddScene(s, 52, SceneKinds::Text);
  Load(b);
  Settle();
  Act("enter 1 5");
  Act("accept");
  EXPECT_EQ(Avatar()->State, StateIdle);
  EXPECT_EQ(SiteNumbered(5)->Count, 0);
  EXPECT_EQ(EventLines().back(), "4 1 5 0 0");
  Act("enter 1 5");
  EXPECT_EQ(Avatar()->Scene->Number, 52);
  Act("accept");
  EXPECT_EQ(SiteNumbered(5)->Count, 1);
}

TEST_F(GameAvatar, RevealTimingDependsOnTheTiles) {
  TScenarioBuilder b;
  const int32_t r = b.AddRegion("R", 1);
  b.AddSite(r, "Quick", 1);
  const int32_t tiled = b.AddSite(r, "Tiled", 2);
  b.Site(tiled).RevealTile(14);
  const int32_t hidden = b.AddSite(r, "Hidden", 3);
  b.Site(hidden).HiddenUntilEntered = true;
  Load(b);
  Settle();
  // Closing (1 frame), then each timed reveal starts in one frame and runs its length: 0.3 s for
  // the quick one, 0.9 s for the one with tiles; the hidden site is revealed at once; then one
  // frame finds nothing more and one checks achievements.
  EXPECT_NEAR(static_cast<double>(Play->Frames), 1 + (1 + 18) + (1 + 54) + 1 + 1 + 1, 2);
  EXPECT_TRUE(SiteNumbered(3)->Revealed);
  EXPECT_TRUE(SiteNumbered(2)->RevealsTile(14));
  EXPECT_FALSE(SiteNumbered(2)->RevealsTile(15));
  EXPECT_EQ(EventLines(), (TLines{"0 1 1 0 0", "0 1 2 0 0", "0 1 3 0 0"}));
}

TEST_F(GameAvatar, EnterOnRevealChainsAndClosingSites) {
  TScenarioBuilder b;
  const int32_t r = b.AddRegion("R", 1);
  const int32_t start = b.AddSite(r, "Start", 1);
  b.Site(start).DisappearsAfter = start;  // closes after its first completion
  b.Site(start).KeepAfterVisit = true;
  b.AddScene(start, 11, SceneKinds::None);
  const int32_t trap = b.AddSite(r, "Trap", 2);
  b.Site(trap).NeedsVisited[0] = start;
  b.Site(trap).EnterOnReveal = true;
  b.AddScene(trap, 21, SceneKinds::Text);
  Load(b);
  Settle();
  EXPECT_EQ(Act("enter 1 1"), "ok");
  // Completing Start closes it, reveals the Trap at once (no tiles) and takes the hero in.
  EXPECT_EQ(Avatar()->State, StatePresenting);
  EXPECT_EQ(Avatar()->Scene->Number, 21);
  EXPECT_TRUE(SiteNumbered(1)->Closed);
  EXPECT_EQ(EventLines(), (TLines{"0 1 1 0 0", "2 1 1 0 0", "3 1 1 0 0", "6 1 1 11 1", "5 1 1 0 0", "9 1 1 0 0",
                                  "0 1 2 0 0", "1 1 2 0 0"}));
  EXPECT_EQ(Act("enter 1 1"), "ignored: the avatar is busy");
  Act("accept");
  EXPECT_EQ(Act("enter 1 1"), "ignored: site 1 is not on the map");
}

TEST_F(GameAvatar, TravelRecordsTheChangeAndArrivalSavesAPendingVisit) {
  TTempDir dir;
  SetSaveTarget(dir / "save.dat");
  TScenarioBuilder b;
  const int32_t home = b.AddRegion("Home", 1);
  const int32_t away = b.AddRegion("Away", 2);
  b.AddSite(home, "Hut", 10);
  b.AddScene(1, 100, SceneKinds::None);
  const int32_t road = b.AddSite(home, "Road", 11);
  b.Site(road).Destination = away;
  b.Site(road).NeedsVisited[0] = 1;
  b.AddScene(road, 110, SceneKinds::None);
  b.MapRegion = away;
  Load(b);
  Settle();
  EXPECT_EQ(Act("travel 1"), "ignored: already in region 1");
  EXPECT_EQ(Act("travel 7"), "ignored: no region 7");
  EXPECT_EQ(Act("enter 1 10"), "ok");  // a visit without destination: a save is pending
  EXPECT_FALSE(PathExists(dir / "save.dat"));
  EXPECT_EQ(Act("travel 2"), "ok");
  EXPECT_EQ(CurrentRegion()->Number, 2);
  EXPECT_EQ(PreviousRegion()->Number, 1);
  EXPECT_EQ(EventLines().back(), "10 2 0 0 0");
  EXPECT_TRUE(PathExists(dir / "save.dat"));
  EXPECT_FALSE(Avatar()->SavePending);
  // Back home, then the road: completing it takes the hero away without a RegionChanged event.
  EXPECT_EQ(Act("travel 1"), "ok");
  EXPECT_EQ(Act("enter 1 11"), "ok");
  EXPECT_EQ(CurrentRegion()->Number, 2);
  EXPECT_EQ(EventLines().back(), "5 1 11 0 0");
  EXPECT_NE(std::find(Play->Gui.Calls.begin(), Play->Gui.Calls.end(), "form Play Fade"), Play->Gui.Calls.end());
}

TEST_F(GameAvatar, TravelToTheCurrentRegionOrWhileBusyRecordsNothing) {
  Load(Village());
  TRegion* village = Regions()->GetAs<TRegion>(1);
  Avatar()->TravelTo(village);  // state 1: busy
  Settle();
  const std::vector<std::string> calls = Play->Gui.Calls;
  Avatar()->TravelTo(village);
  Avatar()->TravelTo(nullptr);
  EXPECT_EQ(EventLines(), (TLines{"0 1 11 0 0"}));
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "form Play Fade"), 0) << "no travel while busy";
  EXPECT_EQ(Play->Gui.Calls, calls) << "no call to the screens at all";
}

TEST_F(GameAvatar, SpecialCodesActOnTheFirstCompletionOnly) {
  TScenarioBuilder b;
  const int32_t r = b.AddRegion("R", 1);
  const int32_t s = b.AddSite(r, "Shrine", 1);
  b.Site(s).Special = SpecialUnlockInventory;
  b.Site(s).KeepAfterVisit = true;
  b.AddScene(s, 11, SceneKinds::None).Repeatable = true;
  const int32_t t = b.AddSite(r, "Tower", 2);
  b.Site(t).Special = SpecialPointerOff;
  b.AddScene(t, 21, SceneKinds::None);
  Load(b);
  Settle();
  Act("enter 1 1");
  EXPECT_TRUE(IsUnlocked(Buttons::Inventory));
  EXPECT_EQ(GetPointer(), Pointers::InventoryIcon);
  TLines events = EventLines();
  EXPECT_EQ(TLines(events.end() - 2, events.end()), (TLines{"11 0 0 0 2", "12 0 0 0 2"}));
  EXPECT_EQ(Act("close-hint"), "ignored: the pointer is not at the hint");
  EXPECT_EQ(Act("close-inventory"), "ok");
  EXPECT_EQ(GetPointer(), Pointers::Sites);
  EXPECT_EQ(EventLines().back(), "12 0 0 0 9");
  Act("enter 1 1");  // second completion: no unlock, no pointer change
  EXPECT_EQ(EventLines().back(), "5 1 1 0 0");
  Act("enter 1 2");
  EXPECT_EQ(GetPointer(), Pointers::Nothing);
  EXPECT_EQ(EventLines().back(), "12 0 0 0 0");
}

TEST_F(GameAvatar, UsingTheMapButtonTurnsItsArrowToTheSites) {
  // The arrow that a map unlock points at the map button would keep every site disabled, the
  // world map's too; the first travel through the button moves it on to the sites.
  TScenarioBuilder b;
  const int32_t home = b.AddRegion("Home", 1);
  const int32_t world = b.AddRegion("World", 2);
  b.StartRegion = home;
  b.MapRegion = world;
  const int32_t office = b.AddSite(home, "Office", 10);
  b.Site(office).Special = SpecialUnlockMap;
  b.AddScene(office, 100, SceneKinds::Text);
  b.Site(b.AddSite(world, "Road", 20)).KeepAfterVisit = true;
  Load(b);
  Settle();
  EXPECT_EQ(Act("enter 1 10"), "ok");
  EXPECT_EQ(Act("accept"), "ok");
  EXPECT_EQ(GetPointer(), Pointers::MapIcon);
  EXPECT_EQ(Act("travel 2"), "ok");
  EXPECT_EQ(GetPointer(), Pointers::Sites);
  const TLines events = EventLines();
  const TLines travel{"10 2 0 0 0", "12 0 0 0 9"};
  EXPECT_NE(std::search(events.begin(), events.end(), travel.begin(), travel.end()), events.end())
      << "the pointer moves right after the travel is recorded";
  // The replayed game agrees, and travelling on changes the pointer no more.
  Rebuild();
  Settle();
  EXPECT_EQ(GetPointer(), Pointers::Sites);
  EXPECT_EQ(Act("travel 1"), "ok");
  EXPECT_EQ(EventLines().back(), "10 1 0 0 0");
}

TEST_F(GameAvatar, ZeroDurationHalvesTakeOneFrameEach) {
  TScenarioBuilder b;
  const int32_t r = b.AddRegion("R", 1);
  const int32_t s = b.AddSite(r, "S", 1);
  b.AddScene(s, 11, SceneKinds::Text).Duration = 0;
  b.AddScene(s, 12, SceneKinds::Text).Duration = 3;
  Load(b);
  Settle();
  Act("enter 1 1");
  const int64_t start = Play->Frames;
  Act("accept");
  // Executing, first half, second half, next scene.
  EXPECT_EQ(Play->Frames - start, 4);
  const int64_t second = Play->Frames;
  Act("accept");
  // Executing, about 60 frames for 1 s, about 120 for 2 s, the next scene, then closing,
  // revealing and achievements.
  EXPECT_NEAR(static_cast<double>(Play->Frames - second), 1 + 60 + 120 + 1 + 3, 3);
}

TEST_F(GameAvatar, ScenesWithExecutionEffectsTellThePlayScreen) {
  TScenarioBuilder b;
  const int32_t r = b.AddRegion("R", 1);
  const int32_t s = b.AddSite(r, "S", 1);
  b.AddScene(s, 11, SceneKinds::None).ExecutionValue = 3;
  b.AddScene(s, 12, SceneKinds::None);
  Load(b);
  Settle();
  Act("enter 1 1");
  EXPECT_EQ(std::count(Play->Gui.Calls.begin(), Play->Gui.Calls.end(), "command Play PlaySceneExecutionEffects"), 1);
}

TEST_F(GameAvatar, AchievementsAreAnnouncedOneAfterTheOtherInScenarioOrder) {
  TScenarioBuilder b;
  const int32_t r = b.AddRegion("R", 1);
  const int32_t s = b.AddSite(r, "S", 1);
  const int32_t second = b.AddAchievement("Second", 2, 1);
  const int32_t first = b.AddAchievement("First", 1, 1);
  TSceneDef& scene = b.AddScene(s, 11, SceneKinds::None);
  scene.Achievement = first;
  scene.AchievementAmount = 1;
  b.Achievement(first).Parent = second;
  Load(b);
  Settle();
  Act("enter 1 1");
  EXPECT_EQ(CurrentPlayer()->Earned, (std::vector<int32_t>{2, 1}));
  EXPECT_EQ(std::count(Play->Gui.Calls.begin(), Play->Gui.Calls.end(), "dialog Achievement"), 2);
  // Earned by the player: a new game does not announce them again, though they are reached.
  Act("newgame");
  Act("enter 1 1");
  EXPECT_EQ(CurrentPlayer()->Earned, (std::vector<int32_t>{2, 1}));
  EXPECT_TRUE(Achievements()->GetAs<TAchievement>(1)->IsReached());
}

TEST_F(GameAvatar, TheEndingKeepsItsAchievementsAndRecordsNothingIntoTheNewGame) {
  TScenarioBuilder b;
  const int32_t r = b.AddRegion("R", 1);
  const int32_t start = b.AddSite(r, "Start", 1);
  b.AddScene(start, 11, SceneKinds::None);
  const int32_t end = b.AddSite(r, "End", 2);
  b.Site(end).NeedsVisited[0] = start;
  b.Site(end).Ending = true;
  b.Site(end).Special = SpecialUnlockHint;
  const int32_t story = b.AddAchievement("Story", 7, 1);
  TSceneDef& last = b.AddScene(end, 21, SceneKinds::None);
  last.Achievement = story;
  last.AchievementAmount = 1;
  Load(b);
  Settle();
  Act("enter 1 1");
  EXPECT_EQ(Act("enter 1 2"), "ok");
  // The story was finished: a new game has begun and the last scene's achievement was earned,
  // though it was never announced.
  EXPECT_EQ(CurrentPlayer()->Earned, (std::vector<int32_t>{7}));
  EXPECT_EQ(std::count(Play->Gui.Calls.begin(), Play->Gui.Calls.end(), "dialog Achievement"), 0);
  EXPECT_NE(std::find(Play->Gui.Calls.begin(), Play->Gui.Calls.end(), "form Menu FadeEnding"), Play->Gui.Calls.end());
  EXPECT_EQ(EventLines(), (TLines{"0 1 1 0 0"}));  // no ButtonUnlocked or PointerChanged carried over
  EXPECT_FALSE(IsUnlocked(Buttons::Hint));
  EXPECT_EQ(GetPointer(), 9);
  EXPECT_EQ(SiteNumbered(2)->Count, 0);
}

TEST_F(GameAvatar, ADeclinedVisitLeavesTheCountsAsItsEventsRebuildThem) {
  TScenarioBuilder b;
  const int32_t r = b.AddRegion("R", 1);
  const int32_t s = b.AddSite(r, "S", 1);
  b.Site(s).KeepAfterVisit = true;
  b.AddScene(s, 11, SceneKinds::Text);
  b.AddScene(s, 12, SceneKinds::Text).Repeatable = true;
  b.AddScene(s, 13, SceneKinds::Text);
  b.AddScene(s, 14, SceneKinds::Text).Repeatable = true;
  Load(b);
  Settle();
  Act("enter 1 1");
  for (int i = 0; i < 4; ++i) Act("accept");
  // Second visit: 11 is passed over, 12 plays, 13 is passed over, 14 is declined.
  Act("enter 1 1");
  Act("accept");
  EXPECT_EQ(Avatar()->Scene->Number, 14);
  Act("decline");
  std::vector<int32_t> live;
  for (TItem* item : *SiteNumbered(1)->Scenes) live.push_back(static_cast<TScene*>(item)->Count);
  Rebuild();
  std::vector<int32_t> rebuilt;
  for (TItem* item : *SiteNumbered(1)->Scenes) rebuilt.push_back(static_cast<TScene*>(item)->Count);
  EXPECT_EQ(live, rebuilt);
  EXPECT_EQ(live, (std::vector<int32_t>{2, 2, 1, 1}));
  // The next visit continues where the declined one stopped.
  Settle();
  Act("enter 1 1");
  EXPECT_EQ(Avatar()->Scene->Number, 14);
}

// ---- Replay and undo ------------------------------------------------------------------------------

TEST_F(GameAvatar, ReplayOfAListEndingWithAnEntryResumesTheVisit) {
  Load(Village());
  Settle();
  Act("enter 1 11");
  Act("accept");  // the text; the reward is presented now
  Rebuild();
  EXPECT_EQ(Avatar()->State, StateEntering);
  EXPECT_EQ(Avatar()->Site, SiteNumbered(11));
  Settle();
  EXPECT_EQ(Avatar()->Scene->Number, 112);  // the first scene not yet performed
}

TEST_F(GameAvatar, ReplaySkipsEventsThatMatchNothing) {
  Load(Village());
  Settle();
  auto record = [](TData d) { RecordEvent(TEvent::Create(d)); };
  record({SiteRevealed, 1, 99, 0, 0, {}});      // no such site
  record({ScenePerformed, 1, 11, 111, 0, {}});  // value not above the count
  record({ScenePerformed, 1, 11, 999, 5, {}});  // no such scene
  record({RegionChanged, 42, 0, 0, 0, {}});     // no such region
  record({77, 1, 2, 3, 4, {5, 6, 7}});          // no such kind
  record({SiteEntered, 1, 98, 0, 0, {}});       // unknown entry: no location
  Rebuild();
  EXPECT_EQ(SiteNumbered(11)->FirstScene()->Count, 0);
  EXPECT_EQ(CurrentRegion()->Number, 1);
  EXPECT_EQ(Avatar()->State, StateClosing);
  Settle();
  EXPECT_EQ(Avatar()->State, StateIdle);
}

TEST_F(GameAvatar, UndoRemovesTheLastEntryAndWhatFollowed) {
  Load(Village());
  Settle();
  Act("enter 1 11");
  Act("accept");
  Act("accept");
  const TLines afterGate = EventLines();
  Act("enter 1 12");
  Act("skip");
  EXPECT_EQ(Act("undo"), "ok");
  EXPECT_EQ(EventLines(), afterGate);
  EXPECT_EQ(PropNamed("Gold")->Amount, 5);
  EXPECT_EQ(Act("undo"), "ok");
  EXPECT_EQ(EventLines(), (TLines{"0 1 11 0 0"}));
  // No entry left: everything goes, and the game starts anew.
  EXPECT_EQ(Act("undo"), "ok");
  Undo();
  EXPECT_EQ(EventCount(), 0);
  Rebuild();
  Settle();
  EXPECT_EQ(EventLines(), (TLines{"0 1 11 0 0"}));
}

}  // namespace
}  // namespace tv::test
