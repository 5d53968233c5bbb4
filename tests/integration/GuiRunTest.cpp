// The real main loop with the test form "GuiTest" (every common control, and buttons that open
// the common dialogs), driven by input scripts through the GUI harness: what the GUI trace lists,
// what the players' save holds afterwards, and how each dialog looks (golden pictures).
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "engine/EngineTextures.h"
#include "game/GamePlayers.h"
#include "support/GoldenSupport.h"
#include "support/TestSupport.h"

namespace tv::test {
namespace {

class GuiRun : public ::testing::Test {
 protected:
  std::string UserFolder() const { return Dir / "data/Quillmark/Tolvaren"; }
  // Runs the test program with a script; returns its exit code.
  int Run(const std::string& Script, std::string* Err, const std::string& Extra = "") {
    WriteFile(Dir / "input.txt", Script);
    return RunCommand("SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy TOLVAREN_DESKTOP=1280x720 XDG_DATA_HOME='" +
                          Dir.Path() + "/data' '" TV_BIN_DIR "/tolvaren-guitest' -fixed-dt 0.02 -seed 7 -input '" +
                          Dir / "input.txt" + "' -gui-trace '" + Dir / "trace.txt" + "' " + Extra,
                      nullptr, Err);
  }
  // The trace's lines without their frame numbers.
  std::vector<std::string> Happenings() const {
    std::vector<std::string> lines;
    std::istringstream in(ReadFile(Dir / "trace.txt"));
    for (std::string line; std::getline(in, line);) {
      const size_t comma = line.find(", ");
      if (line.rfind("{\"frame\": ", 0) == 0 && comma != std::string::npos) line = "{" + line.substr(comma + 2);
      // A save's size and hash depend on the profile's contents; only its phase is compared.
      if (line.rfind("{\"save\": ", 0) == 0) line = line.substr(0, line.find(", ")) + "}";
      lines.push_back(line);
    }
    return lines;
  }
  TTempDir Dir;
};

TEST_F(GuiRun, OptionsChangedThroughTheDialogReachTheSaveAndTheQueryEndsTheRun) {
  const std::string script =
      "1 wait form GuiTest\n"
      "+1 wait ready\n"
      "+1 click Options\n"
      "+1 wait dialog Options\n"
      "+1 wait ready\n"
      "+1 click EffectsDown\n"
      "+3 click MusicUp\n"
      "+3 click Windowed\n"
      "+3 click Close\n"
      "+1 wait form GuiTest\n"
      "+1 wait ready\n"
      "+1 click Quit\n"
      "+1 wait dialog QueryCustom\n"
      "+1 wait ready\n"
      "+1 click Yes\n";
  std::string err;
  ASSERT_EQ(Run(script, &err), 0) << err;
  const std::vector<std::string> expected = {
      R"({"transition": "Fade", "phase": "start"})",
      R"({"form": "GuiTest"})",
      R"({"transition": "Fade", "phase": "end"})",
      R"({"click": "Options", "in": "GuiTest"})",
      R"({"dialog": "Options", "shown": true})",
      R"({"click": "EffectsDown", "in": "Options"})",
      R"({"click": "MusicUp", "in": "Options"})",
      R"({"click": "Windowed", "in": "Options"})",
      R"({"click": "Close", "in": "Options"})",
      R"({"dialog": "Options", "shown": false})",
      R"({"click": "Quit", "in": "GuiTest"})",
      R"({"dialog": "QueryCustom", "shown": true})",
      R"({"click": "Yes", "in": "QueryCustom"})",
      R"({"save": "start"})",
      R"({"save": "done"})",
      R"({"exit": 0})",
  };
  EXPECT_EQ(Happenings(), expected);

  // The run started in full screen with every volume at its default; the player keeps the changes.
  const std::string save = ReadFile(UserFolder() + "/Save_qv.dat");
  const TSaveContents contents = ParseSaveFile(save, "save");
  ASSERT_EQ(contents.Players.size(), 1u);
  const TPlayer& player = *contents.Players[0];
  EXPECT_FALSE(player.FullScreen);
  EXPECT_EQ(player.EffectsVolume, 9);
  EXPECT_EQ(player.EnvironmentVolume, 10);
  EXPECT_EQ(player.MusicVolume, 9);
  EXPECT_TRUE(PathExists(UserFolder() + "/StartWindowed.flg"));
}

TEST_F(GuiRun, ScriptNamingAControlThatIsNotThereFailsLoudly) {
  std::string err;
  EXPECT_EQ(Run("1 wait form GuiTest\n+1 wait ready\n+1 click NoSuchButton\n", &err), 3);
  EXPECT_NE(err.find("NoSuchButton"), std::string::npos) << err;
  // A disabled control cannot be clicked either.
  EXPECT_EQ(Run("1 wait form GuiTest\n+1 wait ready\n+1 click PlainDisabled\n", &err), 3);
}

TEST_F(GuiRun, BackToBackClicksEachLandAndEveryShowingOfADialogIsWaitedForOnce) {
  const std::string script =
      "1 wait form GuiTest\n"
      "wait ready\n"
      // Two clicks in a row: the second is pressed only after the first has let go.
      "click Link\n"
      "click Link\n"
      "click Message\n"
      "wait shown MessageCustom\n"
      "wait ready\n"
      "click OK\n"
      // The same dialog again: its first showing was taken, so this waits for the second.
      "wait control Message\n"
      "click Message\n"
      "wait shown MessageCustom\n"
      "wait ready\n"
      "screenshot shots/message.png\n"
      "+1 click OK\n"
      "wait control Quit\n"
      "click Quit\n"
      "wait shown QueryCustom\n"
      "wait ready\n"
      "click Yes\n";
  MakeDirs(Dir / "shots");
  std::string err;
  ASSERT_EQ(Run(script, &err), 0) << err;
  const std::vector<std::string> lines = Happenings();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), R"({"click": "Link", "in": "GuiTest"})"), 2);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), R"({"dialog": "MessageCustom", "shown": true})"), 2);
  EXPECT_EQ(lines.back(), R"({"exit": 0})");
  // The screenshot is of the frame with the second message, beside the script.
  const std::string shot = ReadFile(Dir / "shots/message.png");
  ASSERT_FALSE(shot.empty());
  const TImage picture = DecodePng(reinterpret_cast<const uint8_t*>(shot.data()), shot.size(), false);
  EXPECT_EQ(picture.Width, 1280);
  EXPECT_EQ(picture.Height, 720);

  // A third showing never comes: the wait runs out and says which.
  const std::string again =
      "1 wait form GuiTest\nwait ready\nclick Message\nwait shown MessageCustom\nwait ready\nclick OK\n"
      "wait shown MessageCustom 20\n";
  EXPECT_EQ(Run(again, &err), 3);
  EXPECT_NE(err.find("wait shown MessageCustom ran out after 20 frames"), std::string::npos) << err;
}

