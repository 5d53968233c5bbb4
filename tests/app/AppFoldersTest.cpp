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
    SetUseSystemLanguage(false);
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

// An installed program lives in ".../bin" with its data in ".../share/tolvaren"; data beside the
// executable (a build, an unpacked copy) still wins.
TEST_F(FoldersTest, InstalledProgramFindsItsDataBesideItsBinFolder) {
  const std::string prefix = Root / "usr/";
  test::MakeDirs(prefix + "bin");
  test::MakeDirs(prefix + "share/tolvaren/Languages/English");
  InitFoldersFrom(prefix + "bin/tolvaren");
  EXPECT_EQ(FolderPath(TFolderKind::Program), prefix + "share/tolvaren/");
  EXPECT_EQ(FolderPath(TFolderKind::Ordinary), prefix + "share/tolvaren/Ordinary/");
  EXPECT_EQ(FolderPath(TFolderKind::Language), prefix + "share/tolvaren/Languages/English/");
  EXPECT_EQ(FolderPath(TFolderKind::User), Root.Path() + "/data/Quillmark/Tolvaren/");
  DoneFolders();

  test::MakeDirs(prefix + "bin/Ordinary");
  InitFoldersFrom(prefix + "bin/tolvaren");
  EXPECT_EQ(FolderPath(TFolderKind::Program), prefix + "bin/");
}

TEST(LocaleLanguageTest, TheLanguageCodeNamesTheFolder) {
  test::ExpectEach(LanguageOfLocale, {{"de_DE.UTF-8", "German"},
                                      {"de_AT", "German"},
                                      {"ru_RU.UTF-8", "Russian"},
                                      {"ru", "Russian"},
                                      {"RU_ru.koi8r", "Russian"},
                                      {"fr_FR.UTF-8@euro", "French"},
                                      {"en_GB.UTF-8", "English"},
                                      {"nb_NO.UTF-8", "Norwegian"}});
  // No language at all, or one the table does not know.
  for (const char* none : {"", "C", "C.UTF-8", "POSIX", "xx_YY.UTF-8", "d", "_DE", "de-DE", "../German", "1e_DE"}) {
    EXPECT_EQ(LanguageOfLocale(none), "") << none;
  }
}

TEST_F(FoldersTest, WithoutALanguageArgumentTheLocaleChoosesTheFolder) {
  test::MakeDirs(Program + "Languages/German");
  test::MakeDirs(Program + "Languages/Russian");
  test::MakeDirs(Program + "Languages/English");
  SetUseSystemLanguage(true);
  auto language = [&](const char* All, const char* Messages, const char* Lang) {
    TScopedEnv all("LC_ALL", All);
    TScopedEnv messages("LC_MESSAGES", Messages);
    TScopedEnv lang("LANG", Lang);
    Init();
    std::string folder = FolderPath(TFolderKind::Language);
    DoneFolders();
    folder = folder.substr(Program.size());
    EXPECT_EQ("Languages/" + GetLanguageName() + "/", folder) << "the name follows the folder";
    return folder;
  };
  EXPECT_EQ(language(nullptr, nullptr, "ru_RU.UTF-8"), "Languages/Russian/");
  EXPECT_EQ(language(nullptr, nullptr, "de_DE.UTF-8"), "Languages/German/");
  // LC_ALL before LC_MESSAGES before LANG; an empty one counts as unset.
  EXPECT_EQ(language(nullptr, "de_DE.UTF-8", "ru_RU.UTF-8"), "Languages/German/");
  EXPECT_EQ(language("ru_RU.UTF-8", "de_DE.UTF-8", "de_DE.UTF-8"), "Languages/Russian/");
  EXPECT_EQ(language("", "", "ru_RU.UTF-8"), "Languages/Russian/");
  // A language the game has no folder for is English, even when a later variable names one it
  // has: the first variable set decides the language.
  EXPECT_EQ(language(nullptr, nullptr, "fr_FR.UTF-8"), "Languages/English/");
  EXPECT_EQ(language("fr_FR.UTF-8", nullptr, "ru_RU.UTF-8"), "Languages/English/");
  EXPECT_EQ(language(nullptr, nullptr, "C"), "Languages/English/");
  EXPECT_EQ(language(nullptr, nullptr, nullptr), "Languages/English/");
}

TEST_F(FoldersTest, ALanguageArgumentWinsOverTheLocale) {
  test::MakeDirs(Program + "Languages/German");
  test::MakeDirs(Program + "Languages/Russian");
  TScopedEnv all("LC_ALL", nullptr);
  TScopedEnv lang("LANG", "ru_RU.UTF-8");
  const TCommandLine given = ReadCommandLine({"-language", "german"});
  EXPECT_TRUE(given.LanguageGiven);
  EXPECT_FALSE(ReadCommandLine({"-debug"}).LanguageGiven);
  EXPECT_FALSE(ReadCommandLine({"-language", "1"}).LanguageGiven);  // not a name: ignored
  SetUseSystemLanguage(!given.LanguageGiven);
  Init();
  EXPECT_EQ(FolderPath(TFolderKind::Language), Program + "Languages/German/");
  DoneFolders();
  // A "Language" folder beside the program wins over the locale too.
  test::MakeDirs(Program + "Language");
  SetUseSystemLanguage(true);
  Init();
  EXPECT_EQ(FolderPath(TFolderKind::Language), Program + "Language/");
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
