// Installing under systemd: the unit and its sandbox, the service user, and
// who may read the files the program writes.
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "service/installation.h"
#include "service/service_program.h"
#include "support/temp_dir.h"

namespace sky {
namespace {

namespace fs = std::filesystem;
using test::BuiltProgramPath;
using test::Program;

unsigned Mode(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 0777 : 01000;
}

uid_t Owner(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? info.st_uid : static_cast<uid_t>(-1);
}

// What a shell command printed, or nullopt when it could not run.
std::optional<std::string> CommandOutput(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  if (!pipe) return std::nullopt;
  std::string text;
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe.get())) text.append(buffer, n);
  return text;
}

TEST(ServiceInstall, TheUnitRunsAsTheServiceUserInASandboxAndUninstallKeepsTheFolder) {
  test::TempDir home;
  test::TempDir units;
  Program install(home.Path(),
                  {"--install", "--home", home.Path(), "--user", "nobody", "--unit-dir", units.Path()});
  ASSERT_EQ(install.Wait(), 0) << install.Stderr();
  const std::string unit = test::ReadFileBytes(units.File("skyranks.service"));
  for (const std::string& line :
       {"ExecStart=" + BuiltProgramPath() + " --home " + home.Path(), std::string("Type=notify"),
        std::string("User=nobody"), std::string("Group=nogroup"), std::string("Restart=on-failure"),
        std::string("TimeoutStopSec=60"), std::string("WatchdogSec=15min"), "ReadWritePaths=" + home.Path(),
        std::string("ProtectHome=yes"), std::string("CapabilityBoundingSet="), std::string("UMask=0077"),
        std::string("WantedBy=multi-user.target")}) {
    EXPECT_NE(unit.find("\n" + line + "\n"), std::string::npos) << line << "\n" << unit;
  }
  for (const char* file : {"skyranks.xml", "skyranks.htm", "awards.xml", "xsl/history.xsl"}) {
    EXPECT_TRUE(fs::exists(home.File(file))) << file;
  }
  EXPECT_EQ(Mode(home.File("skyranks.xml")), 0600u) << "the settings hold passwords";
  for (const char* file : {"skyranks.htm", "awards.xml", "xsl", "xsl/history.xsl", "skyranks.log"}) {
    EXPECT_EQ(Mode(home.File(file)) & 0007, 0u) << file << " is not for every user of the machine";
  }
  if (::geteuid() == 0) {
    const uid_t nobody = ::getpwnam("nobody")->pw_uid;
    for (const char* path : {"", "skyranks.xml", "awards.xml", "xsl", "xsl/history.xsl"}) {
      EXPECT_EQ(Owner(home.File(path)), nobody) << path;
    }
    EXPECT_NE(Owner(BuiltProgramPath()), nobody) << "the program stays its owner's";
  }

  // Files already there are kept; a settings file readable by others is mended.
  test::WriteFileBytes(home.File("skyranks.htm"), "mine");
  fs::permissions(home.File("skyranks.xml"), fs::perms::group_read | fs::perms::others_read, fs::perm_options::add);
  Program again(home.Path(), {"/INSTALL", "/SILENT", "--home", home.Path(), "--user", "nobody", "--unit-dir",
                              units.Path()});
  ASSERT_EQ(again.Wait(), 0);
  EXPECT_EQ(again.Stdout(), "");
  EXPECT_EQ(test::ReadFileBytes(home.File("skyranks.htm")), "mine");
  EXPECT_EQ(Mode(home.File("skyranks.xml")), 0600u);

  Program uninstall(home.Path(), {"--uninstall", "--unit-dir", units.Path()});
  ASSERT_EQ(uninstall.Wait(), 0) << uninstall.Stderr();
  EXPECT_FALSE(fs::exists(units.File("skyranks.service")));
  EXPECT_TRUE(fs::exists(home.File("skyranks.xml")));
}

