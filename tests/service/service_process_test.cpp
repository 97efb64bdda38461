// The program as systemd runs it: a real process, real signals, a real port.
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>

#include "service/service_program.h"
#include "support/temp_dir.h"
#include "support/test_db.h"
#include "web/http_test_client.h"
#include "version_constants.h"

namespace sky {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using test::FreePort;
using test::Program;
using test::BuiltProgramPath;
using test::WaitForHttp;
using test::WriteSettings;

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
                                      SKY_CONTACT_WEB ",\t" SKY_CONTACT_MAIL,
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

TEST(ServiceProcess, TheAdminPortListensOnTheBindAddressAndABadOneFailsTheStart) {
  test::TempDir home;
  const uint16_t port = FreePort();
  const auto write_settings = [&](const std::string& bind) {
    std::string bytes = test::ServiceSettings({}, 0, port).Bytes();
    bytes.replace(bytes.find("<admin "), 7, "<admin bind=\"" + bind + "\" ");
    test::WriteFileBytes(home.File("skyranks.xml"), bytes);
  };
  write_settings("nowhere");
  Program refused(home.Path(), {"--home", home.Path()});
  EXPECT_EQ(refused.Wait(), 1);
  EXPECT_EQ(refused.Stderr(),
            "Service failed on start: the admin bind address \"nowhere\" is neither an IPv4 nor an IPv6 address\n");

  write_settings("127.0.0.1");
  Program program(home.Path(), {"--home", home.Path()});
  EXPECT_TRUE(WaitForHttp(port)) << program.Stderr();
  program.Signal(SIGTERM);
  EXPECT_EQ(program.Wait(), 0);
}

// systemd's side of Type=notify: a datagram socket named in NOTIFY_SOCKET.
class NotifySocket {
 public:
  explicit NotifySocket(const std::string& path) : fd_(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) throw std::runtime_error("bind");
  }
  ~NotifySocket() { ::close(fd_); }
  // Waits for a message holding `line`; the messages before it are passed over.
  bool WaitFor(const std::string& line, std::chrono::milliseconds patience = 20s) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (std::chrono::steady_clock::now() < deadline) {
      pollfd waiting{fd_, POLLIN, 0};
      if (::poll(&waiting, 1, 100) <= 0) continue;
      char buffer[4096];
      const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
      if (n > 0 && ("\n" + std::string(buffer, n) + "\n").find("\n" + line + "\n") != std::string::npos) return true;
    }
    return false;
  }

 private:
  int fd_;
};

TEST(ServiceProcess, TellsSystemdItIsReadyAliveAndStopping) {
  test::TempDir home;
  const uint16_t port = FreePort();
  WriteSettings(home.Path(), port, {});
  NotifySocket systemd(home.File("notify"));
  ::setenv("NOTIFY_SOCKET", home.File("notify").c_str(), 1);
  ::setenv("WATCHDOG_USEC", "2000000", 1);
  Program program(home.Path(), {"--home", home.Path()});
  ::unsetenv("NOTIFY_SOCKET");
  ::unsetenv("WATCHDOG_USEC");
  EXPECT_TRUE(systemd.WaitFor("READY=1"));
  EXPECT_TRUE(WaitForHttp(port, 1s)) << "ready means the admin port is open";
  EXPECT_TRUE(systemd.WaitFor("WATCHDOG=1"));
  EXPECT_TRUE(systemd.WaitFor("WATCHDOG=1")) << "fed again while the schedule ticks";
  program.Signal(SIGTERM);
  EXPECT_TRUE(systemd.WaitFor("STOPPING=1"));
  EXPECT_EQ(program.Wait(), 0);
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
