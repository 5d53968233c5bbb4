// Golden pictures of the screens a player meets first, drawn by the real program with the demo
// content at 1600 x 900 in English and German: the name prompt, the menu, the profiles form, the
// achievements list, the inventory, the hint and the announcement of an earned achievement; and
// letterboxed at 1280 x 1024: the menu, the profiles form and the inventory. They are compared and
// stored at half size (support/GoldenSupport.h).
//
// Regenerate on purpose, after looking at the new pictures (the full-size shots are kept in
// build/golden-actual/NAME.full.png):
//   TV_UPDATE_GOLDENS=1 build/tests/test_e2e --gtest_filter='ScreensGolden*'
// A picture that differs is written to build/golden-actual/NAME.png.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/ProgramRun.h"
#include "support/GoldenSupport.h"
#include "support/TestSupport.h"

namespace tv {
namespace {

const std::string Bin = TV_BIN_DIR;
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
    ASSERT_EQ(
        test::RunCommand("SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy "
                         "TOLVAREN_DESKTOP=" +
                             Desktop + " XDG_DATA_HOME='" + (Dir / "data") + "' '" + Bin + "/tolvaren' -language " +
                             Language + " -fixed-dt 0.02 -seed 7 -frames 3000 -input '" + (Dir / "input.txt") +
                             "' -screenshot '" + shot + "'",
                         nullptr, &err),
        0)
        << Golden << ": " << err;
    test::CheckGolden(Golden, shot, 2);
  }

  test::TTempDir Dir;
};

// Past the name prompt: the proposed name replaced by "Ada".
std::string Named() { return test::TypeName("Ada") + "wait form Menu\nwait ready\n"; }

std::string Suffix(const std::string& Language) { return Language == "English" ? "_en" : "_de"; }

TEST_F(ScreensGolden, NamePromptMenuAndProfiles) {
  for (const std::string language : {"English", "German"}) {
    test::RunCommand("rm -rf '" + (Dir / "data") + "'");
    Shot("screen_nameprompt" + Suffix(language), "wait dialog InputLineCustom\nwait ready\n", language);
    Shot("screen_menu" + Suffix(language), Named(), language);
    Shot("screen_profiles" + Suffix(language),
         "wait form Menu\nwait ready\n+2 click Profiles\nwait form "
         "Profiles\nwait ready\n",
         language);
    Shot("screen_achievements" + Suffix(language),
         "wait form Menu\nwait ready\n+2 click Achievements\nwait dialog "
         "Achievements\nwait ready\n",
         language);
  }
  // A taller screen than the design's: the picture is letterboxed.
  Shot("screen_menu_1280x1024", "wait form Menu\nwait ready\n", "English", "1280x1024");
  Shot("screen_profiles_1280x1024",
       "wait form Menu\nwait ready\n+2 click Profiles\nwait form "
       "Profiles\nwait ready\n",
       "English", "1280x1024");
}

TEST_F(ScreensGolden, InventoryAndHint) {
  MakeProgressedSave();
  const std::string play = "+2 click Play\nwait form Play\n+60 wait ready\n";
  const std::string inventory = "key I\nwait dialog Inventory\nwait ready\n";
  Shot("screen_inventory_en", Named() + play + inventory);
  // The player has a name now: the menu comes first.
  const std::string menu = "wait form Menu\nwait ready\n";
  Shot("screen_hint_en", menu + play + "key H\nwait dialog Hint\nwait ready\n");
  Shot("screen_inventory_de", menu + play + inventory, "German");
  Shot("screen_hint_de", menu + play + "key H\nwait dialog Hint\nwait ready\n", "German");
  Shot("screen_inventory_1280x1024", menu + play + inventory, "English", "1280x1024");
}

TEST_F(ScreensGolden, EarnedAchievement) {
  for (const std::string language : {"English", "German"}) {
    test::RunCommand("rm -rf '" + (Dir / "data") + "'");
    Shot("screen_achievement" + Suffix(language), Named() + "+2 click Play\n" + test::PlayFirstSiteToAchievement,
         language);
  }
}

}  // namespace
}  // namespace tv
