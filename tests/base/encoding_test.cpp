#include "base/encoding.h"
#include "base/text.h"

#include <gtest/gtest.h>

namespace sky {
namespace {

TEST(Encoding, EveryWindows1251ByteSurvivesTheRoundTrip) {
  std::string all;
  for (int byte = 0; byte < 256; ++byte) all += static_cast<char>(byte);
  const std::string utf8 = Cp1251ToUtf8(all);
  EXPECT_EQ(Utf8Length(utf8), 256u);
  EXPECT_EQ(Utf8ToCp1251(utf8), all);
}

TEST(Encoding, CyrillicAndPunctuationMapToTheirBytes) {
  EXPECT_EQ(Utf8ToCp1251("Аяё№€"), "\xC0\xFF\xB8\xB9\x88");
  EXPECT_EQ(Utf8ToCp1251("ЁЎҐ«»"), "\xA8\xA1\xA5\xAB\xBB");
  EXPECT_EQ(Cp1251ToUtf8("\xCF\xF0\xE8\xE2\xE5\xF2"), "Привет");
}

TEST(Encoding, WhatWindows1251CannotHoldBecomesAQuestionMark) {
  EXPECT_EQ(Utf8ToCp1251("a漢b"), "a?b");
  EXPECT_EQ(Utf8ToCp1251("a\xFF" "b"), "a?b");
  EXPECT_EQ(Utf8ToCp1251("\xD0"), "?") << "a sequence cut short";
  EXPECT_EQ(Utf8ToCp1251("\xC0\xAF"), "??") << "an overlong form is not a character";
  EXPECT_EQ(SanitizeUtf8("ok\xE2\x82 ж"), "ok?? ж");
}

TEST(Encoding, Byte98IsU0098UnlessTheConverterLeavesItUnassigned) {
  EXPECT_EQ(Cp1251Character(0x98), char32_t{0x98});
  EXPECT_EQ(Cp1251Character(0x98, TCp1251Byte98::kUnassigned), std::nullopt);
  EXPECT_EQ(Cp1251Character(0x99, TCp1251Byte98::kUnassigned), char32_t{0x2122}) << "only 0x98 differs";
}

TEST(Encoding, DecodeUtf8AtTheBoundsOfEachLength) {
  struct TCase {
    std::string bytes;
    std::size_t length;  // 0: invalid
    char32_t cp;
  };
  const TCase cases[] = {
      {"A", 1, 0x41},           {"\xC2\x80", 2, 0x80},          {"\xDF\xBF", 2, 0x7FF},
      {"\xE0\xA0\x80", 3, 0x800}, {"\xED\x9F\xBF", 3, 0xD7FF},     {"\xF4\x8F\xBF\xBF", 4, 0x10FFFF},
      {"\xC1\xBF", 0, 0},       {"\xE0\x9F\xBF", 0, 0},         {"\xED\xA0\x80", 0, 0},  // overlong, surrogate
      {"\xF4\x90\x80\x80", 0, 0}, {"\xF0\x9F\x9B", 0, 0},         {"\x80", 0, 0},          // past U+10FFFF, cut, lone
      {"\xC3(", 0, 0},          {"\xF5\x80\x80\x80", 0, 0},
  };
  for (const TCase& c : cases) {
    char32_t cp = 0;
    EXPECT_EQ(DecodeUtf8(c.bytes, 0, cp), c.length) << SanitizeUtf8(c.bytes);
    if (c.length != 0) {
      EXPECT_EQ(cp, c.cp);
    }
    EXPECT_EQ(IsValidUtf8(c.bytes), c.length == c.bytes.size());
  }
}

TEST(Encoding, DecimalNumbersAreTheWholeTextWithinTheType) {
  EXPECT_EQ(ToInt32("0"), 0);
  EXPECT_EQ(ToInt32("-2147483648"), INT32_MIN);
  EXPECT_EQ(ToInt32("2147483647"), INT32_MAX);
  for (const char* text : {"2147483648", "", "-", "+1", " 1", "1 ", "12a", "0x10"}) {
    EXPECT_EQ(ToInt32(text), std::nullopt) << text;
  }
  EXPECT_EQ(ParseDecimal<int64_t>("9223372036854775807"), INT64_MAX);
  EXPECT_EQ(ParseDecimal<uint64_t>("-1"), std::nullopt) << "no sign for an unsigned type";
}

TEST(Encoding, LengthsAndPrefixesCountCharacters) {
  EXPECT_EQ(Utf8Length("мл. л-т"), 7u);
  EXPECT_EQ(Utf8Prefix("лейтенант", 3), "лей");
  EXPECT_EQ(Utf8Prefix("ab", 5), "ab");
  EXPECT_EQ(Utf8Prefix("a€b", 2), "a€");
  EXPECT_EQ(Utf8Prefix("", 3), "");
}

TEST(Encoding, TrimAndCaseHelpers) {
  EXPECT_EQ(TrimText(" \t\r\n awards.xml \x01"), "awards.xml");
  EXPECT_EQ(TrimText("   "), "");
  EXPECT_EQ(TrimText("a b"), "a b");
  EXPECT_EQ(AsciiLower("GET /Ctrl.SKY Ж"), "get /ctrl.sky Ж");
  EXPECT_TRUE(EqualsIgnoreCase("Content-Length", "content-LENGTH"));
  EXPECT_FALSE(EqualsIgnoreCase("abc", "abd"));
  EXPECT_FALSE(EqualsIgnoreCase("abc", "abcd"));
}

}  // namespace
}  // namespace sky