// ---- Golden pictures ----------------------------------------------------------------------------

TEST_F(GuiRun, GoldenFormOfEveryControl) {
  // The mouse rests on the link; the form holds its other buttons in their looks.
  std::string err;
  ASSERT_EQ(Run("1 wait form GuiTest\n+1 wait ready\n+1 move 40 -200\n+20 close\n", &err,
                "-screenshot '" + Dir / "shot.png" + "'"),
            0)
      << err;
  CheckGolden("gui_controls", Dir / "shot.png");
}

TEST_F(GuiRun, GoldenCommonDialogs) {
  struct TCase {
    const char* Button;
    const char* Dialog;
    const char* Golden;
  };
  for (const TCase& c : {TCase{"Message", "MessageCustom", "gui_message"}, TCase{"Quit", "QueryCustom", "gui_query"},
                         TCase{"InputLine", "InputLineCustom", "gui_inputline"},
                         TCase{"Options", "Options", "gui_options"}, TCase{"About", "About", "gui_about"}}) {
    std::string err;
    const std::string script = std::string("1 wait form GuiTest\n+1 wait ready\n+1 click ") + c.Button +
                               "\n+1 wait dialog " + c.Dialog + "\n+1 wait ready\n+1 move 700 400\n+10 close\n";
    ASSERT_EQ(Run(script, &err, "-screenshot '" + Dir / c.Golden + ".png'"), 0) << c.Dialog << ": " << err;
    CheckGolden(c.Golden, Dir / (std::string(c.Golden) + ".png"));
  }
}

TEST_F(GuiRun, GoldenLanguagePageSwitchedWhileOpen) {
  // The page is opened in English and switched while it and the options behind it are open.
  for (const char* language : {"German", "Russian"}) {
    std::string err;
    const std::string golden = std::string("gui_language_") + (language[0] == 'G' ? "de" : "ru");
    const std::string script = std::string(
                                   "1 wait form GuiTest\n+1 wait ready\n+1 click Options\n+1 wait dialog Options\n"
                                   "+1 wait ready\n+1 click Language\n+1 wait dialog Language\n+1 wait ready\n"
                                   "+1 click Language") +
                               language + "\n+1 move 700 400\n+10 close\n";
    ASSERT_EQ(Run(script, &err, "-screenshot '" + Dir / golden + ".png'"), 0) << language << ": " << err;
    CheckGolden(golden, Dir / (golden + ".png"));
  }
}

}  // namespace
}  // namespace tv::test
