// The program as systemd runs it: a real process, real signals, a real port.
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>

#include "settings/paths.h"
#include "support/settings_document.h"
#include "support/temp_dir.h"
#include "support/test_db.h"
#include "web/http_test_client.h"

namespace sky {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// The program next to this test's build folder (or SKY_PROGRAM).
std::string ProgramPath() {
  if (const char* path = std::getenv("SKY_PROGRAM"); path != nullptr && *path != '\0') return path;
  return (fs::path(RunningExecutablePath()).parent_path().parent_path() / "src" / "skyranks").string();
}

// A port that was free a moment ago.
uint16_t FreePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(fd);
  return ntohs(address.sin_port);
}

// One run of the program with its output in files of the home folder.
class Program {
 public:
  Program(const std::string& home, std::vector<std::string> arguments) : home_(home) {
    if (!fs::exists(ProgramPath())) throw std::runtime_error("the program is not built: " + ProgramPath());
    arguments.insert(arguments.begin(), ProgramPath());
    // Everything the child needs is prepared before the fork.
    const std::string out_path = home + "/stdout.txt";
    const std::string err_path = home + "/stderr.txt";
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
      const int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int err = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ::dup2(out, 1);
      ::dup2(err, 2);
      // The test runner may have blocked signals; the program starts clean.
      sigset_t none;
      sigemptyset(&none);
      ::sigprocmask(SIG_SETMASK, &none, nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
  }
  ~Program() {
    if (!status_ && pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }

  void Signal(int signal) { ::kill(pid_, signal); }

  // The exit status, or nullopt when the program is still running after `patience`.
  std::optional<int> Wait(std::chrono::milliseconds patience = 30s) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (!status_ && std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      } else {
        std::this_thread::sleep_for(20ms);
      }
    }
    return status_;
  }

  std::string Stdout() const { return Read("stdout.txt"); }
  std::string Stderr() const { return Read("stderr.txt"); }
  // The log's lines (UTF-8, without time stamps).
  std::vector<std::string> Log() const {
    std::vector<std::string> lines;
    const std::string text = Cp1251ToUtf8(Read("skyranks.log"));
    for (std::size_t begin = 0; begin < text.size();) {
      std::size_t end = text.find("\r\n", begin);
      if (end == std::string::npos) end = text.size();
      lines.push_back(text.substr(begin + 20, end - begin - 20));
      begin = end + 2;
    }
    return lines;
  }
  bool WaitForLogLine(const std::string& line, std::chrono::milliseconds patience = 20s) const {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (std::chrono::steady_clock::now() < deadline) {
      for (const std::string& logged : Log()) {
        if (logged == line) return true;
      }
      std::this_thread::sleep_for(20ms);
    }
    return false;
  }

 private:
  std::string Read(const std::string& name) const {
    const std::string path = home_ + "/" + name;
    return fs::exists(path) ? test::ReadFileBytes(path) : std::string();
  }

  std::string home_;
  pid_t pid_ = -1;
  std::optional<int> status_;
};

void WriteSettings(const std::string& home, uint16_t port, const TServerList& databases, int log_level = 1) {
  test::WriteFileBytes(home + "/skyranks.xml", test::ServiceSettings(databases, 0, port, "pw", log_level).Bytes());
}

bool WaitForHttp(uint16_t port, std::chrono::milliseconds patience = 20s) {
  const auto deadline = std::chrono::steady_clock::now() + patience;
  while (std::chrono::steady_clock::now() < deadline) {
    try {
      if (test::Get(port, "/?cmd=config").find("200 OK") != std::string::npos) return true;
    } catch (const std::runtime_error&) {
    }
    std::this_thread::sleep_for(50ms);
  }
  return false;
}

TEST(ServiceProcess, StartPauseContinueAndStopBySignals) {
  test::TempDir home;
  const uint16_t port = FreePort();
  WriteSettings(home.Path(), port, {{.Host = "nowhere", .Active = false, .Id = "1"}});
  Program program(home.Path(), {"--home", home.Path()});
  ASSERT_TRUE(WaitForHttp(port)) << program.Stderr();
  ASSERT_TRUE(program.WaitForLogLine("server skipped\tnowhere")) << "the start-up cycle ran";
  program.Signal(SIGUSR1);
  ASSERT_TRUE(program.WaitForLogLine("=== Pause Service ===\t"));
  EXPECT_TRUE(WaitForHttp(port)) << "pause stops the schedule, not the web interface";
  program.Signal(SIGUSR2);
  ASSERT_TRUE(program.WaitForLogLine("=== Continue Service ===\t"));
  program.Signal(SIGTERM);
  EXPECT_EQ(program.Wait(), 0) << program.Stderr();
  EXPECT_EQ(program.Log(),
            (std::vector<std::string>{"\t", "skyranks (ver 1.0.0.0)\t",
                                      "Copyright (c) The skyranks developers. All rights reserved.\t",
                                      "https://skyranks.example.org,\tskyranks@example.org",
                                      "=== Start Service ===\t", "server skipped\tnowhere", "=== Pause Service ===\t",
                                      "=== Continue Service ===\t", "=== Stop Service ===\t"}));
  EXPECT_THROW(test::Get(port, "/"), std::runtime_error) << "the port is closed after the stop";
}

