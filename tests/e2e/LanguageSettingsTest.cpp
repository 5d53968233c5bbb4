// The real program from a temporary user folder: the language chosen on the options' language page
// relocalises the menu and the open dialogs at once, is kept in "Settings.txt" for the next start,
// and "-language" still wins over it; a damaged settings file is logged and ignored; the window's
// place and size kept there are applied, pulled onto the desktop, and written back.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/ProgramRun.h"
#include "engine/EngineTextures.h"

namespace tv {
namespace {

using nlohmann::json;

class LanguageSettings : public test::TProgramRun {
 protected:
  // Runs the program like TProgramRun::Run, with the locale fixed to English and Extra arguments.
  int RunWith(const std::string& Script, const std::string& Extra, std::vector<json>& Trace, std::string& Err) {
    WriteFile(Dir / "input.txt", Script);
    const int code = test::RunCommand(
        "LC_ALL=C LANG=C SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy TOLVAREN_DESKTOP=1280x720 XDG_DATA_HOME='" +
            (Dir / "data") + "' '" + Bin + "/tolvaren' -fixed-dt 0.02 -seed 7 -frames 4000 -input '" +
            (Dir / "input.txt") + "' -gui-trace '" + (Dir / "trace.jsonl") + "' " + Extra,
        nullptr, &Err);
    Trace.clear();
    std::istringstream lines(test::ReadFile(Dir / "trace.jsonl"));
    for (std::string line; std::getline(lines, line);) {
      if (!line.empty()) Trace.push_back(json::parse(line));
    }
    return code;
  }
  static void WriteFile(const std::string& Path, const std::string& Text) { test::WriteFile(Path, Text); }
  // The texts of the trace's language lines, in order.
  static std::vector<json> LanguageLines(const std::vector<json>& Trace) {
    std::vector<json> lines;
    for (const json& line : Trace) {
      if (line.contains("language")) lines.push_back(line);
    }
    return lines;
  }
  std::string Settings() const { return test::ReadFile(UserDir() + "/Settings.txt"); }
};

// From the menu: the options, their language page, a click on Language; both pages stay open.
std::string ChooseLanguage(const std::string& Language) {
  return "wait form Menu\nwait ready\n+2 click Options\nwait dialog Options\nwait ready\n+2 click Language\n"
         "wait dialog Language\nwait ready\n+2 click " +
         Language + "\n";
}
// Both pages closed again, then out through "Quit".
const std::string CloseBothAndQuit =
    "+2 click Close\nwait dialog Options\nwait ready\n+2 click Close\n" + test::QuitFromMenu;

TEST_F(LanguageSettings, ChosenLanguageRelocalisesAtOnceSurvivesARestartAndYieldsToTheCommandLine) {
  std::vector<json> trace;
  std::string err;
  // A new player in English picks German: the menu behind and both open pages speak German in the
  // same frame, the choice is written at once and the profile is the player's as before.
  ASSERT_EQ(RunWith(test::TypeName("Ada") + ChooseLanguage("LanguageGerman") + CloseBothAndQuit, "", trace, err), 0)
      << err;
  std::vector<json> switched = LanguageLines(trace);
  ASSERT_EQ(switched.size(), 1u);
  EXPECT_EQ(switched[0]["language"], "German");
  EXPECT_EQ(switched[0]["from"], "English");
  const json& texts = switched[0]["texts"];
  EXPECT_EQ(texts["Menu.Options"], "Optionen") << texts.dump();
  EXPECT_EQ(texts["Menu.Quit"], "Beenden") << texts.dump();
  EXPECT_EQ(texts["Menu.Welcome"], "Willkommen zurück, Ada") << texts.dump();
  EXPECT_EQ(texts["Options.Language"], "Sprache") << texts.dump();
  EXPECT_EQ(texts["Options.Windowed"], "Fenster") << texts.dump();
  EXPECT_EQ(texts["Language.Close"], "Schließen") << texts.dump();
  EXPECT_EQ(texts["Language.LanguageRussian"], "Russisch") << texts.dump();
  EXPECT_EQ(Settings(), "TolvarenSettings 1\nLanguage German\nEnd\n");
  json save = Save();
  ASSERT_EQ(save["players"].size(), 1u) << save.dump();
  EXPECT_EQ(save["players"][0]["name"], "Ada");

  // The next start speaks German from the first frame; back to English from there.
  ASSERT_EQ(RunWith(ChooseLanguage("LanguageEnglish") + CloseBothAndQuit, "", trace, err), 0) << err;
  switched = LanguageLines(trace);
  ASSERT_EQ(switched.size(), 1u);
  EXPECT_EQ(switched[0]["from"], "German") << switched[0].dump();
  EXPECT_EQ(switched[0]["texts"]["Menu.Options"], "Options") << switched[0].dump();
  EXPECT_EQ(Settings(), "TolvarenSettings 1\nLanguage English\nEnd\n");
  EXPECT_FALSE(Has(trace, {{"dialog", "InputLineCustom"}}));

  // "-language German" wins over the file's English; from there to Russian, a font of another code
  // page.
  ASSERT_EQ(RunWith(ChooseLanguage("LanguageRussian") + CloseBothAndQuit, "-language German", trace, err), 0) << err;
  switched = LanguageLines(trace);
  ASSERT_EQ(switched.size(), 1u);
  EXPECT_EQ(switched[0]["from"], "German") << switched[0].dump();
  EXPECT_EQ(switched[0]["texts"]["Menu.Options"], "Настройки") << switched[0].dump();
  EXPECT_EQ(switched[0]["texts"]["Language.LanguageGerman"], "Немецкий") << switched[0].dump();
  EXPECT_EQ(Settings(), "TolvarenSettings 1\nLanguage Russian\nEnd\n");
  EXPECT_EQ(Save()["players"][0]["name"], "Ada");
}

TEST_F(LanguageSettings, DamagedSettingsFileIsLoggedAndIgnoredWithTheProfileUntouched) {
  std::vector<json> trace;
  std::string err;
  ASSERT_EQ(RunWith(test::TypeName("Ada") + test::QuitFromMenu, "", trace, err), 0) << err;
  const json profile = Save();
  ASSERT_EQ(profile["players"].size(), 1u) << profile.dump();

  static const char Garbage[] = "\x89PNG\r\n\x1a\n\x00\xff garbage\nEnd\n";
  struct TCase {
    const char* What;
    std::string Text;
  };
  const std::vector<TCase> cases = {
      {"cut short", "TolvarenSettings 1\nLanguage German\n"},
      {"garbage", std::string(Garbage, sizeof Garbage - 1)},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    WriteFile(UserDir() + "/Settings.txt", c.Text);
    test::WriteFile(UserDir() + "/Log.txt", "");
    // The run starts in English, whatever the damaged file names, and ends as usual.
    ASSERT_EQ(RunWith(ChooseLanguage("LanguageRussian") + CloseBothAndQuit, "", trace, err), 0) << err;
    const std::vector<json> switched = LanguageLines(trace);
    ASSERT_EQ(switched.size(), 1u);
    EXPECT_EQ(switched[0]["from"], "English") << switched[0].dump();
    EXPECT_EQ(switched[0]["texts"]["Menu.Options"], "Настройки") << switched[0].dump();
    const std::string log = test::ReadFile(UserDir() + "/Log.txt");
    EXPECT_NE(log.find("The settings file"), std::string::npos) << log;
    EXPECT_NE(log.find("it is ignored"), std::string::npos) << log;
    // Choosing a language wrote a whole file again; the profile is as it was.
    EXPECT_EQ(Settings(), "TolvarenSettings 1\nLanguage Russian\nEnd\n");
    EXPECT_EQ(Save(), profile);
  }
}

TEST_F(LanguageSettings, WindowPlaceIsAppliedClampedToTheDesktopAndKeptForTheNextRun) {
  std::vector<json> trace;
  std::string err;
  test::MakeDirs(UserDir());
  test::WriteFile(UserDir() + "/StartWindowed.flg", "");
  // The window opens where and as large as it was last; leaving writes the same place back.
  WriteFile(UserDir() + "/Settings.txt", "TolvarenSettings 1\nLanguage German\nWindow 40 30 1000 560\nEnd\n");
  ASSERT_EQ(RunWith(test::TypeName("Ada") + test::QuitFromMenu, "-screenshot '" + Dir / "shot.png" + "'", trace, err),
            0)
      << err;
  std::string shot = test::ReadFile(Dir / "shot.png");
  TImage picture = DecodePng(reinterpret_cast<const uint8_t*>(shot.data()), shot.size(), false);
  EXPECT_EQ(picture.Width, 1000);
  EXPECT_EQ(picture.Height, 560);
  EXPECT_EQ(Settings(), "TolvarenSettings 1\nLanguage German\nWindow 40 30 1000 560\nEnd\n");

  // A place beyond this desktop (1280 x 720) is pulled onto it, the size cut to the desktop's.
  WriteFile(UserDir() + "/Settings.txt", "TolvarenSettings 1\nWindow 5000 -300 2000 900\nEnd\n");
  ASSERT_EQ(RunWith(test::QuitFromMenu, "-screenshot '" + Dir / "shot.png" + "'", trace, err), 0) << err;
  shot = test::ReadFile(Dir / "shot.png");
  picture = DecodePng(reinterpret_cast<const uint8_t*>(shot.data()), shot.size(), false);
  EXPECT_EQ(picture.Width, 1280);
  EXPECT_EQ(picture.Height, 720);
  EXPECT_EQ(Settings(), "TolvarenSettings 1\nWindow 0 0 1280 720\nEnd\n");
}

}  // namespace
}  // namespace tv
