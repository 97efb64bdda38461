#include "base/datetime.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace sky {
namespace {

TEST(DateTime, DaysCountFromTheEndOf1899) {
  EXPECT_EQ(EncodeDateTime(1899, 12, 30), 0.0);
  EXPECT_EQ(EncodeDateTime(1900, 1, 1), 2.0);
  EXPECT_EQ(EncodeDateTime(1966, 1, 14), kNeverCalculated);
  EXPECT_EQ(EncodeDateTime(2000, 3, 1, 12), 36586.5);
  EXPECT_EQ(EncodeDateTime(1899, 12, 29, 6), -1.25) << "before day 0 the time still counts forward";
  EXPECT_EQ(FormatDateTime(EncodeDateTime(1899, 12, 29, 6)), "29.12.1899 06:00:00");
}

TEST(DateTime, FormatsAndDecodesWithoutDrift) {
  EXPECT_EQ(FormatDateTime(0), "30.12.1899 00:00:00");
  EXPECT_EQ(FormatDateTime(EncodeDateTime(2026, 12, 6, 21, 5, 9)), "06.12.2026 21:05:09");
  EXPECT_EQ(FormatDateTime(EncodeDateTime(2024, 2, 29, 23, 59, 59)), "29.02.2024 23:59:59");
  EXPECT_EQ(FormatDateTime(1e300), "30.12.1899 00:00:00") << "no date at all";
  for (int second = 0; second < 86400; second += 7) {
    const TCivilDateTime t = DecodeDateTime(EncodeDateTime(2010, 7, 31, second / 3600, second / 60 % 60, second % 60));
    ASSERT_EQ((t.hour * 60 + t.minute) * 60 + t.second, second);
    ASSERT_EQ(t.day, 31);
  }
}

TEST(DateTime, ParsesTheServersTexts) {
  EXPECT_EQ(ParseSqlDateTime(""), 0.0);
  EXPECT_EQ(ParseSqlDateTime("0000-00-00"), 0.0);
  EXPECT_EQ(ParseSqlDateTime("0000-00-00 00:00:00"), 0.0);
  EXPECT_EQ(ParseSqlDateTime("2000-03-01"), EncodeDateTime(2000, 3, 1));
  EXPECT_EQ(FormatDateTime(ParseSqlDateTime("2026-12-06 21:05:09")), "06.12.2026 21:05:09");
  EXPECT_NEAR(ParseSqlDateTime("2026-12-06 21:05:09.500000"), EncodeDateTime(2026, 12, 6, 21, 5, 9) + 0.5 / 86400,
              1e-9);
  EXPECT_DOUBLE_EQ(ParseSqlDateTime("06:00:00"), 0.25);
  EXPECT_DOUBLE_EQ(ParseSqlDateTime("36:00:00"), 1.5);
  for (const char* bad : {"2023-02-29", "2023-13-01", "2023-1-01", "12:60:00", "yesterday", "2023-01-01T10:00:00",
                          "2023-01-01 10:00"}) {
    EXPECT_THROW(ParseSqlDateTime(bad), std::invalid_argument) << bad;
  }
}

}  // namespace
}  // namespace sky
