// Files that change under the running service: the log deleted or made
// unwritable, the settings file replaced by one that does not parse.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/log.h"
#include "service/tskyranks.h"
#include "settings/settings_store.h"
#include "support/program_home.h"
#include "support/settings_document.h"
#include "support/temp_dir.h"

namespace sky {
namespace {

bool HasDetail(const std::vector<std::string>& lines, const std::string& text) {
  return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

TEST(ReliabilityLogFile, DeletedOrUnwritableLogNeverStopsTheCaller) {
  test::ProgramHome home;
  home.SetLogLevel(5);
  WriteLog(1, "first");
  ASSERT_TRUE(HasDetail(home.LogLines(), "first"));

  std::filesystem::remove(home.LogFile());
  WriteLog(1, "after delete");
  EXPECT_TRUE(HasDetail(home.LogLines(), "after delete")) << "a deleted log is created again";

  // A folder where the file should be cannot be opened for writing, not even by root.
  std::filesystem::remove(home.LogFile());
  std::filesystem::create_directory(home.LogFile());
  testing::internal::CaptureStderr();
  for (int i = 0; i < 5; ++i) WriteLog(1, "lost line");
  const std::string reported = testing::internal::GetCapturedStderr();
  EXPECT_FALSE(reported.empty()) << "the failure is reported";
  EXPECT_LT(std::count(reported.begin(), reported.end(), '\n'), 3) << "once, not for every line:\n" << reported;

  std::filesystem::remove(home.LogFile());
  WriteLog(1, "writable again");
  EXPECT_TRUE(HasDetail(home.LogLines(), "writable again"));
}

TEST(ReliabilityLogFile, ThreadsKeepLoggingWhileTheFileIsDeletedUnderThem) {
  test::ProgramHome home;
  home.SetLogLevel(5);
  std::atomic<bool> stop{false};
  std::vector<std::thread> writers;
  for (int t = 0; t < 4; ++t) {
    writers.emplace_back([&, t] {
      for (int i = 0; !stop; ++i) WriteLog(1, "writer " + std::to_string(t), std::to_string(i));
    });
  }
  for (int i = 0; i < 200; ++i) std::filesystem::remove(home.LogFile());
  stop = true;
  for (std::thread& writer : writers) writer.join();
  WriteLog(1, "last line");
  const std::vector<std::string> lines = home.LogLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "TS\tlast line\t");
  for (const std::string& line : lines) {
    EXPECT_TRUE(line.starts_with("TS\twriter ") || line == "TS\tlast line\t") << "a torn line: " << line;
  }
}

test::SettingsDocument ServiceSettings(const std::string& password) {
  return test::ServiceSettings({{.Host = "alpha", .Db = "a", .Id = "1"}}, 1, 0, password);
}

// A stand-in for one database's calculation that counts its calls.
struct CountingCalculation {
  TDatabaseOperation Operation() {
    return [this](const TSettings&, const TServerEntry&) {
      ++calls;
      return true;
    };
  }
  std::atomic<int> calls{0};
};

TEST(ReliabilitySettingsFile, AMalformedFileWhileRunningSkipsCyclesUntilItIsMended) {
  test::ProgramHome home;
  home.WriteSettings(ServiceSettings("pw"));
  CountingCalculation calculation;
  Tskyranks service(calculation.Operation(), calculation.Operation());
  EXPECT_EQ(service.RunCycle().reached, 1);

  const TSettingsSnapshot good = CurrentSettings();
  for (const std::string broken : {"<skyranks><mysql id=\"1\" host=\"alpha\"", "", "\xff\xfe\x00<",
                                   "<?xml version=\"1.0\"?><a></b>"}) {
    test::WriteFileBytes(home.SettingsFile(), broken);
    const TCycleReport report = service.RunCycle();
    EXPECT_EQ(report.active, 0) << "no database is read from a file that does not parse";
    // The pages, the reset and the history re-read the file too: the
    // settings in force stay, the failure is logged and reported.
    home.ClearLog();
    EXPECT_FALSE(ReloadSettings());
    EXPECT_EQ(CurrentSettings(), good);
    EXPECT_EQ(CurrentSettings()->AdminPassword, "pw");
    EXPECT_EQ(home.LogLines(), (std::vector<std::string>{"TS\tERROR reading settings from " + home.SettingsFile() +
                                                        "\tthe file is not well-formed XML; nothing was read from it"}));
  }
  EXPECT_EQ(calculation.calls, 1);
  EXPECT_TRUE(service.TimerEnabled()) << "the schedule goes on";

  home.WriteSettings(ServiceSettings("pw"));
  EXPECT_EQ(service.RunCycle().reached, 1) << "the mended file is used by the next cycle";
  EXPECT_EQ(calculation.calls, 2);
}

TEST(ReliabilitySettingsFile, RereadsWhileTheFileIsRewrittenSeeWholeRecords) {
  test::ProgramHome home;
  home.WriteSettings(ServiceSettings("first-password"));
  std::atomic<bool> stop{false};
  std::thread rewriter([&] {
    for (int i = 0; !stop; ++i) home.WriteSettings(ServiceSettings(i % 2 ? "first-password" : "second-password"));
  });
  for (int i = 0; i < 300; ++i) {
    ReloadSettings();
    const TSettingsSnapshot settings = CurrentSettings();
    const std::string& password = settings->AdminPassword;
    // A reload that meets the file half-written keeps the record in force.
    EXPECT_TRUE(password == "first-password" || password == "second-password")
        << "a mixed or empty record: " << password;
  }
  stop = true;
  rewriter.join();
}

}  // namespace
}  // namespace sky
