// Value texts that do not need a database: number and time forms, and the
// guard that keeps every attribute value fit for XML.
#include <gtest/gtest.h>

#include "base/encoding.h"
#include "export/value_text.h"

namespace sky {
namespace {

TEST(ValueText, FloatsInShortestGeneralForm) {
  EXPECT_EQ(FormatShortestFloat(0.0), "0");
  EXPECT_EQ(FormatShortestFloat(-0.0), "0");
  EXPECT_EQ(FormatShortestFloat(2.5), "2.5");
  EXPECT_EQ(FormatShortestFloat(-7), "-7");
  EXPECT_EQ(FormatShortestFloat(0.1 + 0.2), "0.3") << "never more than 15 significant digits";
  EXPECT_EQ(FormatShortestFloat(123456789012345678.0), "1.23456789012346E17");
  EXPECT_EQ(FormatShortestFloat(2.5e-7), "2.5E-7");
  EXPECT_EQ(FormatShortestFloat(1e100), "1E100");
}

TEST(ValueText, ServerDatesAndTimesInRegionalForm) {
  EXPECT_EQ(FormatSqlDateTime("2026-12-06 21:05:09"), "06.12.2026 21:05:09");
  EXPECT_EQ(FormatSqlDateTime("2026-12-06 21:05:09.999999"), "06.12.2026 21:05:09");
  EXPECT_EQ(FormatSqlDateTime("2026-12-06 00:00:00"), "06.12.2026");
  EXPECT_EQ(FormatSqlDateTime("2026-12-06"), "06.12.2026");
  EXPECT_EQ(FormatSqlDate("1899-12-30"), "30.12.1899");
  EXPECT_EQ(FormatSqlTime("07:08:09.5"), "07:08:09");
  EXPECT_EQ(FormatSqlTime("-838:59:59"), "-838:59:59") << "durations keep their hours";
  // Shapes that are not understood pass through untouched.
  EXPECT_EQ(FormatSqlDateTime("yesterday"), "yesterday");
  EXPECT_EQ(FormatSqlTime("7 o'clock"), "7 o'clock");
}

TEST(ValueText, XmlSafeTextRepairsWhatXmlCannotHold) {
  EXPECT_EQ(XmlSafeText("Сокол & <ok>\t\r\n"), "Сокол & <ok>\t\r\n");
  EXPECT_EQ(XmlSafeText(std::string("a\x01" "b\x1F" "c", 5)), "abc");
  EXPECT_EQ(XmlSafeText("x\xFFy\xD0"), "x?y?") << "invalid and truncated UTF-8";
  EXPECT_EQ(XmlSafeText("\xED\xA0\x80"), "???") << "an encoded surrogate is not UTF-8";
  EXPECT_EQ(XmlSafeText("\xF0\x9F\x9B\xA9"), "\xF0\x9F\x9B\xA9") << "characters beyond the BMP are kept";
  EXPECT_TRUE(IsValidUtf8("Сокол"));
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));
  EXPECT_EQ(HexText(std::string("\x00\xAB\x10", 3)), "00AB10");
}

}  // namespace
}  // namespace sky
