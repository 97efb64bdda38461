// `skyranks --once` draws a progress bar per database on a terminal, and
// writes exactly what it always wrote when standard error is a file.
#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "service/service_program.h"
#include "support/stat_rows.h"
#include "support/test_db.h"

namespace sky {
namespace {

using test::Program;

// The program on a pseudo-terminal (standard output and error alike):
// everything it wrote, and its exit status.
std::pair<std::string, int> RunOnTerminal(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), test::BuiltProgramPath());
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  int master = -1;
  const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
  if (pid == 0) {
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  std::string output;
  char buffer[4096];
  for (ssize_t got; (got = ::read(master, buffer, sizeof buffer)) > 0;) output.append(buffer, got);
  ::close(master);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return {output, WIFEXITED(status) ? WEXITSTATUS(status) : 128};
}

TEST(OnceProgress, ABarOnATerminalAndNothingElsewhere) {
  SKY_REQUIRE_DB();
  test::TestDatabase db;
  std::vector<test::TestPilot> pilots;
  std::vector<test::TestSortie> sorties;
  for (int id = 1; id <= 4; ++id) {
    pilots.push_back({.id = id, .callsign = "P" + std::to_string(id)});
    sorties.push_back({.id = id, .pilot = id, .eAir = 1});
  }
  test::InsertPilots(db, pilots);
  test::InsertSorties(db, sorties);
  test::TempDir home;
  test::WriteFileBytes(home.Path() + "/awards.xml", "<?xml version=\"1.0\"?><awards/>");
  test::SettingsDocument document = test::ServiceSettings({db.Entry()}, 0, 0, "pw", 0);
  document.settings.AwardsFile = "awards.xml";
  document.settings.Sleep = 150;  // a pass of about 0.6 s: a few redraws
  test::WriteFileBytes(home.Path() + "/skyranks.xml", document.Bytes());
  const std::vector<std::string> once = {"--home", home.Path(), "--once"};
  const std::string summary = "1 of 1 active databases calculated\n";

  const auto [terminal, status] = RunOnTerminal(once);
  EXPECT_EQ(status, 0) << terminal;
  const std::string bar = "1 127.0.0.1/" + db.Name() + " [";
  const std::size_t first = terminal.find("\r" + bar);
  ASSERT_NE(first, std::string::npos) << terminal;
  EXPECT_NE(terminal.find("[########################]      4/4 pilots"), std::string::npos) << terminal;
  // The bar's line ends before the summary (a terminal shows "\n" as CR LF).
  EXPECT_NE(terminal.find("\r\n1 of 1 active databases calculated\r\n", first), std::string::npos) << terminal;

  Program redirected(home.Path(), once);
  EXPECT_EQ(redirected.Wait(), 0);
  EXPECT_EQ(redirected.Stdout(), summary);
  EXPECT_EQ(redirected.Stderr(), "") << "no bar without a terminal";
}

}  // namespace
}  // namespace sky
