// Golden pictures of the screens a player meets first, drawn by the real program with the demo
// content at 1600 x 900 (and letterboxed at 1280 x 1024), in English and German: the name prompt,
// the menu, the profiles form, the achievements list, the inventory and the hint.
//
// Regenerate on purpose, after looking at the new pictures:
//   TV_UPDATE_GOLDENS=1 build/tests/test_e2e --gtest_filter='ScreensGolden*'
// A picture that differs is written to build/golden-actual/NAME.png.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "engine/EngineTextures.h"
#include "support/TestSupport.h"

namespace tv {
namespace {

const std::string Bin = TV_BIN_DIR;
const std::string GoldenDir = std::string(TV_SOURCE_DIR) + "/tests/golden";

// At most 0.3 % of the pixels may differ by more than 24 in a channel.
void CheckGolden(const std::string& Name, const std::string& Shot) {
  const std::string golden = GoldenDir + "/" + Name + ".png";
  ASSERT_TRUE(test::PathExists(Shot)) << Shot;
  if (std::getenv("TV_UPDATE_GOLDENS") != nullptr) {
    test::WriteFile(golden, test::ReadFile(Shot));
    return;
  }
  ASSERT_TRUE(test::PathExists(golden)) << golden << " is missing; make it with TV_UPDATE_GOLDENS=1";
  const std::string a = test::ReadFile(Shot);
  const std::string b = test::ReadFile(golden);
  const TImage got = DecodePng(reinterpret_cast<const uint8_t*>(a.data()), a.size(), false);
  const TImage want = DecodePng(reinterpret_cast<const uint8_t*>(b.data()), b.size(), false);
  ASSERT_EQ(got.Width, want.Width);
  ASSERT_EQ(got.Height, want.Height);
  int64_t differing = 0;
  for (size_t i = 0; i < got.Bytes.size(); i += 4) {
    int worst = 0;
    for (size_t k = 0; k < 4; ++k) worst = std::max(worst, std::abs(int{got.Bytes[i + k]} - int{want.Bytes[i + k]}));
    if (worst > 24) ++differing;
  }
  const int64_t pixels = int64_t{got.Width} * got.Height;
  if (differing * 1000 > pixels * 3) {
    test::MakeDirs(Bin + "/../golden-actual");
    test::WriteFile(Bin + "/../golden-actual/" + Name + ".png", a);
  }
  EXPECT_LE(differing * 1000, pixels * 3) << Name << ": " << differing << " pixels differ";
}

class ScreensGolden : public ::testing::Test {
 protected:
  std::string UserDir() const { return Dir / "data/Quillmark/Tolvaren"; }

  // A save holding one nameless player part-way into the demo story (the icons unlocked, the hero
  // resting between two visits), made by the tool along the solver's way.
  void MakeProgressedSave() {
    test::MakeDirs(UserDir());
    std::string out;
    std::string err;
    const std::string scenario = Bin + "/Ordinary/S0Scenario.dat";
    ASSERT_EQ(test::RunCommand("'" + Bin + "/tolvaren-tool' scenario solve '" + scenario + "' --texts '" + Bin +
                                   "/Languages/English/T1ScriptScenario.xml' -o '" + (Dir / "way.txt") + "'",
                               &out, &err),
              0)
        << err;
    // The way up to its last entry into a site within the first 80 actions: the hero rests outside.
    std::istringstream way(test::ReadFile(Dir / "way.txt"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(way, line) && lines.size() < 80;) lines.push_back(line);
    size_t cut = lines.size();
    while (cut > 0 && lines[cut - 1].rfind("enter ", 0) != 0) --cut;
    std::string part;
    for (size_t i = 0; i + 1 < cut; ++i) part += lines[i] + "\n";
    test::WriteFile(Dir / "part.txt", part);
    ASSERT_EQ(test::RunCommand("'" + Bin + "/tolvaren-tool' play --scenario '" + scenario + "' --out '" + UserDir() +
                                   "/Save_qv.dat' '" + (Dir / "part.txt") + "'",
                               &out, &err),
              0)
        << err;
  }
  // Runs the program on a script and checks the last frame against the golden picture.
  void Shot(const std::string& Golden, const std::string& Script, const std::string& Language = "English",
            const std::string& Desktop = "1600x900") {
    test::WriteFile(Dir / "input.txt", Script + "+1 move 780 430\n+12 close\n");
    std::string err;
    const std::string shot = Dir / (Golden + ".png");
    ASSERT_EQ(test::RunCommand("SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy TOLVAREN_DESKTOP=" + Desktop +
                                   " XDG_DATA_HOME='" + (Dir / "data") + "' '" + Bin + "/tolvaren' -language " +
                                   Language + " -fixed-dt 0.02 -seed 7 -frames 3000 -input '" + (Dir / "input.txt") +
                                   "' -screenshot '" + shot + "'",
                               nullptr, &err),
              0)
        << Golden << ": " << err;
    CheckGolden(Golden, shot);
  }

  test::TTempDir Dir;
};

// Past the name prompt: the proposed name replaced by "Ada".
std::string Named() {
  std::string s = "wait dialog InputLineCustom\nwait ready\n";
  for (int i = 0; i < 16; ++i) s += "+1 key BackSpace\n";
  return s + "+1 text Ada\n+2 click OK\nwait form Menu\nwait ready\n";
}

TEST_F(ScreensGolden, NamePromptMenuAndProfiles) {
  for (const char* language : {"English", "German"}) {
    const std::string suffix = language == std::string("English") ? "_en" : "_de";
    test::RunCommand("rm -rf '" + (Dir / "data") + "'");
    Shot("screen_nameprompt" + suffix, "wait dialog InputLineCustom\nwait ready\n", language);
    Shot("screen_menu" + suffix, Named(), language);
    Shot("screen_profiles" + suffix, "wait form Menu\nwait ready\n+2 click Profiles\nwait form Profiles\nwait ready\n",
         language);
    Shot("screen_achievements" + suffix,
         "wait form Menu\nwait ready\n+2 click Achievements\nwait dialog Achievements\nwait ready\n", language);
  }
  // A taller screen than the design's: the menu's map is letterboxed.
  Shot("screen_menu_1280x1024", "wait form Menu\nwait ready\n", "English", "1280x1024");
}

TEST_F(ScreensGolden, InventoryAndHint) {
  MakeProgressedSave();
  const std::string play = "+2 click Play\nwait form Play\n+60 wait ready\n";
  Shot("screen_inventory_en", Named() + play + "key I\nwait dialog Inventory\nwait ready\n");
  // The player has a name now: the menu comes first.
  Shot("screen_hint_en", "wait form Menu\nwait ready\n" + play + "key H\nwait dialog Hint\nwait ready\n");
}

}  // namespace
}  // namespace tv
