// The real program from an empty user folder: settings changed in the options dialog are saved with
// the player and in effect when the program starts again; a second profile is made and played, and
// choosing the first again brings back the first profile's world.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "e2e/ProgramRun.h"
#include "engine/EngineTextures.h"

namespace tv {
namespace {

using nlohmann::json;

class OptionsAndProfiles : public test::TProgramRun {
 protected:
  static TImage Picture(const std::string& Path) {
    const std::string bytes = test::ReadFile(Path);
    return DecodePng(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), false);
  }
  // The share of pixels (in thousandths) that differ by more than 24 in a channel.
  static int64_t DifferingPerMille(const TImage& A, const TImage& B) {
    if (A.Width != B.Width || A.Height != B.Height) return 1000;
    int64_t differing = 0;
    for (size_t i = 0; i + 3 < A.Bytes.size(); i += 4) {
      for (size_t k = 0; k < 3; ++k) {
        if (std::abs(int{A.Bytes[i + k]} - int{B.Bytes[i + k]}) > 24) {
          ++differing;
          break;
        }
      }
    }
    return differing * 1000 / (int64_t{A.Width} * A.Height);
  }
  static int Scenes(const json& Player, int Site) {
    int n = 0;
    for (const json& e : Player["events"]) {
      if (e[0] == 6 && e[2] == Site) ++n;
    }
    return n;
  }
};

TEST_F(OptionsAndProfiles, DisplayModeAndVolumesAreSavedAndInEffectAfterARestart) {
  // The defaults are full screen, effects 10, environment 10, music 8: the player picks a window,
  // silences the music and turns the effects down by three.
  std::string script = test::TypeName("Ada") + R"(
wait form Menu
wait ready
+2 click Options
wait dialog Options
wait ready
+2 click Windowed
)";
  for (int i = 0; i < 8; ++i) script += "+2 click MusicDown\n";
  for (int i = 0; i < 3; ++i) script += "+2 click EffectsDown\n";
  script += "+2 click Close\n";
  script += test::QuitFromMenu;
  std::vector<json> trace;
  std::string err;
  ASSERT_EQ(Run(script, trace, err, Dir / "first.png"), 0) << err;
  // The window took the mode at once: 90 % of the 1280 x 720 desktop.
  TImage shot = Picture(Dir / "first.png");
  EXPECT_EQ(shot.Width, 1152);
  EXPECT_EQ(shot.Height, 648);
  json save = Save();
  ASSERT_EQ(save["players"].size(), 1u) << save.dump();
  EXPECT_EQ(save["players"][0]["full_screen"], false);
  EXPECT_EQ(save["players"][0]["effects_volume"], 7);
  EXPECT_EQ(save["players"][0]["environment_volume"], 10);
  EXPECT_EQ(save["players"][0]["music_volume"], 0);
  EXPECT_TRUE(test::PathExists(UserDir() + "/StartWindowed.flg"));

  // The second start opens the window from the first frame on. The dialog starts from the saved
  // volumes: the music is off (its "down" button disabled), one step up each gives music 1 and
  // effects 8.
  script = R"(
wait form Menu
wait ready
+2 click Options
wait dialog Options
wait ready
+2 click MusicUp
+2 click EffectsUp
+2 click Close
)";
  script += test::QuitFromMenu;
  ASSERT_EQ(Run(script, trace, err, Dir / "second.png"), 0) << err;
  EXPECT_FALSE(Has(trace, {{"dialog", "InputLineCustom"}}));
  EXPECT_TRUE(Has(trace, {{"click", "MusicUp"}, {"in", "Options"}}));
  shot = Picture(Dir / "second.png");
  EXPECT_EQ(shot.Width, 1152);
  EXPECT_EQ(shot.Height, 648);
  save = Save();
  EXPECT_EQ(save["players"][0]["full_screen"], false);
  EXPECT_EQ(save["players"][0]["effects_volume"], 8);
  EXPECT_EQ(save["players"][0]["environment_volume"], 10);
  EXPECT_EQ(save["players"][0]["music_volume"], 1);

  // A disabled button cannot be clicked: with the music back at 0, "MusicDown" stops the script.
  script =
      "wait form Menu\nwait ready\n+2 click Options\nwait dialog "
      "Options\nwait ready\n+2 click MusicDown\n"
      "+2 click MusicDown\n";
  EXPECT_EQ(Run(script, trace, err), 3);
  EXPECT_NE(err.find("MusicDown (disabled)"), std::string::npos) << err;
}

// The menu's "Not you?" link to the profiles form.
const std::string OpenProfiles = "wait form Menu\nwait ready\n+2 click Profiles\nwait form Profiles\nwait ready\n";

