// The game installed as a desktop program ("cmake --install" into a temporary DESTDIR): the files
// a desktop needs are in place, and the installed program, started from elsewhere with an empty
// user folder, finds its data and writes nothing but its user folder. The language is chosen from
// the locale as the game and the tool share the rule.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "base/AppFolders.h"
#include "engine/EngineScript.h"
#include "platform/PlatformSystem.h"
#include "support/TestSupport.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

// Every file below Root with its size and modification time.
std::map<std::string, std::string> Snapshot(const std::string& Root) {
  std::map<std::string, std::string> files;
  if (!fs::exists(Root)) return files;
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(Root)) {
    struct stat st {};
    if (lstat(e.path().c_str(), &st) != 0) continue;
    files[e.path().string()] =
        std::to_string(st.st_size) + "@" + std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
  }
  return files;
}

// Width and height of a PNG file from its header; {0, 0} when it is no PNG.
std::pair<uint32_t, uint32_t> PngSize(const std::string& Path) {
  const std::string bytes = test::ReadFile(Path);
  if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return {0, 0};
  auto be = [&](size_t At) {
    return static_cast<uint32_t>(static_cast<uint8_t>(bytes[At]) << 24 | static_cast<uint8_t>(bytes[At + 1]) << 16 |
                                 static_cast<uint8_t>(bytes[At + 2]) << 8 | static_cast<uint8_t>(bytes[At + 3]));
  };
  return {be(16), be(20)};
}

class DesktopInstall : public ::testing::Test {
 protected:
  // One installation for all the tests here: copying the data takes a moment.
  static void SetUpTestSuite() {
    Dir = new test::TTempDir();
    InstallResult = test::RunCommand("DESTDIR='" + Root() + "' cmake --install '" TV_BIN_DIR "/..' --prefix /usr",
                                     nullptr, &InstallErrors);
  }
  static void TearDownTestSuite() {
    delete Dir;
    Dir = nullptr;
  }
  void SetUp() override { ASSERT_EQ(InstallResult, 0) << InstallErrors; }

  static std::string Root() { return *Dir / "root"; }
  static std::string Usr(const std::string& Path) { return Root() + "/usr/" + Path; }

  // Runs the installed program from a working folder of its own, with an empty user data folder
  // and a home folder of its own.
  int RunInstalled(const std::string& Env, const std::string& Args, std::string* Err) {
    test::MakeDirs(Work.Path() + "/cwd");
    test::MakeDirs(Work.Path() + "/home");
    return test::RunCommand("cd '" + Work.Path() + "/cwd' && env -u LC_ALL -u LC_MESSAGES -u LANGUAGE " + Env +
                                " SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy TOLVAREN_DESKTOP=640x360 HOME='" +
                                Work.Path() + "/home' XDG_DATA_HOME='" + Work.Path() + "/data' '" +
                                Usr("bin/tolvaren") + "' " + Args,
                            nullptr, Err);
  }
  std::string UserFolder() const { return Work.Path() + "/data/Quillmark/Tolvaren"; }

  static test::TTempDir* Dir;
  static int InstallResult;
  static std::string InstallErrors;
  test::TTempDir Work;
};

test::TTempDir* DesktopInstall::Dir = nullptr;
int DesktopInstall::InstallResult = -1;
std::string DesktopInstall::InstallErrors;

TEST_F(DesktopInstall, TheUsualLayout) {
  EXPECT_TRUE(FileExists(Usr("bin/tolvaren")));
  EXPECT_EQ(access(Usr("bin/tolvaren").c_str(), X_OK), 0);
  EXPECT_FALSE(test::PathExists(Usr("bin/tolvaren-tool")));  // the authoring tool stays in the build
  // The data, with no data beside the program.
  EXPECT_TRUE(FileExists(Usr("share/tolvaren/Ordinary/S0Scenario.dat")));
  for (const char* language : {"English", "German", "Russian"}) {
    EXPECT_TRUE(FileExists(Usr("share/tolvaren/Languages/") + language + "/T1ScriptCommon.xml")) << language;
    EXPECT_TRUE(FileExists(Usr("share/tolvaren/Languages/") + language + "/T2FontCustom.tpx")) << language;
  }
  EXPECT_TRUE(DirectoryExists(Usr("share/tolvaren/Branding")));
  EXPECT_FALSE(test::PathExists(Usr("bin/Ordinary")));
  // The desktop's files.
  EXPECT_TRUE(FileExists(Usr("share/applications/com.quillmark.Tolvaren.desktop")));
  EXPECT_TRUE(FileExists(Usr("share/metainfo/com.quillmark.Tolvaren.metainfo.xml")));
  EXPECT_TRUE(FileExists(Usr("share/icons/hicolor/scalable/apps/com.quillmark.Tolvaren.svg")));
  for (uint32_t size : {16u, 22u, 24u, 32u, 48u, 64u, 128u, 256u, 512u}) {
    const std::string dims = std::to_string(size) + "x" + std::to_string(size);
    EXPECT_EQ(PngSize(Usr("share/icons/hicolor/" + dims + "/apps/com.quillmark.Tolvaren.png")),
              std::make_pair(size, size))
        << dims;
  }
  EXPECT_TRUE(FileExists(Usr("share/doc/tolvaren/copyright")));
  EXPECT_TRUE(FileExists(Usr("share/doc/tolvaren/CREDITS.md")));
  // The metainfo was filled in by the build.
  const std::string metainfo = test::ReadFile(Usr("share/metainfo/com.quillmark.Tolvaren.metainfo.xml"));
  EXPECT_EQ(metainfo.find('@'), std::string::npos) << "a placeholder was left unfilled";
  EXPECT_NE(metainfo.find("<content_rating type=\"oars-1.1\">"), std::string::npos);
  // The metadata, the desktop entry it launches and the icons, checked together as installed.
  if (test::RunCommand("command -v appstreamcli") == 0) {
    std::string out;
    EXPECT_EQ(test::RunCommand("appstreamcli validate-tree --no-net '" + Root() + "'", &out), 0) << out;
  } else {
    std::printf("appstreamcli not installed (scripts/setup.sh installs appstream): tree not validated\n");
  }
}

