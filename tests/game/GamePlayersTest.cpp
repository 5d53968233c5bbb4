#include <gtest/gtest.h>

#include <filesystem>

#include "ModelFixture.h"
#include "app/AppMain.h"
#include "app/AppWindow.h"
#include "base/AppFolders.h"
#include "engine/EngineAudio.h"
#include "game/GameFile.h"
#include "support/TestSupport.h"

namespace tv::test {
namespace {

// A save file by hand: version, players (name, settings, events, earned), current position.
struct TSavedPlayer {
  std::string Name;
  std::vector<TData> Events;
  std::vector<int32_t> Earned;
};

std::string SaveBytes(int32_t Version, const std::vector<TSavedPlayer>& Players, int32_t Current) {
  std::string out;
  PutInt32(out, Version);
  PutInt32(out, static_cast<int32_t>(Players.size()));
  for (const TSavedPlayer& p : Players) {
    PutString(out, p.Name);
    PutByte(out, 1);
    PutInt32(out, 7);
    PutInt32(out, 6);
    PutInt32(out, 5);
    PutInt32(out, static_cast<int32_t>(p.Events.size()));
    for (const TData& d : p.Events) {
      for (int32_t v : {d.Kind, d.Region, d.Site, d.Scene, d.Value, d.Extra[0], d.Extra[1], d.Extra[2]})
        PutInt32(out, v);
    }
    PutInt32(out, static_cast<int32_t>(p.Earned.size()));
    for (int32_t n : p.Earned) PutInt32(out, n);
  }
  PutInt32(out, Current);
  return out;
}

std::vector<std::string> BadFiles(const std::string& Folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(Folder)) {
    const std::string name = entry.path().filename().string();
    if (name.find(".bad-") != std::string::npos) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Profiles in a temporary user folder.
class GamePlayers : public ::testing::Test {
 protected:
  void SetUp() override {
    FreePlayersWithoutSaving();
    ResetSaveTarget();
    InitFolders();
    User = FolderPath(TFolderKind::User);
    Save = User + "Save_qv.dat";
    Backup = User + "Backup_Save_qv.dat";
  }
  void TearDown() override {
    SetSaveFailureStep(0);
    FreePlayersWithoutSaving();
    DoneFolders();
    // Selecting a stored player hands its settings to the engine.
    SetFullScreen(false);
    SetGroupVolume(0, 10);
    SetGroupVolume(1, 10);
    SetGroupVolume(2, 8);
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (int32_t i = 1; i <= PlayerCount(); ++i) names.push_back(PlayerAt(i)->Name);
    return names;
  }

  TTempDir Home;
  TScopedEnv Xdg{"XDG_DATA_HOME", Home.Path().c_str()};
  std::string User, Save, Backup;
};

TEST_F(GamePlayers, WithoutFilesOneNamelessPlayerIsCurrent) {
  LoadPlayers();
  ASSERT_EQ(PlayerCount(), 1);
  EXPECT_EQ(CurrentPlayer(), PlayerAt(1));
  EXPECT_EQ(CurrentPlayer()->Name, "");
  EXPECT_FALSE(PlayersChanged());
  SavePlayers();  // nothing changed: nothing written
  EXPECT_FALSE(PathExists(Save));
}

TEST_F(GamePlayers, SaveAndLoadKeepEverything) {
  LoadPlayers();
  AddPlayer("Ann");
  RecordEvent(TEvent::CreateValue(PointerChanged, Pointers::MapIcon));
  RecordEvent(TEvent::CreateCounts(BarterCounts, {1, 2, 3, 4, 5, 6, -7}));
  AddEarned(CurrentPlayer(), 42);
  AddPlayer("Bob");
  AddPlayer("Ann");  // exists: selected again
  EXPECT_EQ(PlayerCount(), 3);
  SavePlayers();
  EXPECT_FALSE(PlayersChanged());
  FreePlayersWithoutSaving();
  LoadPlayers();
  EXPECT_EQ(Names(), (std::vector<std::string>{"", "Ann", "Bob"}));
  ASSERT_EQ(CurrentPlayer(), PlayerAt(2));
  ASSERT_EQ(CurrentPlayer()->Events->GetCount(), 2);
  const TData& d = CurrentPlayer()->Events->LastAs<TEvent>()->Data;
  EXPECT_EQ(d.Kind, BarterCounts);
  EXPECT_EQ(DataCounts(d), (TCounts{1, 2, 3, 4, 5, 6, -7}));
  EXPECT_EQ(CurrentPlayer()->Earned, (std::vector<int32_t>{42}));
}

TEST_F(GamePlayers, AnEmptyPlayerIsWrittenWithTwoZeroCounts) {
  LoadPlayers();
  CurrentPlayer()->FullScreen = true;
  CurrentPlayer()->EffectsVolume = 3;
  CurrentPlayer()->EnvironmentVolume = 2;
  CurrentPlayer()->MusicVolume = 1;
  std::string expected;
  PutInt32(expected, 100);
  PutInt32(expected, 1);
  PutString(expected, "");
  PutByte(expected, 1);
  for (int32_t v : {3, 2, 1, 0, 0, 1}) PutInt32(expected, v);
  EXPECT_EQ(SaveFileBytes(), expected);
}

TEST_F(GamePlayers, VersionsNinetyFiveToOneHundredAreRead) {
  for (int32_t version : {95, 100}) {
    WriteFile(Save, SaveBytes(version, {{"Old", {}, {}}}, 1));
    LoadPlayers();
    EXPECT_EQ(Names(), (std::vector<std::string>{"Old"})) << version;
  }
  EXPECT_TRUE(BadFiles(User).empty());
}

TEST_F(GamePlayers, AnUnusableSaveIsMovedAsideAndTheBackupUsed) {
  for (const std::string& bad : {SaveBytes(94, {{"A", {}, {}}}, 1), SaveBytes(101, {{"A", {}, {}}}, 1),
                                 SaveBytes(100, {}, 0), std::string("\x64\x00\x00", 3)}) {
    std::filesystem::remove_all(User);
    MakeDirs(User);
    WriteFile(Save, bad);
    WriteFile(Backup, SaveBytes(100, {{"Saved", {}, {}}}, 1));
    LoadPlayers();
    EXPECT_EQ(Names(), (std::vector<std::string>{"Saved"}));
    EXPECT_FALSE(PathExists(Save));
    const std::vector<std::string> aside = BadFiles(User);
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(ReadFile(User + aside[0]), bad);  // nothing lost
  }
  const auto& log = GetLogMessages();
  EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string& line) {
    return line.find("Unsupported save data version.") != std::string::npos && line.find(".bad-") != std::string::npos;
  }));
}