TEST_F(OptionsAndProfiles, ChoosingTheFirstProfileAgainShowsItsWorld) {
  // Ada plays the first site and leaves the program on the play form.
  std::string script = test::TypeName("Ada") + "wait form Menu\nwait ready\n+2 click Play\n" + test::PlayFirstSite +
                       "+60 wait ready\n+2 close\n";
  std::vector<json> trace;
  std::string err;
  ASSERT_EQ(Run(script, trace, err, Dir / "ada.png"), 0) << err;
  json save = Save();
  ASSERT_EQ(save["players"].size(), 1u) << save.dump();
  const json adaEvents = save["players"][0]["events"];
  ASSERT_EQ(Scenes(save["players"][0], 301), 4) << adaEvents.dump();

  // A second profile: the name taken is refused and asked for again; "Bo" starts a new game and
  // accepts one scene before the program is closed.
  script = OpenProfiles + "+2 click New\n" + test::TypeName("Ada") +
           R"(
wait dialog MessageCustom
wait ready
+2 click OK
)" + test::TypeName("Bo") +
           R"(
wait form Profiles
wait ready
+2 click OK
wait form Menu
wait ready
+2 click Play
wait form Play
wait dialog Scene
wait ready
+2 click Accept
+18 wait dialog Scene
wait ready
+2 close
)";
  ASSERT_EQ(Run(script, trace, err, Dir / "bo.png"), 0) << err;
  EXPECT_EQ(Count(trace, {{"dialog", "InputLineCustom"}, {"shown", true}}), 2);
  EXPECT_TRUE(Has(trace, {{"dialog", "MessageCustom"}, {"shown", true}}));
  EXPECT_TRUE(Has(trace, {{"transition", "FadeBeginning"}, {"phase", "start"}}));
  save = Save();
  ASSERT_EQ(save["players"].size(), 2u) << save.dump();
  EXPECT_EQ(save["players"][0]["name"], "Ada");
  EXPECT_EQ(save["players"][1]["name"], "Bo");
  EXPECT_EQ(save["players"][0]["events"], adaEvents);
  EXPECT_EQ(Scenes(save["players"][1], 301), 1) << save["players"][1]["events"].dump();
  EXPECT_EQ(save["current"], 2);
  const json boEvents = save["players"][1]["events"];

  // Bo is greeted; Ada is chosen again and "Play" goes on with her game: no new beginning, no scene
  // of the first site, the hero resting where she left it.
  script = OpenProfiles + R"(
+2 click 1
+2 click OK
wait form Menu
wait ready
+2 click Play
wait form Play
+60 wait ready
+2 close
)";
  ASSERT_EQ(Run(script, trace, err, Dir / "again.png"), 0) << err;
  EXPECT_TRUE(Has(trace, {{"transition", "Fade"}, {"phase", "start"}}));
  EXPECT_FALSE(Has(trace, {{"transition", "FadeBeginning"}}));
  EXPECT_FALSE(Has(trace, {{"dialog", "Scene"}}));
  save = Save();
  EXPECT_EQ(save["current"], 1);
  EXPECT_EQ(save["players"][0]["events"], adaEvents);
  EXPECT_EQ(save["players"][1]["events"], boEvents);
  // The play form shows what it showed when Ada left it (the water and the sites' effects move on),
  // far from Bo's game.
  const TImage again = Picture(Dir / "again.png");
  const int64_t fromAda = DifferingPerMille(again, Picture(Dir / "ada.png"));
  const int64_t fromBo = DifferingPerMille(again, Picture(Dir / "bo.png"));
  EXPECT_LE(fromAda, 100);
  EXPECT_LT(fromAda * 3, fromBo);
  if (HasFailure()) {
    test::MakeDirs(Bin + "/../golden-actual");
    for (const char* name : {"ada", "bo", "again"}) {
      test::WriteFile(Bin + "/../golden-actual/profiles_" + name + ".png",
                      test::ReadFile(Dir / (std::string(name) + ".png")));
    }
  }
}

TEST_F(OptionsAndProfiles, ANewProfilesPromptCanBeCancelledAndLeavesTheProfilesAsTheyWere) {
  // "New", then "Cancel"; "New" again, a taken name, the message, and the prompt that follows is
  // cancelled with Escape. The first-start prompt before all this offers "OK" alone.
  const std::string script = test::TypeName("Ada") + OpenProfiles + R"(
+2 click New
wait dialog InputLineCustom
wait ready
+2 click Cancel
wait form Profiles
wait ready
+2 click New
)" + test::TypeName("Ada") + R"(
wait dialog MessageCustom
wait ready
+2 click OK
wait dialog InputLineCustom
wait ready
+2 key Escape
wait form Profiles
wait ready
+2 click OK
)" + test::QuitFromMenu;
  std::vector<json> trace;
  std::string err;
  // The first-start prompt cannot be dismissed unnamed: it has no "Cancel".
  ASSERT_EQ(Run("wait dialog InputLineCustom\nwait ready\n+2 click Cancel\n", trace, err), 3);
  EXPECT_NE(err.find("Cancel"), std::string::npos) << err;

  ASSERT_EQ(Run(script, trace, err), 0) << err;
  EXPECT_EQ(Count(trace, {{"dialog", "InputLineCustom"}, {"shown", true}}), 4);
  EXPECT_EQ(Count(trace, {{"click", "Cancel"}, {"in", "InputLineCustom"}}), 2);
  const json save = Save();
  ASSERT_EQ(save["players"].size(), 1u) << save.dump();
  EXPECT_EQ(save["players"][0]["name"], "Ada");
  EXPECT_EQ(save["current"], 1);
}

}  // namespace
}  // namespace tv
