// A TCP relay on a loopback port in front of a real server, which a test can
// take down and bring back on the same port: the server "stops" for the
// program under test (new connections are refused, open ones are cut) while
// the real server keeps serving the other tests.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace sky::test {

class TcpRelay {
 public:
  explicit TcpRelay(uint16_t target_port) : target_port_(target_port) { Start(); }
  ~TcpRelay() { Stop(); }
  TcpRelay(const TcpRelay&) = delete;
  TcpRelay& operator=(const TcpRelay&) = delete;

  uint16_t Port() const { return port_; }

  // Listens again on the same port and relays new connections.
  void Start() {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    int yes = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port_);
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 16) != 0)
      throw std::runtime_error("relay cannot listen");
    socklen_t length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    running_ = true;
    acceptor_ = std::thread([this] { Accept(); });
  }

  // Refuses new connections and cuts every open one.
  void Stop() {
    if (!running_.exchange(false)) return;
    ::shutdown(listener_, SHUT_RDWR);
    acceptor_.join();
    ::close(listener_);
    for (std::thread& pump : pumps_) pump.join();
    pumps_.clear();
  }

 private:
  void Accept() {
    for (;;) {
      pollfd waiting{listener_, POLLIN, 0};
      if (::poll(&waiting, 1, 50) < 0 || !running_) return;
      if (!(waiting.revents & POLLIN)) continue;
      const int client = ::accept(listener_, nullptr, nullptr);
      if (client < 0) {
        if (!running_) return;
        continue;
      }
      const int server = ::socket(AF_INET, SOCK_STREAM, 0);
      sockaddr_in address{};
      address.sin_family = AF_INET;
      address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      address.sin_port = htons(target_port_);
      if (::connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(server);
        ::close(client);
        continue;
      }
      pumps_.emplace_back([this, client, server] { Pump(client, server); });
    }
  }

  // Copies bytes both ways until either side closes or the relay stops.
  void Pump(int client, int server) {
    char buffer[16384];
    while (running_) {
      pollfd ends[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
      if (::poll(ends, 2, 50) < 0) break;
      bool closed = false;
      for (int i = 0; i < 2 && !closed; ++i) {
        if (!(ends[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        const ssize_t got = ::recv(ends[i].fd, buffer, sizeof buffer, 0);
        if (got <= 0 || ::send(ends[1 - i].fd, buffer, got, MSG_NOSIGNAL) != got) closed = true;
      }
      if (closed) break;
    }
    ::close(client);
    ::close(server);
  }

  uint16_t target_port_;
  uint16_t port_ = 0;
  int listener_ = -1;
  std::atomic<bool> running_{false};
  std::thread acceptor_;
  std::vector<std::thread> pumps_;  // touched by the acceptor only, joined after it
};

}  // namespace sky::test
