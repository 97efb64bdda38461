#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "base/log.h"
#include "support/program_home.h"
#include "support/settings_document.h"

namespace sky {
namespace {

// Each rank's value is the interval, so that a record mixed from two files shows.
test::SettingsDocument SettingsWith(uint32_t interval, std::size_t ranks) {
  test::SettingsDocument document;
  document.settings.Interval = interval;
  document.settings.Ranks.assign(ranks, TRankDef{.Value = static_cast<int32_t>(interval)});
  document.settings.LogLevel = 0;
  return document;
}

TEST(SettingsStore, StartsZeroAndPublishesWholeRecords) {
  test::ProgramHome home;
  TSettingsSnapshot before = CurrentSettings();
  ASSERT_NE(before, nullptr);
  EXPECT_EQ(before->Interval, 0u);
  EXPECT_EQ(before->LogLevel, 0);
  EXPECT_FALSE(FieldsChecked());
  EXPECT_EQ(LastCalcTime(), kNeverCalculated);
  EXPECT_GT(StartTime(), kNeverCalculated);

  home.WriteSettings(SettingsWith(5, 2));
  EXPECT_EQ(CurrentSettings()->Interval, 5u);
  EXPECT_EQ(LogThreshold(), 0);
  EXPECT_EQ(before->Interval, 0u) << "a snapshot never changes under its reader";

  SetFieldsChecked(true);
  SetLastCalcTime(kNeverCalculated + 1);
  home.WriteSettings(SettingsWith(6, 1));
  EXPECT_TRUE(FieldsChecked()) << "re-reading keeps the run state";
  EXPECT_EQ(LastCalcTime(), kNeverCalculated + 1);

  TSettings published;
  published.LogLevel = 7;
  PublishSettings(published);
  EXPECT_EQ(LogThreshold(), 7);
}

TEST(SettingsStore, AMalformedFileKeepsTheRecordInForce) {
  test::ProgramHome home;
  // Before anything was published there is no record to keep: the reader
  // defaults give a schedule and a port, and an empty password.
  test::WriteFileBytes(home.SettingsFile(), "<skyranks><schedule interval=\"3\">");
  EXPECT_FALSE(ReloadSettings());
  EXPECT_EQ(CurrentSettings()->Interval, 10u);
  EXPECT_EQ(CurrentSettings()->AdminPort, 21009);
  EXPECT_EQ(CurrentSettings()->AdminPassword, "");
  EXPECT_EQ(home.LogLines().size(), 1u) << "threshold 0 still writes the failure";

  home.WriteSettings(SettingsWith(5, 2));
  const TSettingsSnapshot good = CurrentSettings();
  ASSERT_EQ(good->Interval, 5u);
  home.ClearLog();
  for (const char* broken : {"", "<skyranks>", "<skyranks><log level=\"9\"/></skyranks"}) {
    test::WriteFileBytes(home.SettingsFile(), broken);
    EXPECT_FALSE(ReloadSettings()) << broken;
    EXPECT_EQ(CurrentSettings(), good) << "the same record, not a copy of it: " << broken;
    EXPECT_EQ(LogThreshold(), 0);
  }
  EXPECT_EQ(home.LogLines().size(), 3u);

  // A mended file is read by the next reload; a missing one is written with
  // the defaults, as ever.
  home.WriteSettings(SettingsWith(6, 1));
  EXPECT_EQ(CurrentSettings()->Interval, 6u);
  std::remove(home.SettingsFile().c_str());
  EXPECT_TRUE(ReloadSettings());
  EXPECT_EQ(CurrentSettings()->AdminPassword, "pintowel");
}

TEST(SettingsStore, ReadersNeverSeeAHalfReadRecord) {
  test::ProgramHome home;
  // Two complete files, swapped in by rename so that every read finds one of them.
  test::WriteFileBytes(home.File("a.xml"), SettingsWith(1, 1).Bytes());
  test::WriteFileBytes(home.File("b.xml"), SettingsWith(2, 2).Bytes());
  std::atomic<bool> done{false};
  std::thread reloader([&] {
    for (int i = 0; i < 200; ++i) {
      const std::string source = home.File(i % 2 == 0 ? "a.xml" : "b.xml");
      test::WriteFileBytes(home.File("next.xml"), test::ReadFileBytes(source));
      std::rename(home.File("next.xml").c_str(), home.SettingsFile().c_str());
      ReloadSettings();
    }
    done = true;
  });
  int inconsistent = 0;
  while (!done) {
    TSettingsSnapshot settings = CurrentSettings();
    if (settings->Interval == 0) continue;  // before the first publish
    bool whole = settings->Ranks.size() == settings->Interval;
    for (const TRankDef& rank : settings->Ranks) whole = whole && rank.Value == static_cast<int>(settings->Interval);
    if (!whole) ++inconsistent;
  }
  reloader.join();
  EXPECT_EQ(inconsistent, 0);
}

}  // namespace
}  // namespace sky