TEST_F(GamePlayers, BothFilesUnusableGiveANamelessPlayerAndKeepBoth) {
  WriteFile(Save, SaveBytes(100, {}, 0));  // no players
  WriteFile(Backup, "junk");
  LoadPlayers();
  EXPECT_EQ(Names(), (std::vector<std::string>{""}));
  EXPECT_EQ(BadFiles(User).size(), 2u);
  EXPECT_FALSE(PlayersChanged());
}

TEST_F(GamePlayers, TheStoredPositionIsClamped) {
  const std::vector<TSavedPlayer> three = {{"A", {}, {}}, {"B", {}, {}}, {"C", {}, {}}};
  for (auto [stored, expected] : {std::pair{0, 1}, {-5, 1}, {2, 2}, {3, 3}, {99, 3}}) {
    WriteFile(Save, SaveBytes(100, three, stored));
    LoadPlayers();
    EXPECT_EQ(CurrentPlayer(), PlayerAt(expected)) << stored;
    EXPECT_FALSE(PlayersChanged());
  }
}

TEST_F(GamePlayers, NamesAreFoundWithoutCaseButAddedWithIt) {
  LoadPlayers();
  AddPlayer("Ann");
  EXPECT_TRUE(NameExists("aNN"));
  EXPECT_FALSE(NameExists("Anne"));
  AddPlayer("ANN");
  EXPECT_EQ(PlayerCount(), 3);
  EXPECT_EQ(CurrentPlayer()->Name, "ANN");
  DeleteCurrentPlayer();
  EXPECT_EQ(PlayerCount(), 2);
  EXPECT_EQ(CurrentPlayer(), PlayerAt(1));
  EXPECT_TRUE(PlayersChanged());
  SelectPlayer(2);
  EXPECT_EQ(IndexOfPlayer(CurrentPlayer()), 2);
}

TEST_F(GamePlayers, SavingKeepsThePreviousFileAsTheBackup) {
  LoadPlayers();
  AddPlayer("First");
  SavePlayers();
  const std::string first = ReadFile(Save);
  EXPECT_FALSE(PathExists(Backup));
  SavePlayers();  // unchanged: not written again
  EXPECT_FALSE(PathExists(Backup));
  AddPlayer("Second");
  SavePlayers();
  EXPECT_EQ(ReadFile(Backup), first);
  const std::string second = ReadFile(Save);
  AddEarned(CurrentPlayer(), 1);
  SavePlayers();
  EXPECT_EQ(ReadFile(Backup), second);
  EXPECT_FALSE(PathExists(Save + ".tmp"));
}

