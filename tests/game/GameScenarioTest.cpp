#include <gtest/gtest.h>

#include "ModelFixture.h"
#include "base/AppFolders.h"
#include "support/TestSupport.h"

namespace tv::test {
namespace {

// Two regions with a few sites each, every kind of reference used at least once.
TScenarioBuilder SmallWorld() {
  TScenarioBuilder b;
  const int32_t gold = b.AddProp("Gold", 0, 5);
  const int32_t sword = b.AddProp("Sword", 4, 0);
  b.Prop(sword).Picture = b.Asset(TPoolClass::Picture, "G2Props");
  b.Prop(sword).Frame = 7;
  b.Prop(sword).Caption = b.Asset(TPoolClass::Caption, "PropSword");
  b.Prop(sword).SingleUnit = true;
  const int32_t vale = b.AddRegion("Vale", 10);
  const int32_t hills = b.AddRegion("Hills", 20);
  b.Region(vale).InitialMusic = b.Asset(TPoolClass::Sound, "J1Vale");
  b.Region(vale).Tiles[0] = {b.Asset(TPoolClass::Terrain, "K1Grass"), b.Asset(TPoolClass::Water, "K1Lake")};
  TPlotDef tree;
  tree.Figure = b.Asset(TPoolClass::Figure, "G7Smoke");
  tree.Group = b.Asset(TPoolClass::Group, "Forest");
  tree.X = 12.5f;
  tree.Y = -3;
  tree.Layer = 1;
  b.Region(vale).Plots = {tree, TPlotDef{}};
  // Created out of region order on purpose: the file lists sites region by region.
  const int32_t tower = b.AddSite(hills, "Tower", 201);
  const int32_t well = b.AddSite(vale, "Well", 101);
  const int32_t mill = b.AddSite(vale, "Mill", 102);
  b.Site(mill).NeedsVisited = {well, 0, 0};
  b.Site(mill).Needs[0] = {gold, 3};
  b.Site(mill).Destination = hills;
  b.Site(tower).DisappearsAfter = tower;
  b.Site(tower).RevealGroup = b.Asset(TPoolClass::Group, "Forest");
  TSceneDef& reward = b.AddScene(well, 1001, SceneKinds::Rewards(1));
  reward.Right[0] = {gold, 2};
  reward.Duration = 1.5f;
  TSceneDef& req = b.AddScene(well, 1002, SceneKinds::Requirements(3));  // three left slots
  req.Left = {TSlotDef{gold, 1}, TSlotDef{sword, 1}, TSlotDef{0, 0}, TSlotDef{gold, 9}};
  req.Right[0] = {sword, 1};  // not a slot of the kind
  b.AddScene(mill, 1003, SceneKinds::None);
  const int32_t hint = b.AddHint("GetGold", 301);
  b.Hint(hint).Goal = gold;
  b.Site(well).Hint = hint;
  b.GuideStart = well;
  const int32_t first = b.AddAchievement("Rich", 401, 10);
  b.Achievement(first).Prop = gold;
  const int32_t second = b.AddAchievement("Richer", 402, 20);
  b.Achievement(first).Parent = second;
  b.MapRegion = hills;
  b.NextNumber = 77;
  return b;
}

class GameScenario : public ModelTest {};

TEST_F(GameScenario, LoadsEveryObjectWithItsReferences) {
  Load(SmallWorld());
  ASSERT_TRUE(IsScenarioLoaded());
  ASSERT_EQ(Props()->GetCount(), 2);
  TProp* gold = PropNamed("Gold");
  TProp* sword = PropNamed("Sword");
  EXPECT_EQ(gold->InitialAmount, 5);
  EXPECT_EQ(gold->Amount, 5);
  EXPECT_EQ(sword->Kind, TPropKind::Item);
  EXPECT_TRUE(sword->SingleUnit);
  ASSERT_NE(sword->Picture, nullptr);
  EXPECT_EQ(sword->Picture->Name, "G2Props");
  EXPECT_EQ(sword->Frame, 7);
  EXPECT_EQ(sword->CaptionKey(), "PropSword");
  EXPECT_EQ(gold->CaptionKey(), "");

  auto* vale = Regions()->GetAs<TRegion>(1);
  auto* hills = Regions()->GetAs<TRegion>(2);
  EXPECT_EQ(vale->Name, "Vale");
  EXPECT_EQ(vale->Number, 10);
  EXPECT_EQ(vale->Music->Name, "J1Vale");
  EXPECT_EQ(vale->Map->Tile(0).Terrain->Name, "K1Grass");
  EXPECT_EQ(vale->Map->Tile(0).Water->Name, "K1Lake");
  EXPECT_EQ(vale->Map->Tile(1).Terrain, nullptr);
  ASSERT_EQ(vale->Map->PlotCount(), 2);
  EXPECT_EQ(vale->Map->Plot(0).Figure->Name, "G7Smoke");
  EXPECT_TRUE(vale->Map->Plot(0).Figure->IsEffect);
  EXPECT_EQ(vale->Map->Plot(0).X, 12.5f);
  EXPECT_EQ(vale->Map->Plot(0).Layer, 1);
  EXPECT_EQ(vale->Map->Plot(1).Group, nullptr);

  ASSERT_EQ(vale->Sites->GetCount(), 2);
  TSite* well = vale->FirstSite();
  auto* mill = vale->Sites->GetAs<TSite>(2);
  TSite* tower = hills->FirstSite();
  EXPECT_EQ(well->Name, "Well");
  EXPECT_EQ(well->Region, vale);
  EXPECT_EQ(tower->Region, hills);
  EXPECT_EQ(mill->NeedsVisited1, well);
  EXPECT_EQ(mill->NeedsProp1, gold);
  EXPECT_EQ(mill->NeedsAmount1, 3);
  EXPECT_EQ(mill->Destination, hills);
  EXPECT_EQ(tower->DisappearsAfter, tower);
  EXPECT_EQ(tower->RevealGroup->Name, "Forest");

  ASSERT_EQ(well->Scenes->GetCount(), 2);
  TScene* reward = well->FirstScene();
  TScene* req = well->LastScene();
  EXPECT_EQ(reward->Number, 1001);
  EXPECT_EQ(reward->Site, well);
  EXPECT_EQ(reward->Right[0].Prop, gold);
  EXPECT_FLOAT_EQ(reward->Duration, 1.5f);
  // A "Requirements 3" scene takes three left slots and no right slot, whatever the file holds.
  EXPECT_EQ(req->Left[0].Prop, gold);
  EXPECT_EQ(req->Left[1].Prop, sword);
  EXPECT_EQ(req->Left[2].Prop, nullptr);
  EXPECT_EQ(req->Left[3].Prop, nullptr);
  EXPECT_EQ(req->Left[3].Amount, 0);
  EXPECT_EQ(req->Right[0].Prop, nullptr);

  auto* hint = Hints()->GetAs<THint>(1);
  EXPECT_EQ(hint->Goal, gold);
  EXPECT_EQ(well->Hint, hint);
  EXPECT_EQ(GuideStart(), well);
  auto* rich = Achievements()->GetAs<TAchievement>(1);
  EXPECT_EQ(rich->Prop, gold);
  EXPECT_EQ(rich->Parent, Achievements()->GetAs<TAchievement>(2));
  EXPECT_EQ(MapRegion(), hills);
  EXPECT_EQ(StartRegion(), vale);
  EXPECT_EQ(MenuRegion(), nullptr);
  EXPECT_EQ(GetNextNumber(), 77);
  EXPECT_EQ(NewNumber(), 78);
  EXPECT_EQ(TotalSiteCount(), 3);
}

TEST_F(GameScenario, ASecondLoadDoesNothing) {
  Load(SmallWorld());
  TScenarioBuilder other;
  other.AddRegion("Elsewhere", 5);
  LoadScenarioBytes(other.Build(), "other");
  EXPECT_EQ(Regions()->GetCount(), 2);
  EXPECT_EQ(Regions()->GetAs<TRegion>(1)->Name, "Vale");
}

TEST_F(GameScenario, MissingFileGivesTheEmptyWorld) {
  TTempDir dir;
  LoadScenarioFile(dir / "S0Scenario.dat");
  ASSERT_TRUE(IsScenarioLoaded());
  ASSERT_EQ(Regions()->GetCount(), 1);
  auto* region = Regions()->GetAs<TRegion>(1);
  EXPECT_EQ(region->Name, "Region01");
  EXPECT_EQ(region->Number, 1);
  EXPECT_EQ(StartRegion(), region);
  EXPECT_EQ(MenuRegion(), region);
  EXPECT_EQ(MapRegion(), nullptr);
  Rebuild();
  THeadlessPlay play;
  ASSERT_TRUE(play.Settle());
  EXPECT_EQ(Avatar()->State, StateIdle);
  EXPECT_EQ(CurrentRegion(), region);
}

TEST_F(GameScenario, ResetGameStartsAFreshGame) {
  Load(SmallWorld());
  auto* hills = Regions()->GetAs<TRegion>(2);
  SetCurrentRegion(hills);
  Unlock(Buttons::Inventory);
  SetPointer(Pointers::MapIcon);
  PropNamed("Gold")->Amount = 99;
  hills->FirstSite()->Count = 4;
  hills->FirstSite()->Closed = true;
  ResetGame();
  EXPECT_EQ(CurrentRegion(), StartRegion());
  EXPECT_EQ(PreviousRegion(), StartRegion());
  EXPECT_FALSE(IsUnlocked(Buttons::Inventory));
  EXPECT_EQ(GetPointer(), Pointers::Sites);
  EXPECT_EQ(PropNamed("Gold")->Amount, 5);
  EXPECT_EQ(hills->FirstSite()->Count, 0);
  EXPECT_FALSE(hills->FirstSite()->Closed);
  EXPECT_EQ(Avatar()->State, StateClosing);
}

TEST_F(GameScenario, GroupsArePreparedOnceAndPlotsResetToTheirStart) {
  Load(SmallWorld());
  auto* vale = Regions()->GetAs<TRegion>(1);
  TSite* tower = Regions()->GetAs<TRegion>(2)->FirstSite();
  TPlotData& plot = vale->Map->Plot(0);
  ASSERT_EQ(tower->RevealGroup->Plots.size(), 1u);  // several resets, one entry
  ResetGame();
  ResetGame();
  EXPECT_EQ(tower->RevealGroup->Plots.size(), 1u);
  EXPECT_TRUE(plot.Visible);
  tower->ToggleRevealGroup();
  EXPECT_FALSE(plot.Visible);
  tower->ToggleRevealGroup();
  EXPECT_TRUE(plot.Visible);  // flipped twice: back where it began
  tower->ToggleRevealGroup();
  plot.X = 500;
  ResetGame();
  EXPECT_TRUE(plot.Visible);
  EXPECT_EQ(plot.X, 12.5f);
  EXPECT_TRUE(vale->Map->Plot(1).Visible);
}

TEST_F(GameScenario, FindersAndTheSiteCache) {
  Load(SmallWorld());
  TSite* well = SiteNumbered(101);
  TSite* tower = SiteNumbered(201);
  EXPECT_EQ(FindRegion(20), Regions()->GetAs<TRegion>(2));
  EXPECT_EQ(FindRegion(99), nullptr);
  EXPECT_EQ(FindSite(10, 101), well);
  // Answered from the cache by site number alone, whatever the region asked for.
  EXPECT_EQ(FindSite(20, 101), well);
  EXPECT_EQ(FindSite(20, 201), tower);
  EXPECT_EQ(FindSite(10, 201), tower);
  EXPECT_EQ(FindSite(10, 999), nullptr);
  EXPECT_EQ(FindScene(10, 101, 1002), well->LastScene());
  EXPECT_EQ(FindScene(10, 101, 1003), nullptr);
  ResetGame();  // clears the caches
  EXPECT_EQ(FindSite(10, 201), nullptr);
}

TEST_F(GameScenario, UnlockTakesOnlyButtonsOneToThree) {
  Load(SmallWorld());
  Unlock(0);
  Unlock(4);
  Unlock(-1);
  for (int32_t i = 0; i <= 4; ++i) EXPECT_FALSE(IsUnlocked(i)) << i;
  Unlock(Buttons::Map);
  EXPECT_TRUE(IsUnlocked(Buttons::Map));
}

// ---- Damaged and inconsistent files -------------------------------------------------------------

class GameScenarioFile : public ModelTest {
 protected:
  // The message of the load failure, or "" when it loaded.
  std::string LoadError(const std::string& Bytes) {
    try {
      LoadScenarioBytes(Bytes, "bad");
    } catch (const EError& e) {
      EXPECT_FALSE(IsScenarioLoaded());
      EXPECT_EQ(Regions()->GetCount(), 0);
      EXPECT_EQ(Props()->GetCount(), 0);
      return e.what();
    }
    return {};
  }
};

TEST_F(GameScenarioFile, EveryTruncationFailsCleanly) {
  const std::string bytes = SmallWorld().Build();
  for (size_t length = 0; length < bytes.size(); ++length) {
    const std::string message = LoadError(bytes.substr(0, length));
    ASSERT_NE(message, "") << "a file cut at " << length << " bytes loaded";
    const bool endSeen = message.find("the file ends at byte " + std::to_string(length)) != std::string::npos ||
                         message.find("does not fit into") != std::string::npos;
    ASSERT_TRUE(endSeen) << message;
  }
  EXPECT_EQ(LoadError(bytes + "trailing bytes are not read"), "");
}

TEST_F(GameScenarioFile, AFailedLoadCanBeFollowedByAGoodOne) {
  const std::string bytes = SmallWorld().Build();
  EXPECT_NE(LoadError(bytes.substr(0, bytes.size() / 2)), "");
  Load(SmallWorld());
  EXPECT_EQ(Regions()->GetCount(), 2);
}

TEST_F(GameScenarioFile, ReferencesBeyondTheListsNameRecordAndField) {
  struct TCase {
    std::function<void(TScenarioBuilder&)> Break;
    std::vector<std::string> Expected;
  };
  const std::vector<TCase> cases = {
      {[](TScenarioBuilder& b) { b.Site(3).Needs[0].Prop = 3; },
       {"site 2 \"Mill\"", "NeedsProp1 refers to prop 3, but the file lists 2"}},
      {[](TScenarioBuilder& b) { b.Site(2).NextGuide = 9; }, {"site 1 \"Well\"", "NextGuide refers to site 9"}},
      {[](TScenarioBuilder& b) { b.Site(1).Destination = 3; }, {"site 3 \"Tower\"", "Destination refers to region 3"}},
      {[](TScenarioBuilder& b) { b.Site(2).Scenes[0].Right[0].Prop = 5; },
       {"site 1 \"Well\", scene 1", "Right1 refers to prop 5"}},
      {[](TScenarioBuilder& b) { b.Site(2).Scenes[1].Achievement = 3; },
       {"scene 2", "Achievement refers to achievement 3"}},
      {[](TScenarioBuilder& b) { b.Site(2).Scenes[0].Groups[3] = 2; },
       {"scene 1", "Group4 refers to group 2, but the pool section lists 1"}},
      {[](TScenarioBuilder& b) { b.Prop(1).Picture = 2; }, {"prop 1 \"Gold\"", "Picture refers to picture 2"}},
      {[](TScenarioBuilder& b) { b.Region(1).Tiles[194][1] = 2; },
       {"region 1 \"Vale\"", "tile water refers to water 2"}},
      {[](TScenarioBuilder& b) { b.Region(1).Plots[1].Sound = 4; }, {"region 1", "plot sound refers to sound 4"}},
      {[](TScenarioBuilder& b) { b.MapRegion = 7; }, {"entry regions", "MapRegion refers to region 7"}},
      {[](TScenarioBuilder& b) { b.Hint(1).SubHints[7] = 2; }, {"hint 1 \"GetGold\"", "SubHints8 refers to hint 2"}},
      {[](TScenarioBuilder& b) { b.Hint(1).OutsideRegion = 3; }, {"hint 1", "OutsideRegion refers to region 3"}},
      {[](TScenarioBuilder& b) { b.GuideStart = 4; }, {"guide chain", "GuideStart refers to site 4"}},
      {[](TScenarioBuilder& b) { b.Achievement(2).Prerequisite = 3; },
       {"achievement 2 \"Richer\"", "Prerequisite refers to achievement 3"}},
      {[](TScenarioBuilder& b) { b.Prop(2).Kind = 5; }, {"prop 2 \"Sword\"", "Kind 5 is not a prop kind"}},
      {[](TScenarioBuilder& b) {
         b.Site(1).Scenes.push_back(TSceneDef{});
         b.Site(1).Scenes[0].Kind = 40;
       },
       {"site 3 \"Tower\", scene 1", "Kind 40 is not a scene kind"}},
      {[](TScenarioBuilder& b) {
         b.Site(1).Scenes.push_back(TSceneDef{});
         b.Site(1).Scenes[0].Kind = -1;
       },
       {"Kind -1 is not a scene kind"}},
      {[](TScenarioBuilder& b) { b.Site(1).Region = 9; }, {"sites listed belong to no region"}},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    TScenarioBuilder b = SmallWorld();
    cases[i].Break(b);
    const std::string message = LoadError(b.Build());
    for (const std::string& part : cases[i].Expected) {
      EXPECT_NE(message.find(part), std::string::npos) << "case " << i << ": " << message;
    }
  }
}

// The one reader serves the loader and the tools: a Boolean byte other than 0 or 1 reads as true
// for both, and the reader's notes name the record, the field and the byte; so does a plot's
// unused byte that is not 0. The notes' positions are those of the bytes in the file.
TEST_F(GameScenarioFile, OddBooleanAndUnusedBytesReadAsTrueAndAreNoted) {
  TScenarioBuilder b = SmallWorld();
  const std::string plain = b.Build();
  b.Site(2).Ending = true;  // "Well", the first site of the file
  b.Region(1).Plots[0].Visible = false;
  const std::string marked = b.Build();
  ASSERT_EQ(plain.size(), marked.size());
  std::string odd = plain;
  std::vector<size_t> changed;
  for (size_t i = 0; i < plain.size(); ++i) {
    if (plain[i] != marked[i]) changed.push_back(i);
  }
  ASSERT_EQ(changed.size(), 2u);
  const size_t ending = changed[0];
  const size_t visible = changed[1];
  odd[ending] = '\x02';
  odd[visible + 1] = '\x05';  // the plot's unused byte follows its visibility

  TScenarioReadNotes notes;
  const TScenarioBuilder read = ReadScenarioRecords(odd, "odd", notes);
  EXPECT_TRUE(read.Sites[0].Ending);
  EXPECT_EQ(notes.BytesRead, odd.size());
  ASSERT_EQ(notes.Lossy.size(), 2u);
  EXPECT_NE(notes.Lossy[0].find("site 1 \"Well\": Ending holds 2 at byte " + std::to_string(ending)), std::string::npos)
      << notes.Lossy[0];
  EXPECT_NE(notes.Lossy[1].find("region 1 \"Vale\": the unused byte of plot 1 holds 5 at byte " +
                                std::to_string(visible + 1)),
            std::string::npos)
      << notes.Lossy[1];
  EXPECT_EQ(read.Build(), plain.substr(0, ending) + '\x01' + plain.substr(ending + 1));

  EXPECT_EQ(LoadError(odd), "");
  EXPECT_TRUE(SiteNumbered(101)->Ending);
}

TEST_F(GameScenarioFile, UnusedSlotsAndNegativeReferencesAreNotChecked) {
  TScenarioBuilder b = SmallWorld();
  b.Site(2).Scenes[0].Left[6].Prop = 1000;  // a reward kind has no left slots
  b.Site(3).Needs[2].Prop = -5;             // negative: none
  b.Site(3).RegionMusic = -1;
  EXPECT_EQ(LoadError(b.Build()), "");
  EXPECT_EQ(SiteNumbered(102)->NeedsProp3, nullptr);
  EXPECT_EQ(SiteNumbered(102)->RegionMusic, nullptr);
}

// Replaces the 32-bit value at Offset.
std::string Patched(std::string Bytes, size_t Offset, int32_t Value) {
  for (int i = 0; i < 4; ++i)
    Bytes[Offset + static_cast<size_t>(i)] = static_cast<char>((static_cast<uint32_t>(Value) >> (8 * i)) & 0xFF);
  return Bytes;
}

TEST_F(GameScenarioFile, CountsAndLengthsLargerThanTheFileAreReadFailures) {
  const std::string bytes = SmallWorld().Build();
  // The first integer is the picture count; the next the length of the first picture name.
  for (int32_t huge : {INT32_MAX, 1 << 28, 100000}) {
    const std::string message = LoadError(Patched(bytes, 0, huge));
    EXPECT_NE(message.find("count " + std::to_string(huge)), std::string::npos) << message;
    EXPECT_NE(LoadError(Patched(bytes, 4, huge)).find("the file ends at byte"), std::string::npos);
  }
  EXPECT_NE(LoadError(Patched(bytes, 0, -1)).find("negative count -1"), std::string::npos);
  EXPECT_NE(LoadError(Patched(bytes, 4, -3)).find("negative string length -3"), std::string::npos);
}

TEST_F(GameScenarioFile, SiteCountsMustMatchTheSiteList) {
  TScenarioBuilder b;
  const int32_t r1 = b.AddRegion("A", 1);
  b.AddRegion("B", 2);
  b.AddSite(r1, "S", 1);
  std::string bytes = b.Build();
  // Pool (8 empty counts), no props, two region names, one site name, no hints or achievements.
  const size_t siteCountOfFirstRegion = 8 * 4 + 4 + (4 + 5 + 5) + (4 + 5) + 4 + 4;
  EXPECT_NE(LoadError(Patched(bytes, siteCountOfFirstRegion, 2)).find("site count 2 goes beyond the 1 sites listed"),
            std::string::npos);
}

TEST_F(GameScenarioFile, ContentThatWouldHangIsRefused) {
  {
    TScenarioBuilder b = SmallWorld();
    b.StartRegion = 0;
    EXPECT_NE(LoadError(b.Build()).find("lists 2 regions but no StartRegion"), std::string::npos);
  }
  {
    TScenarioBuilder b = SmallWorld();
    b.Achievement(2).Parent = 1;  // Rich -> Richer -> Rich
    const std::string message = LoadError(b.Build());
    EXPECT_NE(message.find("is its own ancestor through its Parent chain"), std::string::npos) << message;
  }
  {
    TScenarioBuilder b = SmallWorld();
    b.Achievement(1).Parent = 1;
    EXPECT_NE(LoadError(b.Build()).find("achievement 1 \"Rich\" is its own ancestor"), std::string::npos);
  }
  {
    TScenarioBuilder b = SmallWorld();
    const int32_t a = b.AddHint("A", 1);
    const int32_t c = b.AddHint("C", 2);
    b.Hint(1).SubHints[0] = a;
    b.Hint(a).SubHints[2] = c;
    b.Hint(c).SubHints[7] = a;
    const std::string message = LoadError(b.Build());
    EXPECT_NE(message.find("can reach itself through its sub-hints"), std::string::npos) << message;
  }
  {
    // Shared sub-trees without a cycle are fine, and so is a world without regions.
    TScenarioBuilder b = SmallWorld();
    const int32_t a = b.AddHint("A", 1);
    const int32_t c = b.AddHint("C", 2);
    b.Hint(1).SubHints = {a, c};
    b.Hint(a).SubHints[0] = c;
    EXPECT_EQ(LoadError(b.Build()), "");
  }
}

TEST_F(GameScenarioFile, AWorldWithoutRegionsLoadsAndRests) {
  TScenarioBuilder b;
  b.AddProp("Gold");
  Load(b);
  EXPECT_EQ(CurrentRegion(), nullptr);
  Settle();
  EXPECT_EQ(Avatar()->State, StateIdle);
}

}  // namespace
}  // namespace tv::test
