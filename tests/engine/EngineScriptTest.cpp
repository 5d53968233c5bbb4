// The text table: the script scanner's rules, options, the caption, table operations, number
// formats, start-up loading and debug reloading.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <filesystem>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "app/AppMain.h"
#include "base/AppFolders.h"
#include "engine/EngineScript.h"
#include "platform/PlatformSystem.h"
#include "support/TestSupport.h"

namespace tv {
namespace {

using TEntries = std::vector<std::pair<std::string, std::string>>;

TEntries Entries() {
  TEntries out;
  for (TItem* item : TextTable()) {
    const auto* node = static_cast<const TScriptNode*>(item);
    out.emplace_back(node->Name, node->Text);
  }
  return out;
}

std::string Script(const std::string& Body) { return "<script>" + Body + "</script>"; }

std::string Text(const std::string& Id, const std::string& Content) {
  return "<text id=\"" + Id + "\">" + Content + "</text>";
}

class ScriptTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { Reset(); }
  static void Reset() {
    FreeTexts();
    ResetLocalization();
    SetDebugMode(false);
    SetRelocalizeHook(nullptr);
  }
  // Loads one common script into a fresh table and returns the one text stored under "t".
  static std::string One(const std::string& Content) {
    FreeTexts();
    LoadScript(Script(Text("t", Content)), false, false);
    return GetText("t");
  }
  // Loads the bytes of one common script into a fresh table and returns all that it holds.
  static TEntries Loaded(const std::string& Bytes) {
    FreeTexts();
    LoadScript(Bytes, false, false);
    return Entries();
  }
};

TEST_F(ScriptTest, CharacterReferencesPickByTheirFirstLetters) {
  test::ExpectEach(One, {{"&lt;b&gt;", "<b>"},
                         {"it&apos;s &amp; &quot;x&quot;", "it's & \"x\""},
                         {"x&nbsp;y", "xy"},
                         {"&#65;z", "z"},
                         {"&;x", "x"}});
  // Without its ";" a reference swallows everything up to the next one, tags included.
  EXPECT_EQ(Loaded(Script(Text("a", "x & y") + Text("b", "z;w"))), (TEntries{{"a", "x w"}}));
  // What EscapeMarkup writes reads back as the text it was given, with or without quotes escaped.
  for (const bool quotes : {true, false}) {
    EXPECT_EQ(One(EscapeMarkup("a<b> & \"c\" >&", quotes)), "a<b> & \"c\" >&") << quotes;
  }
}

TEST_F(ScriptTest, WhitespaceCollapsesAndLineBreaksAreKept) {
  test::ExpectEach(One, {{"  Hello \r\n  world  ", "Hello\nworld"},
                         {"a\n\n\n\nb", "a\n\nb"},
                         {"a\r\n\r\n\r\n\r\nb", "a\n\nb"},
                         {"a\r\nb\nc\rd", "a\nb\nc\nd"},
                         {"a\r\rb", "a\n\nb"},
                         {"a\n\r\nb", "a\n\nb"},
                         {"a\tb", "ab"},
                         {"a \t b", "a b"},
                         {"a   b", "a b"},
                         {"a \n b", "a\nb"},
                         {"\x01x\x1f", "x"}});
}

TEST_F(ScriptTest, TagsInsideATextAreSkippedWithTheirContent) {
  test::ExpectEach(One, {{"A <b>bold</b> word", "A word"},
                         {"A <b>x <i>deep</i> y</b>B", "A B"},
                         {"one<br/>two", "onetwo"},
                         {"one<br/>\ntwo", "one\ntwo"},
                         {"one<!-- note -->two", "onetwo"},
                         {"one<?pi data?>two<!DOCTYPE x>three", "onetwothree"}});
  // Any end tag at the text's own level ends it, whatever its name.
  EXPECT_EQ(Loaded(Script("<text id=\"t\">abc</wrong>" + Text("u", "v"))), (TEntries{{"t", "abc"}, {"u", "v"}}));
}

TEST_F(ScriptTest, LongTextsKeepTheirStartAndTheirLastCharacter) {
  std::string content;
  for (int i = 0; i < 1999; ++i) content += static_cast<char>('a' + i % 26);
  content += 'Z';
  const std::string stored = One(content);
  ASSERT_EQ(stored.size(), 1536u);
  EXPECT_EQ(stored.substr(0, 1535), content.substr(0, 1535));
  EXPECT_EQ(stored.back(), 'Z');
  // Exactly at the limit nothing is lost.
  EXPECT_EQ(One(content.substr(0, 1536)), content.substr(0, 1536));
}

TEST_F(ScriptTest, ElementsAndAttributes) {
  LoadScript(Script("<text id=\"empty\"/>"                         // an empty element stores nothing
                    "<text id=\"blank\">  </text>"                 // nor does an empty content
                    "<text value=\"v\" id=\"after\">x</text>"      // "id" need not come first
                    "<text id='single'>y</text>"                   // single quotes
                    "<text id = \"spaced\" >z</text>"              // blanks around "="
                    "<text>no id</text>"                           // no key: nothing
                    "<group><text id=\"nested\">n</text></group>"  // not directly in the script
                    "<Text id=\"case\">c</Text>"),                 // names are case-sensitive
             false, false);
  EXPECT_EQ(Entries(), (TEntries{{"after", "x"}, {"single", "y"}, {"spaced", "z"}}));
  // Texts outside the script element are not texts either.
  EXPECT_EQ(Loaded(Text("out", "o") + Script(Text("in", "i")) + Text("late", "l")), (TEntries{{"in", "i"}}));
}

TEST_F(ScriptTest, AddModeAppendsAndReplaceModeUpdates) {
  LoadScript(Script(Text("a", "1") + Text("b", "2") + Text("a", "3")), false, false);
  EXPECT_EQ(Entries(), (TEntries{{"a", "1"}, {"b", "2"}, {"a", "3"}}));
  FreeTexts();
  LoadScript(Script(Text("a", "1") + Text("b", "2") + Text("c", "3")), false, false);
  LoadScript(Script(Text("b", "two") + Text("c", "") + Text("d", "4")), true, true);
  EXPECT_EQ(Entries(), (TEntries{{"a", "1"}, {"b", "two"}, {"d", "4"}}));
  const auto* b = TextTable().FindAs<TScriptNode>("b");
  const auto* a = TextTable().FindAs<TScriptNode>("a");
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_TRUE(b->FromScenario);
  EXPECT_FALSE(a->FromScenario);
}

TEST_F(ScriptTest, OneEndTagTooManyFailsAndKeepsWhatWasStored) {
  try {
    LoadScript(Script(Text("a", "x")) + "</script>" + Script(Text("b", "y")), false, false);
    FAIL() << "no error";
  } catch (const EError& e) {
    EXPECT_STREQ(e.what(), "Failed to parse script file");
  }
  EXPECT_EQ(Entries(), (TEntries{{"a", "x"}}));
  EXPECT_THROW(LoadScript("</x>", false, false), EError);
}

TEST_F(ScriptTest, FilesCutShortStoreOnlyFinishedTexts) {
  const std::string head = "<script>" + Text("a", "x");
  for (const char* tail : {"<text id=\"b\">y</te", "<text id=\"b", "<text id=\"b\">y &am", "<text id=\"b\">y",
                           "<text id=\"b\"", "<", "<!-- unfinished", "<text id=\"b\">y</text"}) {
    FreeTexts();
    EXPECT_NO_THROW(LoadScript(head + tail, false, false)) << tail;
    EXPECT_EQ(Entries(), (TEntries{{"a", "x"}})) << tail;
  }
  // An unclosed quote runs on to the next quote of its kind; nothing breaks.
  FreeTexts();
  EXPECT_NO_THROW(LoadScript(Script("<text id=\"a>x</text>" + Text("b", "y")), false, false));
}

TEST_F(ScriptTest, EveryPrefixOfAScriptStoresAPrefixOfItsTexts) {
  const std::string full = "\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n<!-- c -->\r\n<script>\r\n" +
                           Text("a", " one &amp; <b>two</b>\r\n three ") +
                           "<option id=\"DecimalSymbol\" value=\",\"/>" +
                           "<text id='b' value=\"q\">&lt;&gt;\xC3\xBC</text>" + Text("GameTitle", " T\xCE\xA9 ") +
                           "<x><text id=\"n\">no</text></x>" + Text("c", "end") + "\r\n</script>\r\n";
  EXPECT_TRUE(LoadScript(full, false, false));
  const TEntries all = Entries();
  ASSERT_EQ(all.size(), 4u);
  const size_t closed = full.rfind("</script>") + std::string("</script>").size();
  for (size_t cut = 0; cut <= full.size(); ++cut) {
    FreeTexts();
    bool whole = false;
    ASSERT_NO_THROW(whole = LoadScript(full.substr(0, cut), false, false)) << cut;
    // Only a text that reaches the end tag counts as whole: the loader warns about the others.
    EXPECT_EQ(whole, cut >= closed) << cut;
    const TEntries some = Entries();
    ASSERT_LE(some.size(), all.size()) << cut;
    EXPECT_TRUE(std::equal(some.begin(), some.end(), all.begin())) << cut;
  }
}

TEST_F(ScriptTest, DamagedScriptsNeverFailOtherThanByTheParseError) {
  const std::string sample = Script(Text("a", "x &amp; y") + "<option id=\"SpaceBeforeColon\" value=\"yes\"/>" +
                                    Text("GameTitle", "T") + "<b><text id='c'>z</text></b>");
  std::mt19937 random(1234);
  for (int round = 0; round < 3000; ++round) {
    std::string damaged = sample;
    const int edits = 1 + static_cast<int>(random() % 6);
    for (int e = 0; e < edits; ++e) {
      const size_t at = random() % (damaged.size() + 1);
      switch (random() % 3) {
        case 0:
          if (at < damaged.size()) damaged.erase(at, 1 + random() % 8);
          break;
        case 1: damaged.insert(at, 1, "<>/&;\"'=! \r\n\t\x80\xC3"[random() % 16]); break;
        default:
          if (at < damaged.size()) damaged[at] = static_cast<char>(random() % 256);
          break;
      }
    }
    FreeTexts();
    try {
      LoadScript(damaged, round % 2 == 1, round % 3 == 0);
    } catch (const EError& e) {
      EXPECT_STREQ(e.what(), "Failed to parse script file");
    }
    for (TItem* item : TextTable()) EXPECT_FALSE(static_cast<TScriptNode*>(item)->Text.empty());
  }
}

TEST_F(ScriptTest, CharactersAreHeldInTheCodePage) {
  // A byte order mark and blank lines before the first tag are ignored.
  LoadScript("\xEF\xBB\xBF\r\n" + Script(Text("a", "\xC3\xBC \xCE\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80")), false, false);
  // u-umlaut and the euro sign exist in 1252, omega does not; a character beyond the basic
  // plane takes two code units and so two default characters.
  EXPECT_EQ(GetText("a"), "\xFC ? \x80 ??");
  FreeTexts();
  SetCodePage(1251);
  LoadScript(Script(Text("a", "\xD0\x96\xD1\x83\xD0\xBA \xC3\xBC")), false, false);
  EXPECT_EQ(GetText("a"), "\xC6\xF3\xEA ?");
  // Malformed UTF-8 becomes the default character rather than breaking the scan.
  EXPECT_EQ(Loaded(Script(Text("a", "x\xC3(y") + Text("b", "\xFFz"))), (TEntries{{"a", "x?(y"}, {"b", "?z"}}));
}

TEST_F(ScriptTest, DecodingAgreesWithThePlatformConversions) {
  // Random bytes without blanks, "<" and "&" are stored exactly as the platform converts them,
  // and the caption keeps every UTF-16 unit, whatever mix of valid, cut and overlong sequences
  // and ASCII runs of any length the bytes hold.
  const TCodePage& page = *CodePageTables(1252);
  std::mt19937 random(99);
  for (int round = 0; round < 500; ++round) {
    std::string content;
    const size_t length = 1 + random() % 120;
    while (content.size() < length) {
      const uint8_t b =
          random() % 3 == 0 ? static_cast<uint8_t>(0x80 + random() % 128) : static_cast<uint8_t>(33 + random() % 94);
      if (b == '<' || b == '&') continue;
      content += static_cast<char>(b);
    }
    FreeTexts();
    LoadScript(Script(Text("GameTitle", content)), false, false);
    const std::u16string wide = Utf8ToUtf16(content);
    std::u16string trimmed = wide;
    while (!trimmed.empty() && trimmed.back() <= 32) trimmed.pop_back();
    ASSERT_EQ(GetText("GameTitle"), Utf16ToCodePage(trimmed, page)) << round;
    ASSERT_EQ(GetGameTitleCaption().value_or(u"-"), trimmed) << round;
  }
}

TEST_F(ScriptTest, OptionsOfTheCommonScript) {
  LoadScript(Script("<option id=\"SpaceBeforeColon\" value=\"yes\"/>"
                    "<option id=\"DecimalSymbol\" value=\",\"/>"
                    "<option id=\"DigitGroupingSymbol\" value=\"  \"/>"  // two characters: ignored
                    "<option id=\"DigitGroupingAboveValue\" value=\"12x\"/>"
                    "<option id=\"LanguageName\" value=\"Deutsch\"></option>"
                    "<option value=\"Ignored\"/>"
                    "<option id=\"Unknown\" value=\"1\"/>"),
             false, false);
  EXPECT_EQ(GetColonPrefix(), "\xA0");
  EXPECT_EQ(GetDecimalSymbol(), ',');
  EXPECT_EQ(GetDigitGroupingSymbol(), ',');
  EXPECT_EQ(GetDigitGroupingAboveValue(), 999);
  EXPECT_EQ(GetLanguageName(), "Deutsch");
  EXPECT_EQ(TextTable().GetCount(), 0);

  // The last "id" and "value" count; an option's content is skipped, nested tags included.
  LoadScript(Script("<option id=\"x\" id=\"DigitGroupingAboveValue\" value=\"1\" value=\"-5\"><b>t</b></option>"
                    "<option id=\"SpaceBeforeColon\" value=\"no\"/>" +
                    Text("after", "ok")),
             false, false);
  EXPECT_EQ(GetDigitGroupingAboveValue(), -5);
  EXPECT_EQ(GetColonPrefix(), "");
  EXPECT_EQ(Entries(), (TEntries{{"after", "ok"}}));

  // In the scenario script an option is an unknown element, skipped with its content.
  LoadScript(Script("<option id=\"SpaceBeforeColon\" value=\"YES\">" + Text("inside", "no") + "</option>"), true,
             false);
  EXPECT_EQ(GetColonPrefix(), "");
  EXPECT_FALSE(TextExists("inside"));
}

TEST_F(ScriptTest, GameTitleBecomesTheCaptionInUtf16) {
  EXPECT_FALSE(GetGameTitleCaption().has_value());
  LoadScript(Script(Text("GameTitle", "  Tol \xCE\xA9\r\n  &amp; more  ")), false, false);
  EXPECT_EQ(GetText("GameTitle"), "Tol ?\n& more");
  ASSERT_TRUE(GetGameTitleCaption().has_value());
  EXPECT_EQ(*GetGameTitleCaption(), u"Tol \u03A9\n& more");
  // In the scenario script it is an ordinary text.
  FreeTexts();
  LoadScript(Script(Text("GameTitle", "Other")), true, false);
  EXPECT_EQ(GetText("GameTitle"), "Other");
  EXPECT_FALSE(GetGameTitleCaption().has_value());
}

TEST_F(ScriptTest, TableOperations) {
  EXPECT_EQ(GetText("none"), "");
  EXPECT_FALSE(TextExists("none"));
  EXPECT_EQ(AddText("", "x"), nullptr);
  EXPECT_EQ(AddText("k", ""), nullptr);
  EXPECT_EQ(SetText("", "x"), nullptr);
  EXPECT_EQ(SetText("gone", ""), nullptr);
  EXPECT_EQ(TextTable().GetCount(), 0);

  TScriptNode* k = SetText("k", "1");
  ASSERT_NE(k, nullptr);
  EXPECT_EQ(SetText("k", "2"), k);
  EXPECT_EQ(GetText("k"), "2");
  EXPECT_TRUE(TextExists("k"));
  EXPECT_EQ(SetText("k", ""), nullptr);
  EXPECT_FALSE(TextExists("k"));
  EXPECT_NE(AddText("d", "1"), AddText("d", "2"));
  EXPECT_EQ(TextTable().GetCount(), 2);
  FreeTexts();
  FreeTexts();
  EXPECT_EQ(GetText("d"), "");
}

TEST(ScriptFormat, Integers) {
  ResetLocalization();
  EXPECT_EQ(FormatInteger(1234), "1,234");
  EXPECT_EQ(FormatInteger(999), "999");
  EXPECT_EQ(FormatInteger(1000), "1,000");
  EXPECT_EQ(FormatInteger(-1234), "-1,234");
  EXPECT_EQ(FormatInteger(-999), "-999");
  EXPECT_EQ(FormatInteger(1234567), "1234,567");
  EXPECT_EQ(FormatInteger(0), "0");
  EXPECT_EQ(FormatInteger(INT_MIN), "-2147483,648");
  EXPECT_EQ(FormatInteger(INT_MAX), "2147483,647");
  // A low threshold never puts the symbol in front of the sign or of fewer than four digits.
  LoadScript(Script("<option id=\"DigitGroupingAboveValue\" value=\"5\"/><option id=\"DigitGroupingSymbol\" "
                    "value=\".\"/>"),
             false, false);
  EXPECT_EQ(FormatInteger(100), "100");
  EXPECT_EQ(FormatInteger(-100), "-100");
  EXPECT_EQ(FormatInteger(1000), "1.000");
  FreeTexts();
  ResetLocalization();
}

TEST(ScriptFormat, Hundredths) {
  ResetLocalization();
  EXPECT_EQ(FormatHundredths(12345), "123.45");
  EXPECT_EQ(FormatHundredths(7), "0.07");
  EXPECT_EQ(FormatHundredths(0), "0.00");
  EXPECT_EQ(FormatHundredths(100), "1.00");
  EXPECT_EQ(FormatHundredths(INT_MAX), "21474836.47");
  EXPECT_EQ(FormatHundredths(-7), "-0.07");
  EXPECT_EQ(FormatHundredths(INT_MIN), "-21474836.48");
}

TEST(ScriptCodePage, ReadFromTheFontDescription) {
  EXPECT_EQ(CodePageFromFontDescription("CodePageIdentifier = 1251"), 1251);
  EXPECT_EQ(CodePageFromFontDescription("Height 3\n# x\nCodePageIdentifier=1250\nCodePageIdentifier 1251"), 1250);
  EXPECT_EQ(CodePageFromFontDescription("CodePageIdentifier = cp1251"), 1252);
  EXPECT_EQ(CodePageFromFontDescription("CodePageIdentifier"), 1252);
  EXPECT_EQ(CodePageFromFontDescription("CodePageIdentifier1251"), 1252);
  EXPECT_EQ(CodePageFromFontDescription(""), 1252);
}

// ---- Start-up loading and debug reloading, with the language folders in a temporary folder --

class ScriptFilesTest : public ScriptTest {
 protected:
  void SetUp() override {
    ScriptTest::SetUp();
    InitFolders();
    test::MakeDirs(Dir / "lang");
    test::MakeDirs(Dir / "ord");
    SetFolderPath(TFolderKind::Language, Dir / "lang/");
    SetFolderPath(TFolderKind::Ordinary, Dir / "ord/");
  }
  void TearDown() override {
    DoneFolders();
    ScriptTest::TearDown();
  }
  // Writes a language file and moves its time stamp by Seconds, so that a rewrite is seen
  // whatever the file system's time resolution.
  void Write(const std::string& Name, const std::string& Bytes, int Seconds = 0) {
    const std::string path = Dir / ("lang/" + Name);
    test::WriteFile(path, Bytes);
    std::filesystem::last_write_time(path,
                                     std::filesystem::file_time_type::clock::now() + std::chrono::seconds(Seconds));
  }
  static int Relocalized;
  test::TTempDir Dir;
  test::TScopedEnv Home{"XDG_DATA_HOME", Dir.Path().c_str()};
};
int ScriptFilesTest::Relocalized = 0;

TEST_F(ScriptFilesTest, InitTextsLoadsTheCommonScriptThenTheDefaults) {
  Write("T1ScriptCommon.xml", Script(Text("Hello", "Hi") + Text("IconMap", "M")));
  InitTexts();
  const TEntries entries = Entries();
  ASSERT_GE(entries.size(), 3u);
  EXPECT_EQ(entries[0], (std::pair<std::string, std::string>{"Hello", "Hi"}));
  EXPECT_EQ(entries[2].first, "Copyright");
  // The script's own entry comes first, so it wins over the default.
  EXPECT_EQ(GetText("IconMap"), "M");
  EXPECT_EQ(GetText("IconAccept"), std::string("\x01\x0B", 2));
  EXPECT_EQ(GetText("IconVolumeDown"), std::string("\x01\x01", 2));
  EXPECT_FALSE(GetText("Copyright").empty());
  EXPECT_FALSE(TextExists("LabelDebug"));
  FreeTexts();
  SetDebugMode(true);
  InitTexts();
  EXPECT_EQ(GetText("LabelDebug"), "DEBUG");
}

TEST_F(ScriptFilesTest, TheCodePageComesFromTheFontDescription) {
  Write("T1ScriptCommon.xml", Script(Text("a", "\xD0\x96")));
  InitTexts();
  EXPECT_EQ(GetCodePage(), 1252);
  EXPECT_EQ(GetText("a"), "?");
  FreeTexts();
  test::WriteFile(Dir / "ord/T2FontCustom.txt", "CodePageIdentifier 1251\n");
  InitTexts();
  EXPECT_EQ(GetCodePage(), 1251);
  EXPECT_EQ(GetText("a"), "\xC6");
  // The language folder's description comes first.
  FreeTexts();
  Write("T2FontCustom.txt", "CodePageIdentifier 1250\n");
  InitTexts();
  EXPECT_EQ(GetCodePage(), 1250);
  // A code page the system cannot convert is logged and replaced by 1252.
  FreeTexts();
  Write("T2FontCustom.txt", "CodePageIdentifier 12345\n");
  InitTexts();
  EXPECT_EQ(GetCodePage(), 1252);
  ASSERT_FALSE(GetLogMessages().empty());
  EXPECT_NE(GetLogMessages().back().find("12345"), std::string::npos);
}

TEST_F(ScriptFilesTest, FailuresOfTheCommonScriptReachTheCaller) {
  try {
    InitTexts();
    FAIL() << "no error";
  } catch (const EError& e) {
    EXPECT_NE(std::string(e.what()).find("Unable to open file"), std::string::npos);
  }
  Write("T1ScriptCommon.xml", Script(Text("a", "x")) + "</b>");
  EXPECT_THROW(InitTexts(), EError);
  EXPECT_EQ(GetText("a"), "x");
}

TEST_F(ScriptFilesTest, ScenarioTextsLoadOnce) {
  Write("T1ScriptCommon.xml", Script(Text("a", "x")));
  InitTexts();
  LoadScenarioTexts();  // no scenario script: no error, nothing added
  const int count = TextTable().GetCount();
  Write("T1ScriptScenario.xml", Script(Text("s", "y")));
  LoadScenarioTexts();  // later calls do nothing
  EXPECT_EQ(TextTable().GetCount(), count);

  FreeTexts();
  InitTexts();
  LoadScenarioTexts();
  LoadScenarioTexts();
  EXPECT_EQ(TextTable().GetCount(), count + 1);
  const auto* s = TextTable().FindAs<TScriptNode>("s");
  ASSERT_NE(s, nullptr);
  EXPECT_TRUE(s->FromScenario);
}

TEST_F(ScriptFilesTest, ChangedScriptsReloadInDebugModeOnly) {
  SetRelocalizeHook([] { ++Relocalized; });
  Relocalized = 0;
  Write("T1ScriptCommon.xml", Script(Text("a", "1") + Text("b", "2")));
  Write("T1ScriptScenario.xml", Script(Text("s", "3")));
  InitTexts();
  LoadScenarioTexts();
  Write("T1ScriptCommon.xml", Script(Text("a", "one")), 10);
  ReloadTextsIfChanged();
  EXPECT_EQ(GetText("a"), "1");  // not in debug mode
  EXPECT_EQ(Relocalized, 0);

  FreeTexts();
  SetDebugMode(true);
  Write("T1ScriptCommon.xml", Script(Text("a", "1") + Text("b", "2")));
  InitTexts();
  LoadScenarioTexts();
  ReloadTextsIfChanged();  // nothing changed
  EXPECT_EQ(Relocalized, 0);

  Write("T1ScriptCommon.xml", Script(Text("a", "one")), 10);
  ReloadTextsIfChanged();
  EXPECT_EQ(GetText("a"), "one");
  EXPECT_EQ(GetText("b"), "2");  // a key gone from the file keeps its entry
  EXPECT_EQ(Relocalized, 1);
  const int count = TextTable().GetCount();

  Write("T1ScriptScenario.xml", Script(Text("s", "")), 20);
  ReloadTextsIfChanged();
  EXPECT_FALSE(TextExists("s"));
  EXPECT_EQ(TextTable().GetCount(), count - 1);
  EXPECT_EQ(Relocalized, 2);

  // A script deleted while the game runs leaves the texts as they are.
  std::filesystem::remove(Dir / "lang/T1ScriptCommon.xml");
  EXPECT_NO_THROW(ReloadTextsIfChanged());
  EXPECT_EQ(GetText("a"), "one");
  EXPECT_EQ(Relocalized, 2);
}

// A translation that lacks a text shows the English one: the English scripts fill the gaps, with
// no option and no caption of theirs, after the language's own texts.
TEST_F(ScriptFilesTest, TheEnglishScriptsFillTheKeysATranslationLacks) {
  SetFolderPath(TFolderKind::Program, Dir / "prog/");
  test::MakeDirs(Dir / "prog/Languages/English");
  test::WriteFile(Dir / "prog/Languages/English/T1ScriptCommon.xml",
                  "<script><option id=\"DecimalSymbol\" value=\"!\"/>" + Text("GameTitle", "English title") +
                      Text("a", "English a") + Text("b", "English b") + "</script>");
  test::WriteFile(Dir / "prog/Languages/English/T1ScriptScenario.xml", Script(Text("s", "English s") + Text("t", "T")));
  Write("T1ScriptCommon.xml", Script(Text("GameTitle", "Titel") + Text("a", "Deutsch a")));
  Write("T1ScriptScenario.xml", Script(Text("s", "Deutsch s")));
  InitTexts();
  LoadScenarioTexts();
  EXPECT_EQ(GetText("a"), "Deutsch a");
  EXPECT_EQ(GetText("b"), "English b");
  EXPECT_EQ(GetText("s"), "Deutsch s");
  EXPECT_EQ(GetText("t"), "T");
  EXPECT_TRUE(TextExists("IconMap"));  // the defaults come after
  EXPECT_EQ(GetDecimalSymbol(), '.');
  ASSERT_TRUE(GetGameTitleCaption().has_value());
  EXPECT_EQ(*GetGameTitleCaption(), u"Titel");
  EXPECT_EQ(TextTable().FindAs<TScriptNode>("t")->FromScenario, true);
  // The English folder itself fills nothing twice.
  FreeTexts();
  SetFolderPath(TFolderKind::Language, Dir / "prog/Languages/English/");
  InitTexts();
  int count = 0;
  for (TItem* item : TextTable()) count += static_cast<TScriptNode*>(item)->Name == "a" ? 1 : 0;
  EXPECT_EQ(count, 1);
}

// The live reload's forced reload: whatever the time stamp, it names the keys it changed, and a
// script that fails to parse or is cut short leaves the table and the settings as they were.
TEST_F(ScriptFilesTest, ForcedReloadNamesChangedKeysAndAFailureKeepsTheOldTexts) {
  SetRelocalizeHook([] { ++Relocalized; });
  Relocalized = 0;
  Write("T1ScriptCommon.xml",
        "<script><option id=\"DigitGroupingSymbol\" value=\".\"/>" + Text("a", "1") + Text("b", "2") + "</script>");
  InitTexts();
  std::string error;
  std::vector<std::string> changed;
  Write("T1ScriptCommon.xml", Script(Text("a", "1") + Text("b", "two") + Text("c", "3")));  // same time stamp
  EXPECT_TRUE(ReloadScriptFile(false, error, &changed)) << error;
  EXPECT_EQ(changed, (std::vector<std::string>{"b", "c"}));
  EXPECT_EQ(GetText("b"), "two");
  EXPECT_EQ(Relocalized, 1);

  for (const std::string& broken : {Script(Text("a", "x")) + "</extra>", std::string("<script>") + Text("a", "x")}) {
    Write("T1ScriptCommon.xml", "<script><option id=\"DigitGroupingSymbol\" value=\"_\"/>" + broken.substr(8));
    error.clear();
    EXPECT_FALSE(ReloadScriptFile(false, error));
    EXPECT_NE(error.find("T1ScriptCommon.xml"), std::string::npos) << error;
    EXPECT_EQ(GetText("a"), "1");
    EXPECT_EQ(GetText("c"), "3");
    EXPECT_EQ(GetDigitGroupingSymbol(), '.');
  }
  EXPECT_EQ(Relocalized, 1);
  // The scenario script waits until the scenario's texts are loaded.
  EXPECT_TRUE(ReloadScriptFile(true, error));
  EXPECT_FALSE(TextExists("s"));
}

}  // namespace
}  // namespace tv
