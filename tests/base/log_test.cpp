#include "base/log.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <thread>

#include "base/encoding.h"
#include "base/paths.h"
#include "settings/settings_store.h"
#include "support/program_home.h"
#include "support/text_shape.h"

namespace sky {
namespace {

constexpr char kStamp[] = "99.99.9999 99:99:99";

TEST(Log, LineBytesAreWindows1251WithTabsAndCrLf) {
  test::ProgramHome home;
  WriteLog(0, "Ошибка соединения:", "нет связи\nс базой");
  WriteLog(0, "", "");
  const std::string bytes = test::ReadFileBytes(home.LogFile());
  ASSERT_GT(bytes.size(), 19u);
  EXPECT_TRUE(test::HasShape(bytes.substr(0, 19), kStamp)) << bytes;
  const std::string first =
      "\t\xCE\xF8\xE8\xE1\xEA\xE0 \xF1\xEE\xE5\xE4\xE8\xED\xE5\xED\xE8\xFF:\t\xED\xE5\xF2 \xF1\xE2\xFF\xE7\xE8\n"
      "\xF1 \xE1\xE0\xE7\xEE\xE9\r\n";
  EXPECT_EQ(bytes.substr(19, first.size()), first);
  const std::string second = bytes.substr(19 + first.size());
  ASSERT_EQ(second.size(), 19u + 4u);
  EXPECT_TRUE(test::HasShape(second.substr(0, 19), kStamp));
  EXPECT_EQ(second.substr(19), "\t\t\r\n");
}

TEST(Log, LevelsAboveTheThresholdAreNotWritten) {
  test::ProgramHome home;
  EXPECT_EQ(LogThreshold(), 0) << "before the settings are first read";
  WriteLog(1, "one");
  WriteLog(0, "zero");
  home.SetLogLevel(4);
  WriteLog(4, "four");
  WriteLog(5, "five");
  home.SetLogLevel(-1);
  WriteLog(0, "never");
  EXPECT_EQ(home.LogLines(), (std::vector<std::string>{"TS\tzero\t", "TS\tfour\t"}));
}

TEST(Log, ADeletedFileIsCreatedAnew) {
  test::ProgramHome home;
  WriteLog(0, "first");
  std::filesystem::remove(home.LogFile());
  WriteLog(0, "second");
  EXPECT_EQ(home.LogLines(), (std::vector<std::string>{"TS\tsecond\t"}));
}

// What log rotation does to the file between two lines; each line must be
// whole in the file the path names as soon as WriteLog returns.
TEST(Log, TheNextLineGoesToTheFileThePathNamesNow) {
  namespace fs = std::filesystem;
  const std::vector<std::pair<const char*, std::function<void(const test::ProgramHome&)>>> moves = {
      {"renamed", [](const test::ProgramHome& home) { fs::rename(home.LogFile(), home.File("old.log")); }},
      {"deleted", [](const test::ProgramHome& home) { fs::remove(home.LogFile()); }},
      {"replaced", [](const test::ProgramHome& home) {
         test::WriteFileBytes(home.File("new.log"), "kept\r\n");
         fs::rename(home.File("new.log"), home.LogFile());
       }},
      {"another path in the settings", [](const test::ProgramHome& home) {
         fs::create_directory(home.File("moved"));
         SetProgramLocation(home.File("moved/skyranks"));
       }},
  };
  for (const auto& [what, move] : moves) {
    test::ProgramHome home;
    WriteLog(0, "first");
    EXPECT_EQ(home.LogLines(), std::vector<std::string>{"TS\tfirst\t"}) << what;
    move(home);
    WriteLog(0, "second");
    const std::string now = test::ReadFileBytes(LogFileName());
    EXPECT_EQ(now.substr(now.size() - 10), "\tsecond\t\r\n") << what;
    EXPECT_EQ(now.find("first"), std::string::npos) << what;
    if (fs::exists(home.File("old.log"))) {
      EXPECT_EQ(test::ReadFileBytes(home.File("old.log")).find("second"), std::string::npos) << what;
    }
    if (std::string(what) == "replaced") {
      EXPECT_EQ(now.substr(0, 6), "kept\r\n");
    }
  }
}

// Rotations done again and again, also of the folders the log lies in: each
// line goes to the file the path names when it is written, never to one
// rotated away before.
TEST(Log, EveryRotationIsFollowedNotOnlyTheFirst) {
  namespace fs = std::filesystem;
  const std::vector<std::pair<const char*, std::function<void(const test::ProgramHome&, int)>>> moves = {
      {"renamed", [](const test::ProgramHome& home, int) { fs::rename(LogFileName(), home.File("old.log")); }},
      {"deleted", [](const test::ProgramHome&, int) { fs::remove(LogFileName()); }},
      {"its folder replaced", [](const test::ProgramHome& home, int n) {
         fs::rename(home.File("x/y"), home.File("x/old" + std::to_string(n)));
         fs::create_directory(home.File("x/y"));
       }},
      {"a folder above replaced", [](const test::ProgramHome& home, int n) {
         fs::rename(home.File("x"), home.File("old" + std::to_string(n)));
         fs::create_directories(home.File("x/y"));
       }},
      {"another path in the settings", [](const test::ProgramHome& home, int n) {
         fs::create_directories(home.File("z" + std::to_string(n)));
         SetProgramLocation(home.File("z" + std::to_string(n) + "/skyranks"));
       }},
  };
  for (const auto& [what, move] : moves) {
    test::ProgramHome home;
    fs::create_directories(home.File("x/y"));
    SetProgramLocation(home.File("x/y/skyranks"));
    WriteLog(0, "line0");
    for (int n = 1; n <= 3; ++n) {
      move(home, n);
      WriteLog(0, "line" + std::to_string(n));
      const std::string now = test::ReadFileBytes(LogFileName());
      EXPECT_NE(now.find("\tline" + std::to_string(n) + "\t"), std::string::npos) << what << " " << n;
      EXPECT_EQ(now.find("\tline" + std::to_string(n - 1) + "\t"), std::string::npos) << what << " " << n;
    }
  }
}

// Not a check: the cost of one line, printed for comparison between builds.
TEST(Log, CostPerLine) {
  test::ProgramHome home;
  constexpr int kLines = 20000;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kLines; ++i) WriteLog(0, "HTTP REQUEST :", "GET /xsl/pilotlist.xsl HTTP/1.1");
  const auto took = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start);
  std::printf("log line: %.2f us each over %d lines\n", took.count() / kLines, kLines);
  EXPECT_EQ(home.LogLines().size(), static_cast<std::size_t>(kLines));
}

