// The real skyranks program as a child process, for tests that look at it
// from outside as an operator would: its thread count and resident memory
// from /proc, and how it ends on SIGTERM.
//
// The program is found beside the test program's build folder
// (<build>/tests/test_x -> <build>/src/skyranks), so every build tests its
// own program. Standard output and error go to a file. The destructor stops
// a program that still runs (SIGTERM, then SIGKILL after a grace time).
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

#include "support/program_location.h"

namespace sky::test {

// Threads and resident set of a running process.
struct ProcessUsage {
  long rss_kib = 0;
  int threads = 0;
};

class ProgramProcess {
 public:
  ProgramProcess(const std::string& program, const std::vector<std::string>& arguments,
                 const std::string& output_file) {
    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output_file.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    const int failed = ::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) throw std::runtime_error("cannot start " + program);
  }

  ~ProgramProcess() {
    if (pid_ > 0) Stop(std::chrono::seconds(20));
  }
  ProgramProcess(const ProgramProcess&) = delete;
  ProgramProcess& operator=(const ProgramProcess&) = delete;

  pid_t Pid() const { return pid_; }

  // False once the process has ended (and then it has been reaped).
  bool Running() {
    if (pid_ <= 0) return false;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      exit_status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      return false;
    }
    return true;
  }

  // SIGTERM, then waits up to `grace`; SIGKILL after it. The exit status
  // (128 + signal for a killed process).
  int Stop(std::chrono::milliseconds grace) {
    if (!Running()) return exit_status_;
    ::kill(pid_, SIGTERM);
    const auto until = std::chrono::steady_clock::now() + grace;
    while (Running()) {
      if (std::chrono::steady_clock::now() > until) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        exit_status_ = 128 + SIGKILL;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return exit_status_;
  }

  // VmRSS and Threads of /proc/<pid>/status; throws when the process is gone.
  ProcessUsage Usage() const {
    std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
    if (!status) throw std::runtime_error("the program is not running");
    ProcessUsage usage;
    for (std::string line; std::getline(status, line);) {
      if (line.starts_with("VmRSS:")) usage.rss_kib = std::stol(line.substr(6));
      if (line.starts_with("Threads:")) usage.threads = std::stoi(line.substr(8));
    }
    return usage;
  }

 private:
  pid_t pid_ = -1;
  int exit_status_ = -1;
};

}  // namespace sky::test
