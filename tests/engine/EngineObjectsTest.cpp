#include "engine/EngineObjects.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tv {
namespace {

std::vector<std::string> Tokens(const std::string& Text, const TCharSet& Chars = TokenChars) {
  TSimpleParser p;
  p.Start(Text);
  std::vector<std::string> out;
  while (!p.AtEnd()) {
    std::string t = p.GetToken(Chars);
    if (!t.empty()) out.push_back(t);
  }
  return out;
}

TEST(SimpleParserTest, SplitsOnEveryCharacterOutsideTheSet) {
  using V = std::vector<std::string>;
  EXPECT_EQ(Tokens("CodePageIdentifier = 1251"), (V{"CodePageIdentifier", "1251"}));
  EXPECT_EQ(Tokens("a.b"), (V{"a", "b"}));
  EXPECT_EQ(Tokens("-5"), (V{"-5"}));
  EXPECT_EQ(Tokens("x_1\r\n\"Quoted\",#c\tz"), (V{"x_1", "Quoted", "c", "z"}));
  // Bytes above 127 and the NUL byte separate too.
  EXPECT_EQ(Tokens(std::string("ab\xE9"
                               "cd\0ef",
                               8)),
            (V{"ab", "cd", "ef"}));
  // A caller's own set.
  EXPECT_EQ(Tokens("1,2;3", TCharSet("0123456789;")), (V{"1", "2;3"}));
}

TEST(SimpleParserTest, PositionRulesAtTheEnds) {
  TSimpleParser p;
  for (const char* text : {"", " \r\n=,"}) {
    p.Start(text);
    EXPECT_EQ(p.GetToken(TokenChars), "");
    EXPECT_TRUE(p.AtEnd());
    EXPECT_EQ(p.Position, static_cast<int32_t>(std::string(text).size()) + 1);
  }

  p.Start("key value");
  EXPECT_EQ(p.Position, 1);
  EXPECT_FALSE(p.AtEnd());
  EXPECT_EQ(p.GetToken(TokenChars), "key");
  EXPECT_EQ(p.Position, 4) << "stands on the separator that ended the token";
  EXPECT_EQ(p.GetToken(TokenChars), "value");
  EXPECT_EQ(p.Position, 10);
  EXPECT_TRUE(p.AtEnd());
  EXPECT_EQ(p.GetToken(TokenChars), "");
  EXPECT_EQ(p.Position, 10);

  // Restarting resets the position; a hand-set position out of range is tolerated.
  p.Start("a b");
  p.Position = -7;
  EXPECT_EQ(p.GetToken(TokenChars), "a");
  p.Position = 99;
  EXPECT_TRUE(p.AtEnd());
  EXPECT_EQ(p.GetToken(TokenChars), "");
}

TEST(SimpleParserTest, StandardSetIsExactlyTheTokenCharacters) {
  std::string expected = "-_";
  for (char c = '0'; c <= '9'; ++c) expected += c;
  for (char c = 'A'; c <= 'Z'; ++c) expected += c;
  for (char c = 'a'; c <= 'z'; ++c) expected += c;
  for (int b = 0; b < 256; ++b) {
    const bool inSet = expected.find(static_cast<char>(b)) != std::string::npos;
    EXPECT_EQ(TokenChars.Contains(static_cast<uint8_t>(b)), inSet) << "byte " << b;
  }
}

TEST(CompactListTest, KeepsTheFirstElementInlineAndGrowsTwoAtATime) {
  int values[7] = {};
  TList<int> list;
  EXPECT_EQ(list.GetCount(), 0);
  EXPECT_EQ(list.Get(1), nullptr);

  list.Add(&values[0]);
  EXPECT_EQ(list.Get(1), &values[0]);
  EXPECT_EQ(list.Capacity, 2);
  std::vector<int32_t> capacities;
  for (int i = 1; i < 7; ++i) {
    list.Add(&values[i]);
    capacities.push_back(list.Capacity);
  }
  EXPECT_EQ(capacities, (std::vector<int32_t>{2, 4, 4, 6, 6, 8}));
  EXPECT_EQ(list.GetCount(), 7);
  for (int i = 1; i <= 7; ++i) EXPECT_EQ(list.Get(i), &values[i - 1]) << i;
  EXPECT_EQ(list.Get(0), &values[0]);
  EXPECT_EQ(list.Get(8), nullptr) << "past the end gives nothing rather than reading out of bounds";

  // A value type: copies are independent.
  TList<int> copy = list;
  copy.Add(nullptr);
  EXPECT_EQ(list.GetCount(), 7);
  EXPECT_EQ(copy.Get(3), &values[2]);
}

}  // namespace
}  // namespace tv
