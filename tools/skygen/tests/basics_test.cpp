// Calendar, random numbers, row escaping and the command line.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "civil_time.h"
#include "options.h"
#include "random.h"
#include "row_writer.h"

namespace sky::skygen {
namespace {

TEST(CivilTime, FormatsKnownMoments) {
  EXPECT_EQ(FormatDateTime(0), "1970-01-01 00:00:00");
  EXPECT_EQ(FormatDateTime(951782400), "2000-02-29 00:00:00");
  EXPECT_EQ(FormatDateTime(1234567890), "2009-02-13 23:31:30");
  EXPECT_EQ(FormatDateTime(SecondsFromCivil(2009, 3, 1, 18, 5, 9)), "2009-03-01 18:05:09");
  EXPECT_EQ(FormatDateTime(SecondsFromCivil(2012, 12, 31, 23, 59, 59) + 1), "2013-01-01 00:00:00");
}

TEST(CivilTime, EveryDayFollowsTheCalendar) {
  // An independent calendar walk: month lengths and the Gregorian leap rule.
  int64_t seconds = 0;
  for (int year = 1970; year <= 2400; ++year) {
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int lengths[] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int month = 1; month <= 12; ++month) {
      for (int day = 1; day <= lengths[month - 1]; ++day, seconds += 86400) {
        char expected[32];
        std::snprintf(expected, sizeof expected, "%04d-%02d-%02d 12:34:56", year, month, day);
        ASSERT_EQ(FormatDateTime(seconds + 45296), expected);
        ASSERT_EQ(SecondsFromCivil(year, month, day), seconds);
      }
    }
  }
}

TEST(Random, SameSeedSameSequenceAndStreamsDiffer) {
  Random a(42), b(42), other_stream(42, 1), other_seed(43);
  bool stream_differs = false, seed_differs = false;
  for (int i = 0; i < 100; ++i) {
    const uint64_t x = a.Next();
    ASSERT_EQ(x, b.Next());
    stream_differs |= x != other_stream.Next();
    seed_differs |= x != other_seed.Next();
  }
  EXPECT_TRUE(stream_differs);
  EXPECT_TRUE(seed_differs);
}

TEST(Random, RangesAreInclusiveAndCovered) {
  Random rng(1);
  std::set<int64_t> seen;
  for (int i = 0; i < 2000; ++i) {
    const int64_t v = rng.Between(-3, 3);
    ASSERT_GE(v, -3);
    ASSERT_LE(v, 3);
    seen.insert(v);
  }
  EXPECT_EQ(seen.size(), 7u);
  EXPECT_EQ(rng.Between(5, 5), 5);
  EXPECT_EQ(rng.Below(0), 0u);
  EXPECT_EQ(rng.CountOf(1000000, 0, 4), 1);
  EXPECT_EQ(rng.CountOf(1000000, 1000000, 4), 4);
  EXPECT_EQ(rng.CountOf(0, 1000000, 4), 0);
  const uint32_t weights[] = {0, 5, 0};
  for (int i = 0; i < 50; ++i) ASSERT_EQ(rng.Pick(weights), 1u);
}

TEST(RowWriter, TabSeparatedKeepsEveryByteAndTellsNullFromEmpty) {
  std::string out;
  TabSeparatedWriter w(out);
  w.Begin();
  w.Int(-7);
  w.Text("a\tb\\c\nd");
  w.Text("");
  w.Null();
  w.Text("Ёжик");
  w.End();
  EXPECT_EQ(out, "-7\ta\\tb\\\\c\\nd\t\t\\N\tЁжик\n");
}

TEST(RowWriter, ValuesQuotesTextsAndSeparatesRows) {
  std::string out = "insert into t values ";
  ValuesWriter w(out);
  w.NewStatement();
  w.Begin();
  w.Int(1);
  w.Text("O'Brien \\ x");
  w.End();
  w.Begin();
  w.Null();
  w.Text("");
  w.End();
  EXPECT_EQ(out, "insert into t values (1,'O\\'Brien \\\\ x'),(NULL,'')");
  EXPECT_EQ(w.Rows(), 2u);
}

CommandLine Parse(std::initializer_list<const char*> args) {
  std::vector<const char*> argv = {"skygen"};
  argv.insert(argv.end(), args);
  return ParseCommandLine(static_cast<int>(argv.size()), argv.data());
}

TEST(CommandLine, ReadsBothFormsAndSwitches) {
  const CommandLine line = Parse({"--database=stats", "--host", "db.local", "--port=3307",
                                  "--pilots", "20", "--sorties=300", "--seed", "18446744073709551615",
                                  "--no-index", "--with-rank-columns", "--drop", "--insert", "--quiet"});
  EXPECT_EQ(line.options.database, "stats");
  EXPECT_EQ(line.options.server.host, "db.local");
  EXPECT_EQ(line.options.server.port, 3307u);
  EXPECT_EQ(line.options.pilots, 20u);
  EXPECT_EQ(line.options.sorties, 300u);
  EXPECT_EQ(line.options.seed, UINT64_MAX);
  EXPECT_FALSE(line.options.index);
  EXPECT_TRUE(line.options.rank_columns);
  EXPECT_TRUE(line.options.drop);
  EXPECT_EQ(line.options.method, LoadMethod::kInsert);
  EXPECT_TRUE(line.quiet);
}

TEST(CommandLine, RejectsWhatItCannotUse) {
  EXPECT_THROW(Parse({"--pilots", "5"}), UsageError);                       // no database
  EXPECT_THROW(Parse({"--database", "d", "--port", "65536"}), UsageError);
  EXPECT_THROW(Parse({"--database", "d", "--pilots", "12x"}), UsageError);
  EXPECT_THROW(Parse({"--database", "d", "--pilots", "-1"}), UsageError);
  EXPECT_THROW(Parse({"--database", "d", "--seed"}), UsageError);          // value missing
  EXPECT_THROW(Parse({"--database", "d", "--drop=1"}), UsageError);
  EXPECT_THROW(Parse({"--database", "d", "--pilot", "5"}), UsageError);
  EXPECT_THROW(Parse({"--database", "d", "--pilots", "0", "--sorties", "1"}), UsageError);
  EXPECT_NO_THROW(Parse({"--database", "d", "--pilots", "0", "--sorties", "0"}));
}

}  // namespace
}  // namespace sky::skygen
