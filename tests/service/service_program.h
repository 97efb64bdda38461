// The program as systemd runs it, for the tests of tests/service: a real
// process with its output in files of its home folder, its settings file,
// and the wait for its web server.
#pragma once

#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "base/encoding.h"
#include "base/paths.h"
#include "support/program_location.h"
#include "support/settings_document.h"
#include "support/temp_dir.h"
#include "web/http_test_client.h"

namespace sky::test {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// One run of the program with its output in files of the home folder.
class Program {
 public:
  Program(const std::string& home, std::vector<std::string> arguments) : home_(home) {
    if (!fs::exists(BuiltProgramPath())) throw std::runtime_error("the program is not built: " + BuiltProgramPath());
    arguments.insert(arguments.begin(), BuiltProgramPath());
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

  // The exit status, or nullopt when the program is still running after
  // `patience` (0: looks once, without waiting).
  std::optional<int> Wait(std::chrono::milliseconds patience = 30s) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (!status_) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      } else if (std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(20ms);
      } else {
        break;
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
    return fs::exists(path) ? ReadFileBytes(path) : std::string();
  }

  std::string home_;
  pid_t pid_ = -1;
  std::optional<int> status_;
};

inline void WriteSettings(const std::string& home, uint16_t port, const TServerList& databases, int log_level = 1) {
  WriteFileBytes(home + "/skyranks.xml", ServiceSettings(databases, 0, port, "pw", log_level).Bytes());
}

inline bool WaitForHttp(uint16_t port, std::chrono::milliseconds patience = 20s) {
  const auto deadline = std::chrono::steady_clock::now() + patience;
  while (std::chrono::steady_clock::now() < deadline) {
    try {
      if (Get(port, "/?cmd=config").find("200 OK") != std::string::npos) return true;
    } catch (const std::runtime_error&) {
    }
    std::this_thread::sleep_for(50ms);
  }
  return false;
}

}  // namespace sky::test