// A package ships the printed unit and prepares the folder with --no-unit.
TEST(ServiceInstall, ThePrintedUnitIsTheInstalledOneAndNoUnitLeavesTheUnitAlone) {
  test::TempDir home;
  test::TempDir units;
  Program install(home.Path(), {"--install", "--home", home.Path(), "--user", "nobody", "--unit-dir", units.Path()});
  ASSERT_EQ(install.Wait(), 0) << install.Stderr();
  Program print(home.Path(), {"--print-unit", "--home", home.Path(), "--user", "nobody"});
  ASSERT_EQ(print.Wait(), 0) << print.Stderr();
  EXPECT_EQ(print.Stdout(), test::ReadFileBytes(units.File("skyranks.service")));
  Program packaged(home.Path(), {"--print-unit", "--program", "/usr/sbin/skyranks", "--home", "/var/lib/skyranks"});
  ASSERT_EQ(packaged.Wait(), 0) << packaged.Stderr();
  for (const char* line : {"ExecStart=/usr/sbin/skyranks --home /var/lib/skyranks", "ReadWritePaths=/var/lib/skyranks",
                           "User=skyranks"}) {
    EXPECT_NE(packaged.Stdout().find(std::string("\n") + line + "\n"), std::string::npos) << line;
  }

  test::TempDir prepared;
  test::TempDir no_units;
  Program folder(prepared.Path(), {"--install", "--no-unit", "--home", prepared.Path() + "/home", "--user", "nobody",
                                   "--unit-dir", no_units.Path()});
  ASSERT_EQ(folder.Wait(), 0) << folder.Stderr();
  EXPECT_TRUE(fs::is_empty(no_units.Path()));
  EXPECT_EQ(Mode(prepared.File("home/skyranks.xml")), 0600u);
  EXPECT_TRUE(fs::exists(prepared.File("home/xsl/history.xsl")));

  const struct {
    std::vector<std::string> arguments;
    const char* message;
  } refused[] = {
      {{"--no-unit"}, "--no-unit goes only with --install"},
      {{"--check", "--program", "/usr/sbin/skyranks"}, "--program goes only with --print-unit"},
      {{"--print-unit", "--program", "skyranks"}, "--program needs an absolute path"},
  };
  for (const auto& c : refused) {
    Program wrong(home.Path(), c.arguments);
    EXPECT_EQ(wrong.Wait(), 2) << c.message;
    EXPECT_NE(wrong.Stderr().find(c.message), std::string::npos) << wrong.Stderr();
  }
}

TEST(ServiceInstall, TheSandboxRatesOkWithSystemd) {
  test::TempDir units;
  TInstallOptions options;
  options.executable = "/opt/skyranks/skyranks";
  options.unit_dir = units.Path();
  const std::string unit = units.File("skyranks.service");
  test::WriteFileBytes(unit, ServiceUnitText(options, "skyranks"));
  const auto analysis = CommandOutput("systemd-analyze security --offline=true " + unit + " 2>&1");
  if (!analysis || analysis->find("Overall exposure level") == std::string::npos) {
    GTEST_SKIP() << "systemd-analyze cannot judge units here: " << analysis.value_or("");
  }
  std::smatch level;
  ASSERT_TRUE(std::regex_search(*analysis, level, std::regex("Overall exposure level for skyranks.service: ([0-9.]+)")));
  EXPECT_LE(std::stod(level[1]), 2.0) << *analysis;
}

