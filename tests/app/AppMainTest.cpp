#include <gtest/gtest.h>

#include "app/AppMain.h"
#include "engine/EngineScript.h"

namespace tv {
namespace {

class CommandLineTest : public ::testing::Test {
 protected:
  void SetUp() override { SetLanguageName("English"); }
  void TearDown() override { SetLanguageName("English"); }
};

TEST_F(CommandLineTest, LanguageIsNormalisedAndConsumed) {
  ReadCommandLine({"-LANGUAGE", "GERMAN"});
  EXPECT_EQ(GetLanguageName(), "German");
  ReadCommandLine({"-language", "rUSSIAN"});
  EXPECT_EQ(GetLanguageName(), "Russian");
}

TEST_F(CommandLineTest, BadLanguageArgumentsChangeNothing) {
  ReadCommandLine({"-language"});
  EXPECT_EQ(GetLanguageName(), "English");
  // The argument after "-language" is consumed even when it is refused: "-debug" here is a
  // language argument, not the debug switch.
  const TCommandLine line = ReadCommandLine({"-language", "-debug"});
  EXPECT_EQ(GetLanguageName(), "English");
  EXPECT_FALSE(line.Debug);
  ReadCommandLine({"-language", "1German"});
  EXPECT_EQ(GetLanguageName(), "English");
  ReadCommandLine({"-language", ""});
  EXPECT_EQ(GetLanguageName(), "English");
}

TEST_F(CommandLineTest, SwitchesAndTestHooks) {
  EXPECT_TRUE(ReadCommandLine({"-Debug"}).Debug);
  EXPECT_FALSE(ReadCommandLine({"debug", "-debugx"}).Debug);
  const TCommandLine line = ReadCommandLine(
      {"-frames", "60", "-fixed-dt", "0.02", "-seed", "7", "-input", "in.txt", "-screenshot", "s.png", "-whatever"});
  EXPECT_EQ(line.Frames, 60);
  EXPECT_DOUBLE_EQ(line.FixedDt, 0.02);
  EXPECT_TRUE(line.HasSeed);
  EXPECT_EQ(line.Seed, 7u);
  EXPECT_EQ(line.InputFile, "in.txt");
  EXPECT_EQ(line.ScreenshotFile, "s.png");
  // Numbers that are not numbers are ignored rather than half-read.
  const TCommandLine bad = ReadCommandLine({"-frames", "6x", "-seed", "-3"});
  EXPECT_EQ(bad.Frames, -1);
  EXPECT_FALSE(bad.HasSeed);
}

// Every argument that is not understood is ignored with one warning naming it; what was
// understood still counts.
TEST_F(CommandLineTest, UnknownAndMalformedArgumentsAreWarnedAbout) {
  EXPECT_TRUE(ReadCommandLine({"-debug", "-frames", "5", "-seed", "0", "-language", "German"}).Warnings.empty());
  const TCommandLine line = ReadCommandLine(
      {"-whatever", "--debug", "-frames", "1e30", "-fixed-dt", "inf", "-seed",     "4294967296", "-frames", "-2",
       "-fixed-dt", "0",       "-input",  "",     "-frames",   "2.5", "-language", "9",          "-debug",  "-seed"});
  EXPECT_TRUE(line.Debug);
  EXPECT_EQ(line.Frames, -1);
  EXPECT_EQ(line.FixedDt, 0);
  EXPECT_FALSE(line.HasSeed);
  EXPECT_EQ(line.InputFile, "");
  ASSERT_EQ(line.Warnings.size(), 11u);
  EXPECT_EQ(line.Warnings[0], "Command line: unknown argument \"-whatever\" ignored");
  EXPECT_EQ(line.Warnings[2], "Command line: \"-frames 1e30\" is not a valid value; ignored");
  EXPECT_EQ(line.Warnings[7], "Command line: \"-input\" needs a file name; ignored");
  EXPECT_EQ(line.Warnings[8], "Command line: \"-frames 2.5\" is not a valid value; ignored");
  EXPECT_EQ(line.Warnings[9], "Command line: \"-language 9\" is not a language name; ignored");
  EXPECT_EQ(line.Warnings[10], "Command line: \"-seed\" needs a value; ignored");
}

TEST(FrameNumberTest, WrapsPastTheLargestUsedValueToZero) {
  EXPECT_EQ(NextFrameNumber(1), 2u);
  EXPECT_EQ(NextFrameNumber(0xFFFFFFFDu), 0xFFFFFFFEu);
  EXPECT_EQ(NextFrameNumber(0xFFFFFFFEu), 0u);
  EXPECT_EQ(NextFrameNumber(0), 1u);
}

TEST(ReportTest, CodeMessageWithLogBelow) {
  EXPECT_EQ(ReportText(2, {}), "Your system does not meet the minimum system requirements to run this game.");
  EXPECT_EQ(ReportText(1, {"first", "second"}),
            "An error has occured during the game execution.\r\n\r\nLog messages:\r\nfirst\r\nsecond");
  EXPECT_EQ(ErrorCodeMessage(0), "");
}

TEST(RandomTest, SeededRunsRepeatAndStayInRange) {
  SeedRandom(42);
  std::vector<float> first;
  for (int i = 0; i < 100; ++i) first.push_back(RandomFloat());
  SeedRandom(42);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(RandomFloat(), first[static_cast<size_t>(i)]);
  SeedRandom(43);
  EXPECT_NE(RandomFloat(), first[0]);
  int counts[5] = {};
  for (int i = 0; i < 5000; ++i) {
    const float f = RandomFloat();
    ASSERT_GE(f, 0.0f);
    ASSERT_LT(f, 1.0f);
    const int32_t n = RandomInt(5);
    ASSERT_GE(n, 0);
    ASSERT_LT(n, 5);
    ++counts[n];
  }
  for (int c : counts) EXPECT_GT(c, 800);  // roughly uniform
  EXPECT_EQ(RandomInt(0), 0);
  EXPECT_EQ(RandomInt(-3), 0);
}

}  // namespace
}  // namespace tv