TEST_F(GamePlayers, ASaveInterruptedAtAnyStepLosesNothing) {
  LoadPlayers();
  AddPlayer("Old");
  // The very first save has no backup to keep: only the save's own steps can fail, and a failed
  // one leaves no file at all rather than a partial one.
  for (int32_t step : {1, 2, 3, 9}) {
    SetSaveFailureStep(step);
    EXPECT_THROW(SavePlayers(), EError) << step;
    EXPECT_FALSE(PathExists(Save)) << step;
    EXPECT_FALSE(PathExists(Backup)) << step;
    EXPECT_FALSE(PathExists(Save + ".tmp")) << step;
  }
  SetSaveFailureStep(0);
  SavePlayers();
  AddPlayer("Older");
  SavePlayers();
  const std::string before = ReadFile(Save);
  const std::string backupBefore = ReadFile(Backup);
  // Every step of a save that replaces a file, one after the other, until the save gets through.
  int32_t step = 1;
  for (;; ++step) {
    ASSERT_LE(step, 20) << "the failure hook never lets the save through";
    AddEarned(CurrentPlayer(), step);
    SetSaveFailureStep(step);
    bool failed = false;
    try {
      SavePlayers();
    } catch (const EError& e) {
      failed = true;
      EXPECT_NE(std::string(e.what()).find("simulated failure"), std::string::npos) << e.what();
    }
    SetSaveFailureStep(0);
    if (!failed) break;
    EXPECT_TRUE(PlayersChanged()) << step;
    // The save holds the last good game; the backup the one before it, or already the last one.
    EXPECT_EQ(ReadFile(Save), before) << step;
    const std::string backup = ReadFile(Backup);
    EXPECT_TRUE(backup == backupBefore || backup == before) << step;
    EXPECT_FALSE(PathExists(Save + ".tmp")) << step;
    EXPECT_FALSE(PathExists(Backup + ".tmp")) << step;
  }
  EXPECT_EQ(step, 10);  // nine steps, each of which was made to fail once
  EXPECT_EQ(ReadFile(Backup), before);
  // A crash can leave half-written temporary files behind; loading ignores them, saving replaces them.
  const std::string complete = ReadFile(Save);
  WriteFile(Save + ".tmp", "half");
  WriteFile(Backup + ".tmp", "half");
  FreePlayersWithoutSaving();
  LoadPlayers();
  std::vector<int32_t> earned;
  for (int32_t n = 1; n <= step; ++n) earned.push_back(n);
  EXPECT_EQ(CurrentPlayer()->Earned, earned);
  AddEarned(CurrentPlayer(), 99);
  SavePlayers();
  EXPECT_FALSE(PathExists(Save + ".tmp"));
  EXPECT_FALSE(PathExists(Backup + ".tmp"));
  EXPECT_EQ(ReadFile(Backup), complete);
}

TEST_F(GamePlayers, AFailedWriteReachesTheCallerAndFreeingStillFrees) {
  LoadPlayers();
  AddPlayer("X");
  SetSaveFailureStep(2);
  EXPECT_THROW(SavePlayers(), EError);
  EXPECT_TRUE(PlayersChanged());
  EXPECT_THROW(FreePlayers(), EError);
  EXPECT_EQ(PlayerCount(), 0);
  EXPECT_EQ(CurrentPlayer(), nullptr);
}

TEST_F(GamePlayers, EveryTruncatedSaveIsRejected) {
  TData event;
  event.Kind = SiteEntered;
  event.Site = 9;
  const std::string good = SaveBytes(100, {{"A", {event, event}, {3, 4}}, {"B", {}, {7}}}, 2);
  EXPECT_NO_THROW(ParseSaveFile(good, "good"));
  for (size_t length = 0; length < good.size(); ++length) {
    EXPECT_THROW(ParseSaveFile(good.substr(0, length), "cut"), EError) << length;
  }
  std::string huge = good;
  huge[4] = '\x7f';  // player count far beyond the file
  EXPECT_THROW(ParseSaveFile(huge, "huge"), EError);
}

TEST_F(GamePlayers, LoadPlayersFromAPathLeavesTheFileAlone) {
  const std::string path = Home / "elsewhere.dat";
  WriteFile(path, "junk");
  std::string why;
  EXPECT_FALSE(LoadPlayersFrom(path, &why));
  EXPECT_NE(why, "");
  EXPECT_EQ(Names(), (std::vector<std::string>{""}));
  EXPECT_EQ(ReadFile(path), "junk");
  WriteFile(path, SaveBytes(100, {{"Z", {}, {}}}, 1));
  EXPECT_TRUE(LoadPlayersFrom(path));
  EXPECT_EQ(Names(), (std::vector<std::string>{"Z"}));
}

TEST_F(GamePlayers, AskForNameOnlyForANamelessPlayer) {
  THeadlessGui gui;
  SetGuiHandler(&gui);
  LoadPlayers();
  AddPlayer("Named");
  AskForName(CurrentPlayer());
  EXPECT_TRUE(gui.Calls.empty());
  SelectPlayer(1);
  AskForName(CurrentPlayer());
  EXPECT_EQ(gui.Calls, (std::vector<std::string>{"dialog InputLineCustom"}));
  SetGuiHandler(nullptr);
}

}  // namespace
}  // namespace tv::test
