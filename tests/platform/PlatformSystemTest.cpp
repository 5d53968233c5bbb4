#include <gtest/gtest.h>

#include "platform/PlatformSystem.h"
#include "support/TestSupport.h"

namespace tv {
namespace {

TEST(CodePageTest, SingleByteTablesRoundTripAndReplaceWhatTheyCannotHold) {
  const TCodePage* western = CodePageTables(1252);
  ASSERT_NE(western, nullptr);
  EXPECT_EQ(western->ToWide[0xE9], u'\u00E9');
  EXPECT_EQ(western->ToWide[0x80], u'\u20AC');
  EXPECT_EQ(Utf16ToCodePage(u"caf\u00E9 \u20AC", *western), "caf\xE9 \x80");
  // Cyrillic is not in the western page: the default character stands in, one per unit.
  EXPECT_EQ(Utf16ToCodePage(u"\u0416a", *western), "?a");
  const TCodePage* cyrillic = CodePageTables(1251);
  ASSERT_NE(cyrillic, nullptr);
  EXPECT_EQ(Utf16ToCodePage(u"\u0416a", *cyrillic),
            "\xC6"
            "a");
  EXPECT_EQ(CodePageToUtf16("\xC6", *cyrillic), u"\u0416");
  EXPECT_EQ(CodePageTables(1252), western);  // built once
  EXPECT_EQ(CodePageTables(99999), nullptr);
}

TEST(CodePageTest, Utf8DecodingIsStrict) {
  EXPECT_EQ(Utf8ToUtf16("A\xC3\xA9\xE2\x82\xAC"), u"A\u00E9\u20AC");
  EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80"), u"\U0001F600");  // a surrogate pair
  EXPECT_EQ(Utf8ToUtf16("\xC3"), u"\uFFFD");                  // cut short
  EXPECT_EQ(Utf8ToUtf16("\xC0\x80"), u"\uFFFD");              // overlong
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD");          // an encoded surrogate
  EXPECT_EQ(Utf8ToUtf16("\xFF"
                        "a"),
            u"\uFFFDa");
  EXPECT_EQ(Utf16ToUtf8(u"A\u00E9\U0001F600"), "A\xC3\xA9\xF0\x9F\x98\x80");
}

TEST(FileStreamTest, ReadWriteSeekAndSize) {
  test::TTempDir dir;
  const std::string path = dir / "f.bin";
  {
    TFileStream out(path, TFileStream::Mode::Create);
    ASSERT_TRUE(out.IsOpen());
    EXPECT_TRUE(out.Write(std::string("hello world")));
    EXPECT_TRUE(out.Sync());
  }
  TFileStream in(path, TFileStream::Mode::Read);
  ASSERT_TRUE(in.IsOpen());
  EXPECT_EQ(in.Size(), 11);
  ASSERT_TRUE(in.Seek(6));
  EXPECT_EQ(in.ReadRest(), "world");
  char buffer[4];
  EXPECT_EQ(in.Read(buffer, 4), 0);                                         // at the end
  EXPECT_FALSE(TFileStream(dir.Path(), TFileStream::Mode::Read).IsOpen());  // a folder is no file
  EXPECT_FALSE(TFileStream(dir / "missing", TFileStream::Mode::Read).IsOpen());
  // Pseudo files whose size is unknown are read to their end.
  TFileStream proc("/proc/self/status", TFileStream::Mode::ReadSharedWrite);
  if (proc.IsOpen()) {
    EXPECT_NE(proc.ReadRest().find("Name:"), std::string::npos);
  }
}

TEST(FileTimeTest, PackedDateAndTime) {
  test::TTempDir dir;
  test::WriteFile(dir / "a", "x");
  const int32_t packed = PackedFileTime(dir / "a");
  ASSERT_NE(packed, -1);
  const uint32_t date = static_cast<uint32_t>(packed) >> 16;
  EXPECT_GE((date >> 9) + 1980, 2020u);  // year
  EXPECT_GE((date >> 5) & 15, 1u);       // month
  EXPECT_EQ(PackedFileTime(dir / "b"), -1);
}

TEST(SingleInstanceTest, SecondOwnerIsRefusedAndCanWakeTheFirst) {
  const std::string name = "tolvaren-test-" + std::to_string(TickCount());
  TSingleInstance first(name);
  ASSERT_TRUE(first.Acquire());
  EXPECT_FALSE(first.PollShowRequest());
  TSingleInstance second(name);
  EXPECT_FALSE(second.Acquire());
  EXPECT_TRUE(second.NotifyOwner());
  EXPECT_TRUE(first.PollShowRequest());
  EXPECT_FALSE(first.PollShowRequest());
}

TEST(SingleInstanceTest, ChannelIsFreedWithItsOwner) {
  const std::string name = "tolvaren-test-free-" + std::to_string(TickCount());
  {
    TSingleInstance first(name);
    ASSERT_TRUE(first.Acquire());
  }
  TSingleInstance again(name);
  EXPECT_TRUE(again.Acquire());
  TSingleInstance nobody(name + "-other");
  EXPECT_FALSE(nobody.NotifyOwner());
}

TEST(WarningBoxTest, SinkReceivesTheText) {
  std::string seen;
  SetWarningBoxSink([&](const std::string& text) { seen = text; });
  ShowWarningBox("careful");
  SetWarningBoxSink(nullptr);
  EXPECT_EQ(seen, "careful");
}

}  // namespace
}  // namespace tv
