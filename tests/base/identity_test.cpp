// Program location and version strings.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/paths.h"
#include "base/version.h"
#include "support/text_shape.h"

namespace sky {
namespace {

TEST(ProgramLocation, FilesAreNamedAfterTheExecutable) {
  SetProgramLocation("/opt/sky/skyranks");
  EXPECT_EQ(ProgramDirectory(), "/opt/sky");
  EXPECT_EQ(SettingsFileName(), "/opt/sky/skyranks.xml");
  EXPECT_EQ(LogFileName(), "/opt/sky/skyranks.log");
  EXPECT_EQ(DefaultPageFileName(), "/opt/sky/skyranks.htm");

  SetProgramLocation("/opt/sky/ranks.exe", "/srv/ranks/");
  EXPECT_EQ(ProgramBaseName(), "ranks");
  EXPECT_EQ(SettingsFileName(), "/srv/ranks/ranks.xml");

  SetProgramLocation("bin/skyranks", "data");
  EXPECT_EQ(ProgramDirectory(), (std::filesystem::current_path() / "data").string()) << "always absolute";

  SetProgramLocation(RunningExecutablePath());
  EXPECT_EQ(ProgramDirectory(), std::filesystem::path(RunningExecutablePath()).parent_path().string());
}

TEST(VersionInfo, StringsOfTheRunningProgram) {
  auto version = TVersionInfo::ForRunningProgram();
  ASSERT_TRUE(version->Valid());
  EXPECT_EQ(version->ProductName(), "skyranks");
  EXPECT_TRUE(test::IsFourPartVersion(version->FileVersion())) << version->FileVersion();
  EXPECT_FALSE(version->LegalCopyright().empty());
  EXPECT_TRUE(test::HasShape(version->Translation(), "FFFFFFFF"));
  EXPECT_EQ(TVersionInfo::FormatFixedVersion(2, 1, 0, 7), "2.1.0.7");
  EXPECT_EQ(TVersionInfo::FormatFixedVersion(65535, 65536, 0, 1), "65535.0.0.1") << "16-bit parts";
}

}  // namespace
}  // namespace sky
