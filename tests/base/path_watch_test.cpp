#include "base/path_watch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <functional>

#include "support/temp_dir.h"

namespace sky {
namespace {

namespace fs = std::filesystem;
using TChange = TPathWatch::TChange;

// Each change made to <dir>/a/b/skyranks.log or around it, and what the
// watch must make of it: changes that leave the path naming its file are
// not reported (they would cost a lookup), the others always are.
TEST(PathWatch, ReportsWhatCanChangeWhatThePathNames) {
  const std::vector<std::tuple<const char*, std::function<void(const test::TempDir&)>, TChange>> cases = {
      {"nothing", [](const test::TempDir&) {}, TChange::kNone},
      {"the file written", [](const test::TempDir& d) { test::WriteFileBytes(d.File("a/b/skyranks.log"), "x"); },
       TChange::kNone},
      {"the file's mode changed",
       [](const test::TempDir& d) { ::chmod(d.File("a/b/skyranks.log").c_str(), 0600); }, TChange::kNone},
      {"other files beside it", [](const test::TempDir& d) {
         test::WriteFileBytes(d.File("a/b/other"), "x");
         fs::rename(d.File("a/b/other"), d.File("a/b/skyranks.log.1"));
         fs::remove(d.File("a/b/skyranks.log.1"));
         fs::create_directory(d.File("a/c"));
         fs::create_directory(d.File("b"));
       },
       TChange::kNone},
      {"the file deleted", [](const test::TempDir& d) { fs::remove(d.File("a/b/skyranks.log")); }, TChange::kEntry},
      {"the file renamed away",
       [](const test::TempDir& d) { fs::rename(d.File("a/b/skyranks.log"), d.File("a/b/skyranks.log.1")); },
       TChange::kEntry},
      {"the file moved to another folder",
       [](const test::TempDir& d) { fs::rename(d.File("a/b/skyranks.log"), d.File("skyranks.log")); },
       TChange::kEntry},
      {"another file renamed over it", [](const test::TempDir& d) {
         test::WriteFileBytes(d.File("a/b/new"), "x");
         fs::rename(d.File("a/b/new"), d.File("a/b/skyranks.log"));
       },
       TChange::kEntry},
      {"its folder renamed", [](const test::TempDir& d) { fs::rename(d.File("a/b"), d.File("a/old")); },
       TChange::kFolder},
      {"a folder above replaced", [](const test::TempDir& d) {
         fs::rename(d.File("a"), d.File("old"));
         fs::create_directories(d.File("a/b"));
       },
       TChange::kFolder},
  };
  for (const auto& [what, change, expected] : cases) {
    test::TempDir dir;
    fs::create_directories(dir.File("a/b"));
    test::WriteFileBytes(dir.File("a/b/skyranks.log"), "");
    TPathWatch watch;
    ASSERT_TRUE(watch.Arm(dir.File("a/b/skyranks.log"))) << what;
    change(dir);
    EXPECT_EQ(watch.Poll(), expected) << what;
    EXPECT_EQ(watch.Poll() == TChange::kNone, expected != TChange::kFolder) << what << ": reported once";
    EXPECT_EQ(watch.Armed(), expected != TChange::kFolder) << what;
  }
}

TEST(PathWatch, ArmsAgainOnAnotherPathAndRefusesWhatItCannotWatch) {
  test::TempDir dir;
  fs::create_directories(dir.File("one"));
  fs::create_directories(dir.File("two"));
  TPathWatch watch;
  ASSERT_TRUE(watch.Arm(dir.File("one/skyranks.log")));
  ASSERT_TRUE(watch.Arm(dir.File("two/skyranks.log")));
  test::WriteFileBytes(dir.File("one/skyranks.log"), "");
  EXPECT_EQ(watch.Poll(), TChange::kNone) << "the first path is no longer watched";
  test::WriteFileBytes(dir.File("two/skyranks.log"), "");
  EXPECT_EQ(watch.Poll(), TChange::kEntry);

  for (const std::string& path : {dir.File("missing/skyranks.log"), std::string("skyranks.log"), dir.Path() + "/"}) {
    EXPECT_FALSE(watch.Arm(path)) << path;
    EXPECT_FALSE(watch.Armed()) << path;
  }
}

// More changes between two polls than the kernel queues: what was lost may
// have been a folder's move, so the watch must be armed again.
TEST(PathWatch, LostEventsAreReportedAsAFolderChange) {
  test::TempDir dir;
  int queued = 16384;
  if (std::FILE* limit = std::fopen("/proc/sys/fs/inotify/max_queued_events", "r")) {
    if (std::fscanf(limit, "%d", &queued) != 1) queued = 16384;
    std::fclose(limit);
  }
  if (queued > 200000) GTEST_SKIP() << "the kernel queues " << queued << " events";
  TPathWatch watch;
  ASSERT_TRUE(watch.Arm(dir.File("skyranks.log")));
  const std::string other = dir.File("other");
  for (int i = 0; i <= queued / 2; ++i) {  // each a deletion and a creation
    test::WriteFileBytes(other, "");
    fs::remove(other);
  }
  EXPECT_EQ(watch.Poll(), TChange::kFolder);
  EXPECT_FALSE(watch.Armed());
}

}  // namespace
}  // namespace sky