TEST(ServiceProcess, SigintStopsTooAndAPortOfZeroMeansNoWebServer) {
  test::TempDir home;
  WriteSettings(home.Path(), 0, {});
  Program program(home.Path(), {"--home", home.Path()});
  ASSERT_TRUE(program.WaitForLogLine("=== Start Service ===\t"));
  program.Signal(SIGINT);
  EXPECT_EQ(program.Wait(), 0) << program.Stderr();
  EXPECT_EQ(program.Log().back(), "=== Stop Service ===\t");
}

TEST(ServiceProcess, ATakenPortFailsTheExecution) {
  test::TempDir home;
  const int holder = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  ASSERT_EQ(::bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(holder, 1), 0);
  socklen_t length = sizeof address;
  ::getsockname(holder, reinterpret_cast<sockaddr*>(&address), &length);
  const uint16_t port = ntohs(address.sin_port);

  WriteSettings(home.Path(), port, {});
  Program program(home.Path(), {"--home", home.Path()});
  const std::optional<int> status = program.Wait();
  ::close(holder);
  ASSERT_TRUE(status);
  EXPECT_NE(*status, 0);
  EXPECT_EQ(program.Stderr().rfind("Service failed on execute: cannot listen on port " + std::to_string(port), 0), 0u)
      << program.Stderr();
}

TEST(ServiceProcess, InstallAndUninstallTheUnit) {
  test::TempDir home;
  test::TempDir units;
  Program install(home.Path(), {"--install", "--home", home.Path(), "--unit-dir", units.Path()});
  ASSERT_EQ(install.Wait(), 0) << install.Stderr();
  const std::string unit = test::ReadFileBytes(units.File("skyranks.service"));
  EXPECT_NE(unit.find("ExecStart=" + ProgramPath() + " --home " + home.Path() + "\n"), std::string::npos) << unit;
  EXPECT_NE(unit.find("Restart=on-failure\n"), std::string::npos);
  EXPECT_NE(unit.find("WantedBy=multi-user.target\n"), std::string::npos);
  EXPECT_TRUE(fs::exists(home.File("skyranks.xml"))) << "a settings file to edit";
  EXPECT_TRUE(fs::exists(home.File("skyranks.htm")));
  EXPECT_TRUE(fs::exists(home.File("awards.xml")));
  EXPECT_TRUE(fs::exists(home.File("xsl/history.xsl")));

  // Files already there are kept.
  test::WriteFileBytes(home.File("skyranks.htm"), "mine");
  Program again(home.Path(), {"/INSTALL", "/SILENT", "--home", home.Path(), "--unit-dir", units.Path()});
  ASSERT_EQ(again.Wait(), 0);
  EXPECT_EQ(again.Stdout(), "");
  EXPECT_EQ(test::ReadFileBytes(home.File("skyranks.htm")), "mine");

  Program uninstall(home.Path(), {"--uninstall", "--unit-dir", units.Path()});
  ASSERT_EQ(uninstall.Wait(), 0) << uninstall.Stderr();
  EXPECT_FALSE(fs::exists(units.File("skyranks.service")));
}

TEST(ServiceProcess, UnknownArgumentsAreRefused) {
  test::TempDir home;
  Program program(home.Path(), {"--frobnicate"});
  EXPECT_EQ(program.Wait(), 2);
  EXPECT_NE(program.Stderr().find("unknown argument"), std::string::npos);
}

TEST(ServiceProcess, OnceCalculatesEveryActiveDatabaseAndTellsWhetherAllWereReached) {
  SKY_REQUIRE_DB();
  test::TestDatabase db;
  const TServerEntry entry = db.Entry();
  db.Exec("insert into pilots (id, callsign, class, armyid) values (1, 'Sokol', 'Human pilot', 1)");
  test::TempDir home;
  TServerEntry second = db.EntryWithPassword("wrong-password");
  second.Id = "2";
  WriteSettings(home.Path(), 0, {entry, {.Host = "x", .Active = false, .Id = "2"}}, 3);
  Program once(home.Path(), {"--home", home.Path(), "--once"});
  EXPECT_EQ(once.Wait(), 0) << once.Stderr();
  EXPECT_EQ(once.Stdout(), "1 of 1 active databases calculated\n");
  EXPECT_EQ(db.Column("select realrank from pilots"), std::vector<std::string>{"0"}) << "the columns were added";

  WriteSettings(home.Path(), 0, {entry, second}, 3);
  Program unreachable(home.Path(), {"--home", home.Path(), "--once"});
  EXPECT_EQ(unreachable.Wait(), 1);
  EXPECT_EQ(unreachable.Stdout(), "1 of 2 active databases calculated\n");
}

}  // namespace
}  // namespace sky
