// The input script: reading lines, relative frames and waits that hold the script. Played
// without a window, injected keys reach the input state directly.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/AppInput.h"
#include "app/AppInputScript.h"
#include "engine/EngineGui.h"
#include "support/TestSupport.h"

namespace tv {
namespace {

TScriptLine Parse(const std::string& Line) {
  TScriptLine out;
  EXPECT_TRUE(ParseInputScriptLine(Line, out)) << Line;
  return out;
}

TEST(InputScriptParseTest, ReadsFramesAndGuiCommands) {
  TScriptLine l = Parse("+5 wait form Menu 600\r");
  EXPECT_TRUE(l.Relative);
  EXPECT_EQ(l.Frame, 5u);
  EXPECT_EQ(l.What, TScriptLine::Kind::WaitForm);
  EXPECT_EQ(l.Text, "Menu");
  EXPECT_EQ(l.Limit, 600u);

  l = Parse("12 wait dialog QueryCustom");
  EXPECT_FALSE(l.Relative);
  EXPECT_EQ(l.Frame, 12u);
  EXPECT_EQ(l.What, TScriptLine::Kind::WaitDialog);
  EXPECT_EQ(l.Limit, DefaultWaitLimit);

  l = Parse("wait ready 30");  // no frame: right after the previous line
  EXPECT_TRUE(l.Relative);
  EXPECT_EQ(l.Frame, 0u);
  EXPECT_EQ(l.What, TScriptLine::Kind::WaitReady);
  EXPECT_EQ(l.Limit, 30u);

  l = Parse("+0 click Play");
  EXPECT_EQ(l.What, TScriptLine::Kind::Click);
  EXPECT_EQ(l.Text, "Play");

  l = Parse("+1 key Left Alt");
  EXPECT_EQ(l.What, TScriptLine::Kind::Key);
  EXPECT_EQ(l.Key, ScanLeftAlt);

  l = Parse("3 move -10.5 20");
  EXPECT_FLOAT_EQ(l.X, -10.5f);
  EXPECT_FLOAT_EQ(l.Y, 20);

  l = Parse("wait control BarterPerf2 300");
  EXPECT_EQ(l.What, TScriptLine::Kind::WaitControl);
  EXPECT_EQ(l.Text, "BarterPerf2");
  EXPECT_EQ(l.Limit, 300u);
  l = Parse("wait shown Scene");
  EXPECT_EQ(l.What, TScriptLine::Kind::WaitShown);
  EXPECT_EQ(l.Text, "Scene");
  EXPECT_EQ(Parse("+2 wait idle 50").What, TScriptLine::Kind::WaitIdle);
  l = Parse("wait reload T1ScriptCommon.xml 9000");
  EXPECT_EQ(l.What, TScriptLine::Kind::WaitReload);
  EXPECT_EQ(l.Text, "T1ScriptCommon.xml");
  EXPECT_EQ(l.Limit, 9000u);
  l = Parse("screenshot shots/the menu.png");
  EXPECT_EQ(l.What, TScriptLine::Kind::Screenshot);
  EXPECT_EQ(l.Text, "shots/the menu.png");
  l = Parse("+4 click-random");
  EXPECT_EQ(l.What, TScriptLine::Kind::ClickRandom);
  l = Parse("minimize");
  EXPECT_EQ(l.What, TScriptLine::Kind::Minimize);
  EXPECT_EQ(l.Milliseconds, DefaultMinimizedMs);
  EXPECT_EQ(Parse("2 minimize 60000").Milliseconds, 60000u);
  l = Parse("pad dpleft");
  EXPECT_EQ(l.What, TScriptLine::Kind::Pad);
  EXPECT_EQ(l.Button, PadLeft);
  l = Parse("+1 pad-axis lefty -0.75");
  EXPECT_EQ(l.What, TScriptLine::Kind::PadAxis);
  EXPECT_EQ(l.Button, PadLeftY);
  EXPECT_FLOAT_EQ(l.X, -0.75f);
  l = Parse("wait focus KeyA 40");
  EXPECT_EQ(l.What, TScriptLine::Kind::WaitFocus);
  EXPECT_EQ(l.Text, "KeyA");
  EXPECT_EQ(Parse("steer pad Play").What, TScriptLine::Kind::SteerPad);
  EXPECT_EQ(Parse("steer tab Play").What, TScriptLine::Kind::SteerTab);

  TScriptLine unused;
  EXPECT_FALSE(ParseInputScriptLine("   # a comment", unused));
  EXPECT_FALSE(ParseInputScriptLine("", unused));
}

TEST(InputScriptParseTest, BadLinesAreRejectedAndNamedWithTheirNumberAndText) {
  for (const char* bad : {"+ click Play",
                          "+x click Play",
                          "+-1 key Escape",
                          "0 click Play",
                          "1 click",
                          "1 click Play Now",
                          "1 wait",
                          "1 wait form",
                          "1 wait menu Menu",
                          "1 wait form Menu 0",
                          "1 wait form Menu soon",
                          "1 wait ready 5 6",
                          "1 wait control",
                          "1 wait shown",
                          "1 wait idle x",
                          "1 screenshot",
                          "1 key NoSuchKey",
                          "jump",
                          "1 close now",
                          "99999999999 close",
                          "1 click-random OK",
                          "1 minimize 0",
                          "1 minimize 60001",
                          "1 minimize soon",
                          "1 minimize 5 6",
                          "1 pad",
                          "1 pad z",
                          "1 pad a b",
                          "1 pad-axis leftx",
                          "1 pad-axis leftx 1.5",
                          "1 pad-axis sideways 0",
                          "1 wait focus",
                          "1 steer pad",
                          "1 steer mouse Play"}) {
    TScriptLine out;
    EXPECT_THROW(ParseInputScriptLine(bad, out), EError) << bad;
  }
  test::TTempDir dir;
  const std::string path = dir / "input.txt";
  test::WriteFile(path, "+1 wait form Menu\n+2 wiggle Play\n");
  try {
    LoadInputScript(path);
    ADD_FAILURE() << "accepted";
  } catch (const EScriptLineError& e) {
    EXPECT_NE(std::string(e.what()).find("line 2 \"+2 wiggle Play\": unknown command \"wiggle\""), std::string::npos)
        << e.what();
  }
  ClearInputScript();
}

TEST(InputScriptPlayTest, WaitsHoldTheScriptAndRelativeFramesCountFromThePreviousLine) {
  test::TTempDir dir;
  const std::string path = dir / "input.txt";
  test::WriteFile(path, "+2 key Escape\nwait form Menu 50\n+1 key Return\n6 key H\n");
  GuiStartup();
  RegisterForm(std::make_unique<TGuiForm>("Menu", "", ""));
  LoadInputScript(path);
  std::vector<uint32_t> cancel;
  std::vector<uint32_t> confirm;
  std::vector<uint32_t> hint;
  for (uint32_t frame = 1; frame <= 20; ++frame) {
    if (frame == 10) ShowForm("Menu");
    InjectScriptedInput(frame);
    UpdateInput();
    if (KeyDown(KeyCancel)) cancel.push_back(frame);
    if (KeyDown(KeyConfirm)) confirm.push_back(frame);
    if (KeyDown(KeyHint)) hint.push_back(frame);
  }
  EXPECT_TRUE(InputScriptDone());
  EXPECT_EQ(cancel, std::vector<uint32_t>{2});
  // The wait ends in frame 10 (the form is shown before the script is played), Return follows a
  // frame later, and the absolute frame 6 already passed, so H comes right after.
  EXPECT_EQ(confirm, std::vector<uint32_t>{11});
  EXPECT_EQ(hint, std::vector<uint32_t>{12});
  ClearInputScript();
  GuiShutdown();
}

TEST(InputScriptPlayTest, AKeyRightAfterAnotherIsPressedOnlyOnceTheFirstHasLetGo) {
  test::TTempDir dir;
  const std::string path = dir / "input.txt";
  test::WriteFile(path, "key Escape\nkey Escape\n");
  LoadInputScript(path);
  std::vector<uint32_t> pressed;
  for (uint32_t frame = 1; frame <= 8; ++frame) {
    InjectScriptedInput(frame);
    UpdateInput();
    if (KeyDown(KeyCancel) && !KeyWasDown(KeyCancel)) pressed.push_back(frame);
  }
  EXPECT_TRUE(InputScriptDone());
  // Down in 1, up in 2; the second press waits a frame, or it would come with the release and
  // the key would seem held throughout.
  EXPECT_EQ(pressed, (std::vector<uint32_t>{1, 3}));
  ClearInputScript();
}

}  // namespace
}  // namespace tv
