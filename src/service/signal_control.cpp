#include "service/signal_control.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace sky {

namespace {

sigset_t ControlSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGUSR1);
  sigaddset(&set, SIGUSR2);
  return set;
}

}  // namespace

void BlockControlSignals() {
  // A shell starts background jobs with SIGINT ignored, and an ignored
  // signal never reaches the signalfd: every control signal gets its
  // default disposition back before it is blocked.
  for (int signal : {SIGTERM, SIGINT, SIGUSR1, SIGUSR2}) ::signal(signal, SIG_DFL);
  const sigset_t set = ControlSignals();
  if (const int error = pthread_sigmask(SIG_BLOCK, &set, nullptr); error != 0) {
    throw std::system_error(error, std::generic_category(), "pthread_sigmask");
  }
  // A client that hangs up mid-answer must not end the process.
  ::signal(SIGPIPE, SIG_IGN);
}

TSignalControlSource::TSignalControlSource() {
  const sigset_t set = ControlSignals();
  fd_ = ::signalfd(-1, &set, SFD_CLOEXEC);
  if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "signalfd");
}

TSignalControlSource::~TSignalControlSource() { ::close(fd_); }

TControlRequest TSignalControlSource::Wait(std::chrono::steady_clock::time_point until) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
  pollfd waiting{fd_, POLLIN, 0};
  const int ready = ::poll(&waiting, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
  if (ready <= 0) return TControlRequest::kNone;
  signalfd_siginfo info{};
  if (::read(fd_, &info, sizeof info) != static_cast<ssize_t>(sizeof info)) return TControlRequest::kNone;
  switch (info.ssi_signo) {
    case SIGTERM:
    case SIGINT:
      return TControlRequest::kStop;
    case SIGUSR1:
      return TControlRequest::kPause;
    case SIGUSR2:
      return TControlRequest::kContinue;
    default:
      return TControlRequest::kNone;
  }
}

}  // namespace sky
