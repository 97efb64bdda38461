#include "http/socket_connection.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "http/listen_address.h"

namespace sky {

namespace {

using TClock = std::chrono::steady_clock;

// How long a closing connection keeps reading what the client still sends.
constexpr std::chrono::milliseconds kLingerTime{500};
constexpr std::size_t kLingerBytes = 256 * 1024;

int MillisecondsUntil(TClock::time_point moment) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(moment - TClock::now()).count();
  return left <= 0 ? 0 : static_cast<int>(left);
}

// sendfile has no MSG_NOSIGNAL: while one lives, a SIGPIPE for a client that
// has gone is kept from this thread and taken away, not delivered.
class TSigpipeHeld {
 public:
  TSigpipeHeld() {
    sigemptyset(&pipe_);
    sigaddset(&pipe_, SIGPIPE);
    sigset_t pending;
    sigpending(&pending);
    was_pending_ = sigismember(&pending, SIGPIPE) == 1;
    pthread_sigmask(SIG_BLOCK, &pipe_, &old_mask_);
  }
  ~TSigpipeHeld() {
    sigset_t pending;
    sigpending(&pending);
    if (!was_pending_ && sigismember(&pending, SIGPIPE) == 1) {
      const timespec at_once{};
      while (sigtimedwait(&pipe_, nullptr, &at_once) < 0 && errno == EINTR) {
      }
    }
    pthread_sigmask(SIG_SETMASK, &old_mask_, nullptr);
  }
  TSigpipeHeld(const TSigpipeHeld&) = delete;
  TSigpipeHeld& operator=(const TSigpipeHeld&) = delete;

 private:
  sigset_t pipe_;
  sigset_t old_mask_;
  bool was_pending_ = false;
};

}  // namespace

TConnectionClosed RefusedRequest(THttpRefusal reason, const std::string& what) {
  CountRefusal(reason);
  return TConnectionClosed(what);
}

TSocketConnection::TSocketConnection(int fd, const THttpLimits& limits)
    : fd_(fd), limits_(limits), deadline_(TClock::now() + limits.request_timeout) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    local_ip_ = AddressText(address);
    local_port_ = AddressPort(address);
  }
  length = sizeof address;
  if (::getpeername(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0) peer_ip_ = AddressText(address);
}

TSocketConnection::~TSocketConnection() {
  // Without an answer there is nothing to protect: close at once.
  if (!answered_) {
    ::close(fd_);
    return;
  }
  if (!disconnected_) ::shutdown(fd_, SHUT_WR);
  const TClock::time_point linger_end = TClock::now() + kLingerTime;
  char discard[4096];
  for (std::size_t drained = 0; drained < kLingerBytes;) {
    pollfd waiting{fd_, POLLIN, 0};
    const int ready = ::poll(&waiting, 1, MillisecondsUntil(linger_end));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;
    const ssize_t n = ::recv(fd_, discard, sizeof discard, 0);
    if (n <= 0) break;
    drained += static_cast<std::size_t>(n);
  }
  ::close(fd_);
}

void TSocketConnection::ReceiveMore() {
  for (;;) {
    // What has arrived is taken without waiting: the request is usually
    // there by the time its connection is served.
    char chunk[4096];
    const ssize_t n = ::recv(fd_, chunk, sizeof chunk, MSG_DONTWAIT);
    if (n > 0) {
      buffer_.append(chunk, static_cast<std::size_t>(n));
      return;
    }
    if (n == 0) throw TConnectionClosed("the client closed the connection");
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) throw TConnectionClosed(std::string("recv: ") + std::strerror(errno));
    // Past the deadline the wait is zero, not skipped: bytes the client sent
    // in time still count when a busy machine lets this thread read late.
    pollfd waiting{fd_, POLLIN, 0};
    const int ready = ::poll(&waiting, 1, MillisecondsUntil(deadline_));
    if (ready < 0) {
      if (errno == EINTR) continue;
      throw TConnectionClosed(std::string("poll: ") + std::strerror(errno));
    }
    if (ready == 0 && TClock::now() >= deadline_) {
      throw RefusedRequest(THttpRefusal::kRequestTimeout, "the request did not arrive in time");
    }
  }
}

std::string TSocketConnection::ReadLine() {
  std::size_t scanned = 0;
  for (;;) {
    const std::size_t end = buffer_.find('\n', scanned);
    if (end != std::string::npos) {
      std::string line = buffer_.substr(0, end);
      buffer_.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.size() > limits_.max_line_bytes) {
        throw RefusedRequest(THttpRefusal::kLineTooLong, "request line too long");
      }
      return line;
    }
    // One byte of slack for the CR of a line that is exactly at the limit.
    if (buffer_.size() > limits_.max_line_bytes + 1) {
      throw RefusedRequest(THttpRefusal::kLineTooLong, "request line too long");
    }
    scanned = buffer_.size();
    ReceiveMore();
  }
}

std::string TSocketConnection::ReadBytes(std::size_t count) {
  while (buffer_.size() < count) ReceiveMore();
  std::string bytes = buffer_.substr(0, count);
  buffer_.erase(0, count);
  return bytes;
}

void TSocketConnection::AwaitRoomToWrite() {
  for (;;) {
    pollfd waiting{fd_, POLLOUT, 0};
    const int ready = ::poll(&waiting, 1, static_cast<int>(limits_.write_timeout.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) throw RefusedRequest(THttpRefusal::kWriteTimeout, "the client does not read the answer");
    return;
  }
}

void TSocketConnection::Write(std::string_view bytes) {
  if (disconnected_) throw TConnectionClosed("the answer has already ended");
  answered_ = true;
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      AwaitRoomToWrite();
      continue;
    }
    throw TConnectionClosed(std::string("send: ") + std::strerror(errno));
  }
}

void TSocketConnection::WriteFile(int fd, std::size_t size) {
  if (disconnected_) throw TConnectionClosed("the answer has already ended");
  answered_ = true;
  // sendfile takes no flags: the socket itself must not block, so that a
  // client that stops reading meets the write timeout as with Write.
  const int flags = ::fcntl(fd_, F_GETFL);
  if (flags >= 0 && (flags & O_NONBLOCK) == 0) ::fcntl(fd_, F_SETFL, flags | O_NONBLOCK);
  const TSigpipeHeld held;
  off_t offset = 0;
  while (static_cast<std::size_t>(offset) < size) {
    const ssize_t n = ::sendfile(fd_, fd, &offset, size - static_cast<std::size_t>(offset));
    if (n > 0) continue;
    if (n == 0) throw TConnectionClosed("the file became shorter while it was sent");
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      AwaitRoomToWrite();
      continue;
    }
    throw TConnectionClosed(std::string("sendfile: ") + std::strerror(errno));
  }
}

void TSocketConnection::Disconnect() {
  if (disconnected_) return;
  disconnected_ = true;
  ::shutdown(fd_, SHUT_WR);
}

}  // namespace sky