TEST_F(DesktopInstall, TheInstalledProgramRunsFromAnywhereAndWritesOnlyItsUserFolder) {
  const std::map<std::string, std::string> installed = Snapshot(Root());
  for (const char* env : {"LANG=C.UTF-8", "LANG=ru_RU.UTF-8", "LANG=de_DE.UTF-8"}) {
    SCOPED_TRACE(env);
    std::string err;
    EXPECT_EQ(RunInstalled(env, "-frames 60 -fixed-dt 0.016", &err), 0) << err;
    // A log is written only when something was logged: a missing picture, font or sound would
    // have left its warning there.
    EXPECT_FALSE(test::PathExists(UserFolder() + "/Log.txt")) << test::ReadFile(UserFolder() + "/Log.txt");
    EXPECT_TRUE(DirectoryExists(UserFolder()));
  }
  // Nothing changed in the installation, and the working and home folders stay empty.
  EXPECT_EQ(Snapshot(Root()), installed);
  EXPECT_TRUE(fs::is_empty(Work.Path() + "/cwd"));
  EXPECT_TRUE(fs::is_empty(Work.Path() + "/home"));
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(Work.Path() + "/data")) {
    const std::string path = e.path().string();
    EXPECT_TRUE(path == Work.Path() + "/data/Quillmark" || path.rfind(UserFolder(), 0) == 0) << path;
  }
}

TEST_F(DesktopInstall, AMissingLanguageArgumentFallsBackToEnglishData) {
  // A language the installation has no folder for, by argument or by locale, runs in English.
  std::string err;
  EXPECT_EQ(RunInstalled("LANG=fr_FR.UTF-8", "-frames 5", &err), 0) << err;
  EXPECT_EQ(RunInstalled("LANG=ru_RU.UTF-8", "-frames 5 -language French", &err), 0) << err;
  EXPECT_FALSE(test::PathExists(UserFolder() + "/Log.txt")) << test::ReadFile(UserFolder() + "/Log.txt");
}

// The tool prints the folders as the game picks them from the same environment.
TEST(SystemLanguage, TheToolPicksTheFolderTheGameWould) {
  auto languageFolder = [](const std::string& Env, const std::string& Args) {
    std::string out;
    std::string err;
    EXPECT_EQ(test::RunCommand(
                  "env -u LC_ALL -u LC_MESSAGES -u LANG " + Env + " '" TV_BIN_DIR "/tolvaren-tool' folders " + Args,
                  &out, &err),
              0)
        << err;
    const size_t at = out.find("Language\t");
    return at == std::string::npos ? std::string() : out.substr(at + 9, out.find('\n', at) - at - 9);
  };
  const std::string languages = std::string(TV_BIN_DIR) + "/Languages/";
  EXPECT_EQ(languageFolder("LANG=ru_RU.UTF-8", ""), languages + "Russian/");
  EXPECT_EQ(languageFolder("LANG=de_DE.UTF-8", ""), languages + "German/");
  EXPECT_EQ(languageFolder("LANG=fr_FR.UTF-8", ""), languages + "English/");
  EXPECT_EQ(languageFolder("LC_ALL=de_DE.UTF-8 LANG=ru_RU.UTF-8", ""), languages + "German/");
  EXPECT_EQ(languageFolder("LANG=de_DE.UTF-8", "russian"), languages + "Russian/");
}

// With LANG=ru_RU.UTF-8 and no language argument the text table holds the Russian texts; with
// LANG=fr_FR.UTF-8, for which there is no folder, the English ones.
TEST(SystemLanguage, TheTextTableLoadsTheLocalesLanguage) {
  test::TTempDir dir;
  test::TScopedEnv xdg("XDG_DATA_HOME", (dir / "data").c_str());
  test::TScopedEnv all("LC_ALL", nullptr);
  test::TScopedEnv messages("LC_MESSAGES", nullptr);
  auto menuButton = [](const char* Lang) {
    test::TScopedEnv lang("LANG", Lang);
    SetUseSystemLanguage(true);
    InitFoldersFrom(std::string(TV_BIN_DIR) + "/tolvaren");
    SetUseSystemLanguage(false);
    const std::string language = GetLanguageName();  // the common script renames it in its own tongue
    InitTexts();
    const std::string text = NarrowToUtf8(GetText("ButtonPlay"));
    FreeTexts();
    DoneFolders();
    ResetLocalization();
    SetLanguageName("English");
    return std::make_pair(language, text);
  };
  EXPECT_EQ(menuButton("ru_RU.UTF-8"), std::make_pair(std::string("Russian"), std::string("Играть")));
  EXPECT_EQ(menuButton("de_DE.UTF-8"), std::make_pair(std::string("German"), std::string("Spielen")));
  EXPECT_EQ(menuButton("fr_FR.UTF-8"), std::make_pair(std::string("English"), std::string("Play")));
}

}  // namespace
}  // namespace tv
