#include "support/webhook_receiver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace sky::test {

WebhookReceiver::WebhookReceiver(uint16_t port) {
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int on = 1;
  ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener_, 16) != 0) {
    ::close(listener_);
    throw std::runtime_error("receiver cannot listen");
  }
  socklen_t length = sizeof address;
  ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Serve(); });
}

WebhookReceiver::~WebhookReceiver() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  thread_.join();
  for (const int fd : held_) ::close(fd);
  ::close(listener_);
}

std::string WebhookReceiver::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void WebhookReceiver::Script(std::vector<ScriptedAnswer> answers) {
  std::lock_guard lock(mutex_);
  script_.assign(answers.begin(), answers.end());
}

bool WebhookReceiver::WaitFor(std::size_t count, std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return arrived_.wait_for(lock, timeout, [&] { return posts_.size() >= count; });
}

std::vector<ReceivedPost> WebhookReceiver::Posts() const {
  std::lock_guard lock(mutex_);
  return posts_;
}

void WebhookReceiver::Serve() {
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (stopping_) return;
    }
    pollfd waiting{listener_, POLLIN, 0};
    if (::poll(&waiting, 1, 50) <= 0) continue;
    const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    std::string request;
    std::size_t body_at = std::string::npos;
    std::size_t length = 0;
    char buffer[4096];
    for (;;) {
      pollfd readable{fd, POLLIN, 0};
      if (::poll(&readable, 1, 5000) <= 0) break;
      const ssize_t got = ::read(fd, buffer, sizeof buffer);
      if (got <= 0) break;
      request.append(buffer, static_cast<std::size_t>(got));
      if (body_at == std::string::npos && (body_at = request.find("\r\n\r\n")) != std::string::npos) {
        body_at += 4;
        for (const char* name : {"Content-Length:", "content-length:"}) {
          if (const std::size_t at = request.find(name); at != std::string::npos && at < body_at) {
            length = std::stoul(request.substr(at + 15));
          }
        }
      }
      if (body_at != std::string::npos && request.size() >= body_at + length) break;
    }
    if (body_at == std::string::npos) {
      ::close(fd);
      continue;
    }
    ScriptedAnswer answer;
    {
      std::lock_guard lock(mutex_);
      if (!script_.empty()) {
        answer = script_.front();
        script_.pop_front();
      }
      const std::size_t space = request.find(' ');
      posts_.push_back({request.substr(space + 1, request.find(' ', space + 1) - space - 1),
                        request.substr(body_at, length), std::chrono::steady_clock::now(), answer.status});
    }
    arrived_.notify_all();
    if (answer.status == 0) {
      held_.push_back(fd);
      continue;
    }
    const std::string reply = "HTTP/1.1 " + std::to_string(answer.status) + " X\r\n" + answer.headers +
                              "Content-Length: 0\r\nConnection: close\r\n\r\n";
    [[maybe_unused]] const ssize_t wrote = ::write(fd, reply.data(), reply.size());
    ::close(fd);
  }
}

}  // namespace sky::test
