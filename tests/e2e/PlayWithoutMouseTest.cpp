// A new player's first run by controller alone and by keyboard alone, against the same run by
// mouse: the name typed (on the on-screen keyboard with the controller), the menu, "Play", the
// opening scenes, the sites of the solver's way up to the inventory's first showing (barter trades
// on the way), back to the menu through the exit query and out through "Quit". The three saves are
// the same; the controller's and the keyboard's traces show the focus going where the presses
// took it and no mouse click at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "e2e/ProgramRun.h"

namespace tv {
namespace {

using nlohmann::json;

class PlayWithoutMouse : public test::TProgramRun {
 protected:
  // The solver's input from an empty user folder, up to the inventory's first closing: clicks by
  // name, the name prompt answered by keys and text.
  std::string SolversOpening() {
    std::string out;
    std::string err;
    const std::string scenario = Bin + "/Ordinary/S0Scenario.dat";
    const std::string texts = Bin + "/Languages/English/T1ScriptScenario.xml";
    EXPECT_EQ(test::RunCommand("'" + Bin + "/tolvaren-tool' scenario solve '" + scenario + "' --texts '" + texts +
                                   "' -o '" + (Dir / "way.txt") + "' --input '" + (Dir / "solved.txt") + "' --name Ada",
                               &out, &err),
              0)
        << err;
    const std::string all = test::ReadFile(Dir / "solved.txt");
    const size_t inventory = all.find("wait shown Inventory");
    const size_t close = all.find("click Close", inventory);
    EXPECT_NE(close, std::string::npos) << "the way opens the inventory";
    // Screenshots are the story test's business.
    return std::regex_replace(all.substr(0, close) + "click Close\n", std::regex("screenshot [^\n]*\n"), "");
  }

  // Each click by name as the player's other hand would make it: the focus steered there, then
  // the button that uses it.
  static std::string ClicksAs(const std::string& Script, const std::string& Steer, const std::string& Use) {
    return std::regex_replace(Script, std::regex("(\\+\\d+ )?click (\\S+)"), "steer " + Steer + " $2\n" + Use);
  }

  int RunFresh(const std::string& Script, std::vector<json>& Trace, std::string& Err) {
    std::filesystem::remove_all(Dir / "data");
    return Run(Script, Trace, Err);
  }

  static std::vector<std::string> Focuses(const std::vector<json>& Trace) {
    std::vector<std::string> names;
    for (const json& line : Trace) {
      if (line.contains("focus")) names.push_back(line["focus"]);
    }
    return names;
  }
};

// The name prompt's proposed name rubbed out and "Ada" typed on the on-screen keyboard (a capital
// first, the letters after it small), then its OK key.
const std::string NameOnScreenKeyboard = [] {
  std::string s = "+1 pad b\nsteer pad KeyDelete\n";
  for (int i = 0; i < 9; ++i) s += "+1 pad a\n";  // "Traveller"
  return s +
         "steer pad KeyA\n+1 pad a\nsteer pad KeyD\n+1 pad a\nsteer pad KeyA\n+1 pad a\nsteer pad KeyOK\n+1 pad a\n";
}();

// The left stick pushed down past half way and let go.
const std::string StickDown = "+1 pad-axis lefty 0.9\n+2 pad-axis lefty 0.1\n+1 pad-axis lefty 0\n";

TEST_F(PlayWithoutMouse, AControllerAndAKeyboardPlayTheFirstRunAsTheMouseDoes) {
  Frames = 6000;
  const std::string opening = SolversOpening();
  ASSERT_FALSE(HasFailure());
  const size_t nameEnd = opening.find("+2 click OK\n");
  ASSERT_NE(nameEnd, std::string::npos);
  const std::string prompt = opening.substr(0, nameEnd);  // the waits for the prompt, BackSpace, text
  const std::string rest = opening.substr(nameEnd + 12);

  // By mouse: the exit icon and its query, then "Quit" and its query.
  const std::string leaveByMouse =
      "wait idle\nwait control ExitIcon\nclick ExitIcon\nwait dialog QueryCustom\nwait ready\n+2 click Yes\n" +
      test::QuitFromMenu;
  std::vector<json> trace;
  std::string err;
  ASSERT_EQ(RunFresh(opening + leaveByMouse, trace, err), 0) << err;
  const json bymouse = Save();
  ASSERT_EQ(bymouse["players"].size(), 1u);
  EXPECT_EQ(bymouse["players"][0]["name"], "Ada");
  EXPECT_TRUE(Has(trace, {{"dialog", "Inventory"}, {"shown", true}}));
  EXPECT_TRUE(Focuses(trace).empty()) << "the mouse never shows the focus";
  const int trades = Count(trace, {{"click", "BarterPerf1"}});
  EXPECT_GT(trades, 0);

  // By controller: Start asks to leave the map; the menu's "Quit" is steered to.
  const std::string padScript =
      std::regex_replace(prompt, std::regex("\\+1 (key BackSpace|text Ada)\n"), "") + NameOnScreenKeyboard +
      ClicksAs(rest, "pad", "+1 pad a") +
      "wait idle\nwait control ExitIcon\n+1 pad start\nwait dialog QueryCustom\nwait ready\n" +
      ClicksAs("click Yes\n", "pad", "+1 pad a") +
      // The menu's "Quit" three buttons down, by the left stick.
      "wait form Menu\nwait ready\nwait focus Play\n" + StickDown + StickDown + StickDown +
      "wait focus Quit\n+1 pad a\nwait dialog QueryCustom\nwait ready\n" + ClicksAs("click Yes\n", "pad", "+1 pad a");
  ASSERT_EQ(padScript.find("click"), std::string::npos);
  ASSERT_EQ(RunFresh(padScript, trace, err), 0) << err;
  EXPECT_EQ(Save(), bymouse);
  std::vector<std::string> focuses = Focuses(trace);
  EXPECT_FALSE(focuses.empty());
  EXPECT_TRUE(Has(trace, {{"click", "KeyD"}, {"in", "InputLineCustom"}}));
  EXPECT_TRUE(Has(trace, {{"click", "InventoryIcon"}, {"in", "Play"}}));
  EXPECT_TRUE(Has(trace, {{"click", "ExitIcon"}, {"in", "Play"}})) << "Start counts as Escape";
  EXPECT_EQ(Count(trace, {{"click", "BarterPerf1"}}), trades);

  // By keyboard: the name typed, Return for OK; Tab takes the focus round, Return uses it.
  const std::string keysScript =
      prompt + "+2 key Return\n" + ClicksAs(rest, "tab", "+1 key Return") +
      "wait idle\nwait control ExitIcon\n+1 key Escape\nwait dialog QueryCustom\nwait ready\n" +
      ClicksAs(
          "click Yes\nwait form Menu\nwait ready\nclick Quit\nwait dialog "
          "QueryCustom\nwait ready\nclick Yes\n",
          "tab", "+1 key Space");
  ASSERT_EQ(RunFresh(keysScript, trace, err), 0) << err;
  EXPECT_EQ(Save(), bymouse);
  focuses = Focuses(trace);
  EXPECT_FALSE(focuses.empty());
  EXPECT_EQ(focuses.back(), "Yes");
  EXPECT_TRUE(Has(trace, {{"click", "InventoryIcon"}, {"in", "Play"}}));
}

}  // namespace
}  // namespace tv
