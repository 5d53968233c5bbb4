#include <gtest/gtest.h>

#include <set>

#include "app/AppMain.h"
#include "base/AppFolders.h"
#include "engine/EngineScript.h"
#include "support/TestSupport.h"

namespace tv {
namespace {

using test::TScopedEnv;
using test::TTempDir;

// A program folder of our own, with the user folder in a temporary data folder.
class FoldersTest : public ::testing::Test {
 protected:
  TTempDir Root;
  TScopedEnv Xdg{"XDG_DATA_HOME", (Root.Path() + "/data").c_str()};
  std::string Program = Root / "game/";

  void SetUp() override {
    test::MakeDirs(Program);
    SetLanguageName("English");
  }
  void TearDown() override {
    EndFindDataFiles();
    DoneFolders();
    SetLanguageName("English");
  }
  void Init() { InitFoldersFrom(Program + "tolvaren"); }
};

TEST_F(FoldersTest, FolderLayoutAndUserFolderCreation) {
  Init();
  EXPECT_TRUE(FoldersReady());
  EXPECT_EQ(FolderPath(TFolderKind::Program), Program);
  EXPECT_EQ(FolderPath(TFolderKind::Branding), Program + "Branding/");
  EXPECT_EQ(FolderPath(TFolderKind::Ordinary), Program + "Ordinary/");
  EXPECT_EQ(FolderPath(TFolderKind::Language), Program + "Languages/English/");
  // The data folder did not exist: it is made, then both levels below it.
  EXPECT_EQ(FolderPath(TFolderKind::User), Root.Path() + "/data/Quillmark/Tolvaren/");
  EXPECT_TRUE(DirectoryExists(FolderPath(TFolderKind::User)));
  EXPECT_EQ(DataFilePath(TFolderKind::User, "Log", TExtKind::Txt), Root.Path() + "/data/Quillmark/Tolvaren/Log.txt");
}

TEST_F(FoldersTest, LanguageFolderChoice) {
  test::MakeDirs(Program + "Languages/German");
  SetLanguageName("German");
  Init();
  EXPECT_EQ(FolderPath(TFolderKind::Language), Program + "Languages/German/");
  DoneFolders();

  SetLanguageName("Klingon");
  Init();
  EXPECT_EQ(FolderPath(TFolderKind::Language), Program + "Languages/English/");
  DoneFolders();

  // A "Language" folder beside the program wins whatever the command line says.
  test::MakeDirs(Program + "Language");
  SetLanguageName("German");
  Init();
  EXPECT_EQ(FolderPath(TFolderKind::Language), Program + "Language/");
}

TEST_F(FoldersTest, LanguageNameCannotClimbOutOfTheProgramFolder) {
  test::MakeDirs(Program + "Languages/A");
  test::MakeDirs(Root / "outside");
  for (const char* name : {"A/../../../outside", "A/..", "..", "."}) {
    SetLanguageName(name);
    Init();
    EXPECT_EQ(FolderPath(TFolderKind::Language), Program + "Languages/English/") << name;
    DoneFolders();
  }
}

TEST_F(FoldersTest, NoDataFolderFallsBackToTheProgramFolder) {
  TScopedEnv noXdg("XDG_DATA_HOME", nullptr);
  TScopedEnv noHome("HOME", nullptr);
  Init();
  EXPECT_EQ(FolderPath(TFolderKind::User), Program);
}

TEST(ExtensionKindTest, ComparesInLowerCase) {
  EXPECT_EQ(ExtensionKind(".PNG"), TExtKind::Png);
  EXPECT_EQ(ExtensionKind(".Dat"), TExtKind::Dat);
  EXPECT_EQ(ExtensionKind(".bmp"), TExtKind::None);
  EXPECT_EQ(ExtensionKind(""), TExtKind::None);
  EXPECT_EQ(ExtensionKind("png"), TExtKind::None);
  EXPECT_STREQ(ExtensionOf(TExtKind::Flg), ".flg");
}

TEST_F(FoldersTest, FlagsBackupsAndDeletes) {
  Init();
  SetFlag(TFolderKind::User, "StartWindowed", true);
  SetFlag(TFolderKind::User, "StartWindowed", true);
  EXPECT_TRUE(FlagExists(TFolderKind::User, "StartWindowed"));
  EXPECT_EQ(test::ReadFile(DataFilePath(TFolderKind::User, "StartWindowed", TExtKind::Flg)), "");
  SetFlag(TFolderKind::User, "StartWindowed", false);
  EXPECT_FALSE(FlagExists(TFolderKind::User, "StartWindowed"));
  SetFlag(TFolderKind::User, "StartWindowed", false);  // missing: nothing happens

  BackupDataFile(TFolderKind::User, "Nothing", TExtKind::Dat);  // missing: no error
  EXPECT_FALSE(DataFileExists(TFolderKind::User, "Backup_Nothing", TExtKind::Dat));
  {
    auto file = CreateDataFile(TFolderKind::User, "Save_qv", TExtKind::Dat);
    file->Write(std::string("one"));
  }
  BackupDataFile(TFolderKind::User, "Save_qv", TExtKind::Dat);
  EXPECT_EQ(ReadDataText(TFolderKind::User, "Backup_Save_qv", TExtKind::Dat), "one");
  EXPECT_NE(DataFileAge(TFolderKind::User, "Save_qv", TExtKind::Dat), -1);
  EXPECT_EQ(DataFileAge(TFolderKind::User, "Missing", TExtKind::Dat), -1);
  DeleteDataFile(TFolderKind::User, "Save_qv", TExtKind::Dat);
  DeleteDataFile(TFolderKind::User, "Save_qv", TExtKind::Dat);  // missing: no error
  EXPECT_FALSE(DataFileExists(TFolderKind::User, "Save_qv", TExtKind::Dat));
}

TEST_F(FoldersTest, OpenAndCreateFailuresNameThePath) {
  Init();
  const std::string missing = DataFilePath(TFolderKind::Ordinary, "S0Scenario", TExtKind::Dat);
  try {
    OpenDataFile(TFolderKind::Ordinary, "S0Scenario", TExtKind::Dat);
    FAIL() << "opened a missing file";
  } catch (const EError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to open file \"" + missing + "\"");
  }
  // The Ordinary folder does not exist, so nothing can be created in it (even as root).
  try {
    CreateDataFile(TFolderKind::Ordinary, "Out", TExtKind::Dat);
    FAIL() << "created a file in a missing folder";
  } catch (const EError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to create file \"" + Program + "Ordinary/Out.dat\"");
  }
}