TEST(Log, LinesOfTwoThreadsNeverInterleave) {
  test::ProgramHome home;
  constexpr int kLines = 1000;
  auto writer = [](const std::string& name) {
    for (int i = 0; i < kLines; ++i) WriteLog(0, name, "строка " + std::to_string(i));
  };
  std::thread a(writer, "a");
  std::thread b(writer, "b");
  a.join();
  b.join();
  const std::vector<std::string> lines = home.LogLines();
  ASSERT_EQ(lines.size(), 2u * kLines);
  int next_a = 0, next_b = 0;
  for (const std::string& line : lines) {
    if (line.rfind("TS\ta\t", 0) == 0) {
      ASSERT_EQ(line, "TS\ta\tстрока " + std::to_string(next_a++));
    } else {
      ASSERT_EQ(line, "TS\tb\tстрока " + std::to_string(next_b++));
    }
  }
  EXPECT_EQ(next_a, kLines);
}

TEST(Log, AnUnwritableLogIsReportedOnceAndNeverThrows) {
  test::ProgramHome home;
  const std::string missing = home.File("gone");
  SetProgramLocation(missing + "/skyranks");
  testing::internal::CaptureStderr();
  WriteLog(0, "lost 1");
  WriteLog(0, "lost 2");
  std::string reported = testing::internal::GetCapturedStderr();
  EXPECT_NE(reported.find(missing + "/skyranks.log"), std::string::npos) << reported;
  EXPECT_EQ(reported.find('\n'), reported.size() - 1) << "one report for both lines: " << reported;

  // Once writing works again, a new failure is reported again.
  std::filesystem::create_directory(missing);
  testing::internal::CaptureStderr();
  WriteLog(0, "kept");
  std::filesystem::remove(missing + "/skyranks.log");
  std::filesystem::remove(missing);
  WriteLog(0, "lost 3");
  reported = testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(reported.begin(), reported.end(), '\n'), 1) << reported;
}

}  // namespace
}  // namespace sky
