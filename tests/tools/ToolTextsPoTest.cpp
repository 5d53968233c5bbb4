// tolvaren-tool texts po-export / po-import: the demo's translations through PO files and back.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <algorithm>
#include <string>

#include "support/TestSupport.h"

namespace tv {
namespace {

const std::string Data = TV_BIN_DIR;
const std::string Content = std::string(TV_SOURCE_DIR) + "/content/Languages/";

int RunTool(const std::string& Args, std::string* Err = nullptr) {
  std::string out;
  return test::RunTool(Args, &out, Err);
}

bool HaveMsgfmt() { return test::RunCommand("command -v msgfmt >/dev/null") == 0; }

// msgfmt --check accepts the file; a translation without a single warning (a template's header
// keeps its initial values, which msgfmt notes).
void ExpectMsgfmtAccepts(const std::string& Po, bool Template = false) {
  if (!HaveMsgfmt()) return;
  std::string err;
  EXPECT_EQ(test::RunCommand("msgfmt --check -o /dev/null '" + Po + "'", nullptr, &err), 0) << err;
  if (!Template) {
    EXPECT_EQ(err, "") << Po;
  }
}

// Replaces the msgstr of the entry with msgctxt Key; returns the line of its msgctxt.
int SetMsgstr(std::string& Po, const std::string& Key, const std::string& Str, bool Fuzzy = false) {
  const size_t ctx = Po.find("msgctxt \"" + Key + "\"\n");
  EXPECT_NE(ctx, std::string::npos) << Key;
  if (ctx == std::string::npos) return 0;
  const size_t str = Po.find("\nmsgstr ", ctx) + 1;
  size_t end = Po.find("\n\n", str);
  if (end == std::string::npos) end = Po.size() - 1;
  Po.replace(str, end - str, "msgstr \"" + Str + "\"");
  int line = 1 + static_cast<int>(std::count(Po.begin(), Po.begin() + static_cast<std::ptrdiff_t>(ctx), '\n'));
  if (Fuzzy) {
    Po.insert(ctx, "#, fuzzy\n");
    ++line;
  }
  return line;
}

TEST(ToolTextsPo, DemoLanguagesRoundTripByteForByteAndMsgfmtAcceptsEveryFile) {
  test::TTempDir dir;
  for (const std::string language : {"German", "Russian"}) {
    const std::string po = dir / (language + ".po");
    std::string err;
    ASSERT_EQ(RunTool("texts po-export --language " + language + " --data '" + Data + "' -o '" + po + "'", &err), 0)
        << err;
    const std::string text = test::ReadFile(po);
    // An entry names its key, the English text, its place and what it belongs to.
    EXPECT_NE(text.find("#: Languages/English/T1ScriptScenario.xml:"), std::string::npos);
    EXPECT_NE(text.find("#. scene 2021 of site"), std::string::npos);
    EXPECT_NE(text.find("msgctxt \"SceneLegendH2021\""), std::string::npos);
    ExpectMsgfmtAccepts(po);

    const std::string out = dir / ("out" + language);
    ASSERT_EQ(RunTool("texts po-import '" + po + "' --language " + language + " --data '" + Data + "' -o '" + out + "'",
                      &err),
              0)
        << err;
    EXPECT_NE(err.find("0 fuzzy, 0 untranslated"), std::string::npos) << err;
    for (const char* file : {"T1ScriptCommon.xml", "T1ScriptScenario.xml"}) {
      EXPECT_TRUE(test::ReadFile(out + "/" + file) == test::ReadFile(Content + language + "/" + file))
          << language << "/" << file << " differs after the round trip";
    }
  }
  const std::string pot = dir / "tolvaren.pot";
  ASSERT_EQ(RunTool("texts po-export --template --data '" + Data + "' -o '" + pot + "'"), 0);
  EXPECT_EQ(test::ReadFile(pot).find("msgstr \"Die"), std::string::npos);
  ExpectMsgfmtAccepts(pot, true);
}

TEST(ToolTextsPo, ImportWritesChangedTextsLeavesOutFuzzyAndRefusesWhatTheCodePageCannotHold) {
  test::TTempDir dir;
  const std::string po = dir / "de.po";
  ASSERT_EQ(RunTool("texts po-export --language German --data '" + Data + "' -o '" + po + "'"), 0);
  std::string text = test::ReadFile(po);
  SetMsgstr(text, "PropRope", "Tau & <Seil>\\nlang");
  const int fuzzyLine = SetMsgstr(text, "PropOil", "Öl", true);
  const int emptyLine = SetMsgstr(text, "PropFlint", "");
  text += "\n#: Languages/English/T1ScriptScenario.xml:1\nmsgctxt \"PropNew\"\nmsgid \"New\"\nmsgstr \"Neu\"\n";
  test::WriteFile(po, text);
  ExpectMsgfmtAccepts(po);
  std::string err;
  ASSERT_EQ(
      RunTool("texts po-import '" + po + "' --language German --data '" + Data + "' -o '" + dir / "out" + "'", &err), 0)
      << err;
  EXPECT_NE(err.find(po + ":" + std::to_string(fuzzyLine) + ": entry \"PropOil\": fuzzy"), std::string::npos) << err;
  EXPECT_NE(err.find(po + ":" + std::to_string(emptyLine) + ": entry \"PropFlint\": untranslated"), std::string::npos)
      << err;
  const std::string script = test::ReadFile(dir / "out/T1ScriptScenario.xml");
  EXPECT_NE(script.find("<text id=\"PropRope\">Tau &amp; &lt;Seil&gt;\nlang</text>"), std::string::npos);
  EXPECT_EQ(script.find("id=\"PropOil\""), std::string::npos);
  EXPECT_EQ(script.find("id=\"PropFlint\""), std::string::npos);
  EXPECT_NE(script.find("  <text id=\"PropNew\">Neu</text>\n</script>"), std::string::npos);
  // The game reads what the translator wrote; everything else stays as it was.
  std::string out;
  ASSERT_EQ(test::RunTool("texts --scenario '" + dir / "out/T1ScriptScenario.xml" + "'", &out), 0);
  const nlohmann::json table = nlohmann::json::parse(out);
  std::string rope;
  for (const auto& entry : table["entries"]) {
    if (entry["key"] == "PropRope") rope = entry["text_hex"];
  }
  EXPECT_EQ(rope, "5461752026203c5365696c3e0a6c616e67");  // "Tau & <Seil>\nlang"
  EXPECT_TRUE(test::ReadFile(dir / "out/T1ScriptCommon.xml") == test::ReadFile(Content + "German/T1ScriptCommon.xml"));

  // A character code page 1251 has no place for: the entry and its line, and nothing written.
  const std::string ru = dir / "ru.po";
  ASSERT_EQ(RunTool("texts po-export --language Russian --data '" + Data + "' -o '" + ru + "'"), 0);
  std::string russian = test::ReadFile(ru);
  SetMsgstr(russian, "PropCoin", "Монеты");
  const int badLine = SetMsgstr(russian, "PropFish", "Рыба über");
  test::WriteFile(ru, russian);
  EXPECT_EQ(
      RunTool("texts po-import '" + ru + "' --language Russian --data '" + Data + "' -o '" + dir / "ru" + "'", &err),
      1);
  EXPECT_NE(err.find(ru + ":" + std::to_string(badLine) +
                     ": entry \"PropFish\": the character '\xC3\xBC' (U+00FC) is not in code page 1251"),
            std::string::npos)
      << err;
  EXPECT_FALSE(test::PathExists(dir / "ru/T1ScriptScenario.xml"));

  // A broken line of the PO file is named with its place.
  test::WriteFile(dir / "bad.po", "msgctxt \"A\"\nmsgid \"a\"\nmsgstr \"b\n");
  EXPECT_EQ(
      RunTool("texts po-import '" + dir / "bad.po" + "' --language German --data '" + Data + "' -o '" + dir / "x" + "'",
              &err),
      1);
  EXPECT_NE(err.find(dir / "bad.po" + ":3: "), std::string::npos) << err;
}

}  // namespace
}  // namespace tv
