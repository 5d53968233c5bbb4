// tolvaren-tool's text-table commands: texts, curve, format-integer and format-hundredths.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "support/TestSupport.h"

namespace tv {
namespace {

using nlohmann::json;

using test::RunTool;

json Texts(const std::string& Args, int ExpectedCode) {
  std::string out;
  std::string err;
  EXPECT_EQ(RunTool("texts " + Args, &out, &err), ExpectedCode) << err;
  return json::parse(out);
}

TEST(ToolTexts, PrintsTheTableOptionsAndCaption) {
  test::TTempDir dir;
  test::WriteFile(dir / "a.xml",
                  "\xEF\xBB\xBF<script><option id=\"SpaceBeforeColon\" value=\"yes\"/>"
                  "<option id=\"LanguageName\" value=\"Fran\xC3\xA7"
                  "ais\"/><text id=\"GameTitle\"> T\xCE\xA9 </text><text id=\"k\">\xC3\xBC\"</text></script>");
  const json result = Texts("'" + dir / "a.xml" + "'", 0);
  ASSERT_EQ(result["entries"].size(), 2u);
  EXPECT_EQ(result["entries"][0]["key"], "GameTitle");
  EXPECT_EQ(result["entries"][0]["text_hex"], "543f");
  EXPECT_EQ(result["entries"][1]["text_hex"], "fc22");
  EXPECT_EQ(result["entries"][1]["from_scenario"], false);
  EXPECT_EQ(result["options"]["LanguageName"],
            "Fran\xC3\xA7"
            "ais");
  EXPECT_EQ(result["options"]["DecimalSymbol"], ".");
  EXPECT_EQ(result["options"]["DigitGroupingSymbol"], ",");
  EXPECT_EQ(result["options"]["DigitGroupingAboveValue"], 999);
  EXPECT_EQ(result["options"]["ColonPrefix_hex"], "a0");
  EXPECT_EQ(result["game_title_utf16_hex"], "5400a903");
  EXPECT_TRUE(result["error"].is_null());

  // As the scenario script with another code page: no caption, options ignored.
  const json scenario = Texts("--codepage 1251 --scenario '" + dir / "a.xml" + "'", 0);
  EXPECT_TRUE(scenario["game_title_utf16_hex"].is_null());
  EXPECT_EQ(scenario["options"]["ColonPrefix_hex"], "");
  EXPECT_EQ(scenario["entries"][0]["from_scenario"], true);
  EXPECT_EQ(scenario["entries"][1]["text_hex"], "3f22");  // no u-umlaut in 1251
}

TEST(ToolTexts, ReloadReplacesAndFailuresKeepWhatWasStored) {
  test::TTempDir dir;
  test::WriteFile(dir / "a.xml", "<script><text id=\"a\">1</text><text id=\"b\">2</text></script>");
  test::WriteFile(dir / "b.xml", "<script><text id=\"b\"></text><text id=\"c\">3</text></script></x>");
  const json result = Texts("'" + dir / "a.xml" + "' --reload '" + dir / "b.xml" + "'", 1);
  ASSERT_EQ(result["entries"].size(), 2u);
  EXPECT_EQ(result["entries"][0]["key"], "a");
  EXPECT_EQ(result["entries"][1]["key"], "c");
  EXPECT_EQ(result["error"], "Failed to parse script file");

  const json missing = Texts("'" + dir / "none.xml" + "'", 1);
  EXPECT_TRUE(missing["entries"].empty());
  EXPECT_NE(missing["error"].get<std::string>().find("Unable to open file"), std::string::npos);
}

TEST(ToolTexts, WrongUsageExitsWithTwo) {
  std::string out;
  EXPECT_EQ(RunTool("texts", &out), 2);
  EXPECT_EQ(RunTool("texts --codepage 99999 x.xml", &out), 2);
  EXPECT_EQ(RunTool("texts --bogus x.xml", &out), 2);
  EXPECT_EQ(RunTool("texts a.xml b.xml", &out), 2);
  EXPECT_EQ(RunTool("curve 0-1", &out), 2);
  EXPECT_EQ(RunTool("curve 0-1 x", &out), 2);
  EXPECT_EQ(RunTool("format-integer 12x", &out), 2);
  EXPECT_EQ(RunTool("format-hundredths 99999999999", &out), 2);
}

TEST(ToolNumbers, CurveAndFormats) {
  std::string out;
  ASSERT_EQ(RunTool("curve 0-1-1-0 0 0.1 0.5 1", &out), 0);
  EXPECT_EQ(out, "0\n0.300000012\n1\n0\n");
  ASSERT_EQ(RunTool("format-integer 1234 999 -1234 1234567", &out), 0);
  EXPECT_EQ(out, "1,234\n999\n-1,234\n1234,567\n");
  ASSERT_EQ(RunTool("format-hundredths 12345 7", &out), 0);
  EXPECT_EQ(out, "123.45\n0.07\n");
}

}  // namespace
}  // namespace tv