TEST(ServiceInstall, AProgramInAHomeFolderKeepsTheHomesReadable) {
  const struct {
    const char* executable;
    const char* home;
    const char* protect_home;
  } cases[] = {
      {"/opt/skyranks/skyranks", "", "ProtectHome=yes"},
      {"/usr/local/bin/skyranks", "/var/lib/skyranks", "ProtectHome=yes"},
      {"/home/admin/sky/skyranks", "", "ProtectHome=read-only"},
      {"/usr/local/bin/skyranks", "/root/sky", "ProtectHome=read-only"},
      {"/opt/home/skyranks", "", "ProtectHome=yes"},
  };
  for (const auto& c : cases) {
    TInstallOptions options;
    options.executable = c.executable;
    options.home = c.home;
    const std::string unit = ServiceUnitText(options, "skyranks");
    EXPECT_NE(unit.find(std::string("\n") + c.protect_home + "\n"), std::string::npos) << c.executable << c.home;
  }
}

TEST(ServiceInstall, CreatesAMissingSystemUserAndKeepsItAtUninstall) {
  if (::geteuid() != 0 || ::access("/usr/sbin/useradd", X_OK) != 0) GTEST_SKIP() << "needs root and useradd";
  const std::string user = "skyt" + std::to_string(::getpid());
  test::TempDir home;
  test::TempDir units;
  Program install(home.Path(), {"--install", "--home", home.Path(), "--user", user, "--unit-dir", units.Path()});
  ASSERT_EQ(install.Wait(), 0) << install.Stderr();
  const passwd* account = ::getpwnam(user.c_str());
  ASSERT_NE(account, nullptr) << install.Stdout();
  EXPECT_STREQ(account->pw_shell, "/usr/sbin/nologin");
  EXPECT_LT(account->pw_uid, 1000u) << "a system account";
  EXPECT_EQ(Owner(home.File("skyranks.xml")), account->pw_uid);
  EXPECT_NE(install.Stdout().find("created the system user " + user), std::string::npos) << install.Stdout();
  Program uninstall(home.Path(), {"--uninstall", "--unit-dir", units.Path()});
  EXPECT_EQ(uninstall.Wait(), 0);
  EXPECT_NE(::getpwnam(user.c_str()), nullptr);
  EXPECT_EQ(std::system(("userdel " + user + " 2>/dev/null").c_str()), 0);

  Program refused(home.Path(), {"--install", "--home", home.Path(), "--user", "-o", "--unit-dir", units.Path()});
  EXPECT_EQ(refused.Wait(), 1);
  EXPECT_NE(refused.Stderr().find("is not a name for a system user"), std::string::npos) << refused.Stderr();
}

TEST(ServiceInstall, TheProgramsFilesAreForItsOwnerAndAReadableSettingsFileIsReported) {
  test::TempDir home;
  test::WriteSettings(home.Path(), 0, {});
  fs::permissions(home.File("skyranks.xml"), fs::perms::group_read | fs::perms::others_read, fs::perm_options::add);
  Program first(home.Path(), {"--home", home.Path()});
  ASSERT_TRUE(first.WaitForLogLine("=== Start Service ===\t"));
  first.Signal(SIGTERM);
  EXPECT_EQ(first.Wait(), 0);
  const std::string warning = "WARNING: the settings file holds passwords and other users can read it:\t" +
                              home.File("skyranks.xml") + " (mode 644); mend: chmod 600 " + home.File("skyranks.xml");
  const std::vector<std::string> first_log = first.Log();
  EXPECT_EQ(std::count(first_log.begin(), first_log.end(), warning), 1);
  EXPECT_EQ(Mode(home.File("skyranks.log")) & 0007, 0u) << "the log is not for everybody";

  fs::remove(home.File("skyranks.xml"));
  fs::remove(home.File("skyranks.log"));
  Program fresh(home.Path(), {"--home", home.Path()});
  ASSERT_TRUE(fresh.WaitForLogLine("=== Start Service ===\t"));
  fresh.Signal(SIGTERM);
  fresh.Wait();
  EXPECT_EQ(Mode(home.File("skyranks.xml")), 0600u) << "a new settings file";
  const std::vector<std::string> fresh_log = fresh.Log();
  EXPECT_EQ(std::count(fresh_log.begin(), fresh_log.end(), warning), 0);
}

}  // namespace
}  // namespace sky