TEST_F(FoldersTest, AFileBeingReadCannotBeReplacedAndViceVersa) {
  Init();
  CreateDataFile(TFolderKind::User, "Save_qv", TExtKind::Dat)->Write(std::string("kept"));
  auto reader = OpenDataFile(TFolderKind::User, "Save_qv", TExtKind::Dat);
  EXPECT_THROW(CreateDataFile(TFolderKind::User, "Save_qv", TExtKind::Dat), EError);
  EXPECT_EQ(reader->ReadRest(), "kept");  // the failed create truncated nothing
  reader.reset();
  auto writer = CreateDataFile(TFolderKind::User, "Save_qv", TExtKind::Dat);
  EXPECT_THROW(OpenDataFile(TFolderKind::User, "Save_qv", TExtKind::Dat), EError);
}

TEST_F(FoldersTest, UnwritableUserFolderFailsLaterWritesWithTheirMessage) {
  // A data folder below a plain file can never be made, whoever runs the test.
  test::WriteFile(Root / "plain", "x");
  TScopedEnv blocked("XDG_DATA_HOME", (Root.Path() + "/plain/data").c_str());
  Init();
  EXPECT_FALSE(DirectoryExists(FolderPath(TFolderKind::User)));
  EXPECT_THROW(SetFlag(TFolderKind::User, "StartWindowed", true), EError);
  EXPECT_FALSE(FlagExists(TFolderKind::User, "StartWindowed"));
}

TEST_F(FoldersTest, WalkListsPlainFilesWithTheirKinds) {
  test::MakeDirs(Program + "Ordinary/sub");
  test::WriteFile(Program + "Ordinary/a.png", "");
  test::WriteFile(Program + "Ordinary/b.txt", "");
  Init();
  std::set<std::pair<std::string, TExtKind>> seen;
  std::string name;
  TExtKind ext = TExtKind::None;
  while (FindNextDataFile(TFolderKind::Ordinary, name, ext)) seen.insert({name, ext});
  EXPECT_FALSE(FindNextDataFile(TFolderKind::Ordinary, name, ext));
  EndFindDataFiles();
  const std::set<std::pair<std::string, TExtKind>> expected = {{"a", TExtKind::Png}, {"b", TExtKind::Txt}};
  EXPECT_EQ(seen, expected);
  // After EndFindDataFiles a new walk starts from the beginning.
  EXPECT_TRUE(FindNextDataFile(TFolderKind::Ordinary, name, ext));
  EndFindDataFiles();
  // A missing folder yields nothing.
  EXPECT_FALSE(FindNextDataFile(TFolderKind::Branding, name, ext));
}

}  // namespace
}  // namespace tv
