// What the HTTP and admin tests share: a client that talks to a server over
// real loopback sockets, a stand-in for the service host that records what
// the web interface asks of it, and a web server running in a temporary
// program folder.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/encoding.h"
#include "base/paths.h"
#include "support/program_home.h"
#include "support/settings_document.h"
#include "support/temp_dir.h"
#include "version_constants.h"
#include "web/http_server.h"
#include "http/listen_address.h"
#include "web/service_control.h"

namespace sky::test {

// A connected client socket, closed with the object.
class ClientSocket {
 public:
  explicit ClientSocket(uint16_t port) : ClientSocket("127.0.0.1", port) {}
  // `host` is an IPv4 or IPv6 address; `source`, when given, the local
  // address to connect from (127.0.0.2, say, for a second client machine).
  ClientSocket(const std::string& host, uint16_t port, const std::string& source = {}) {
    TListenAddress address = ParseListenAddress(host, port);
    fd_ = ::socket(address.address.ss_family, SOCK_STREAM, 0);
    if (fd_ < 0) throw std::runtime_error("socket failed");
    if (!source.empty()) {
      TListenAddress from = ParseListenAddress(source, 0);
      if (::bind(fd_, reinterpret_cast<sockaddr*>(&from.address), from.length) != 0) {
        ::close(fd_);
        throw std::runtime_error("cannot bind to " + source);
      }
    }
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&address.address), address.length) != 0) {
      ::close(fd_);
      throw std::runtime_error("cannot connect to " + host + " port " + std::to_string(port));
    }
  }
  ~ClientSocket() { Close(); }
  ClientSocket(const ClientSocket&) = delete;
  ClientSocket& operator=(const ClientSocket&) = delete;

  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

  // False when the server has closed its side for good.
  bool Send(const std::string& bytes) {
    for (std::size_t sent = 0; sent < bytes.size();) {
      const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) return false;
      sent += static_cast<std::size_t>(n);
    }
    return true;
  }

  // Everything until the server closes the connection; throws when that
  // takes longer than `patience`.
  std::string ReadToEnd(std::chrono::milliseconds patience = std::chrono::seconds(30)) {
    std::string answer;
    const auto deadline = std::chrono::steady_clock::now() + patience;
    char buffer[65536];
    for (;;) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) throw std::runtime_error("the server did not close the connection");
      pollfd waiting{fd_, POLLIN, 0};
      if (::poll(&waiting, 1, static_cast<int>(left.count())) <= 0) continue;
      const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
      if (n <= 0) return answer;
      answer.append(buffer, static_cast<std::size_t>(n));
    }
  }

  // True when nothing at all arrives within `wait` (the connection may stay open).
  bool SilentFor(std::chrono::milliseconds wait) {
    pollfd waiting{fd_, POLLIN, 0};
    return ::poll(&waiting, 1, static_cast<int>(wait.count())) == 0;
  }

 private:
  int fd_;
};

// Sends a whole request and returns the whole answer.
inline std::string Exchange(uint16_t port, const std::string& request) {
  ClientSocket client(port);
  client.Send(request);
  return client.ReadToEnd();
}

inline std::string Get(uint16_t port, const std::string& target) {
  return Exchange(port, "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
}

inline std::string Post(uint16_t port, const std::string& path, const std::string& body) {
  return Exchange(port, "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: "
                        "application/x-www-form-urlencoded\r\nContent-Length: " +
                            std::to_string(body.size()) + "\r\n\r\n" + body);
}

inline constexpr char kHtmlHead[] =
    "HTTP/1.1 200 OK\r\nServer: skystat_warden embedded web server\r\nConnection: close\r\n\r\n";
inline constexpr char kFrameStart[] =
    "<html><title>sky ranks response page</title><meta http-equiv=\"Content-Type\" "
    "content=\"text/html; charset=windows-1251\"><h1>";
// The banner image, behind a link only when the build names a web address.
inline const std::string kBannerLink =
    std::string_view(SKY_CONTACT_WEB).empty()
        ? std::string("<br><img src=\"/sky.gif\" border=\"0\" alt=\"banner\"/>")
        : std::string("<br><a href=\"") + SKY_CONTACT_WEB +
              "\" target='_blank'><img src=\"/sky.gif\" border=\"0\" alt=\"banner\"/></a>";

// A whole HTML answer as SendHTTPAnswer frames it, in Windows-1251.
inline std::string HtmlAnswer(const std::string& title_utf8, const std::string& body_utf8) {
  return kHtmlHead + Utf8ToCp1251(kFrameStart + title_utf8 + "</h1>\r\n" + body_utf8 + "</html>\r\n");
}

// Records what the web interface asks of the service host. A cycle can be
// held at a gate to see what waits for it.
class FakeService : public TServiceControl {
 public:
  void Pause() override {
    std::lock_guard<std::mutex> hold(lock_);
    Record("timer off");
  }
  void Resume() override {
    std::lock_guard<std::mutex> hold(lock_);
    Record("timer on");
  }
  void RunExclusive(const std::function<void()>& operation) override {
    Pause();
    std::lock_guard<std::mutex> hold(lock_);
    operation();
    Record("timer on");
  }
  bool StopRequested() const override { return stop_requested_.load(); }
  bool RunCalculationCycle() override {
    RunExclusive([&] {
      Record("cycle");
      std::unique_lock<std::mutex> gate(gate_lock_);
      gate_changed_.wait(gate, [&] { return gate_open_; });
    });
    return !stop_requested_.load();
  }
  bool ResetServer(const std::string& id) override {
    Record("reset " + id);
    return !stop_requested_.load();
  }

  void HoldCycles() {
    std::lock_guard<std::mutex> gate(gate_lock_);
    gate_open_ = false;
  }
  void ReleaseCycles() {
    std::lock_guard<std::mutex> gate(gate_lock_);
    gate_open_ = true;
    gate_changed_.notify_all();
  }

  // Held while an exclusive operation runs: taking it waits for the end.
  std::mutex& ExclusiveLock() { return lock_; }
  std::atomic<bool> stop_requested_{false};

  std::vector<std::string> Events() {
    std::lock_guard<std::mutex> hold(events_lock_);
    return events_;
  }
  void ClearEvents() {
    std::lock_guard<std::mutex> hold(events_lock_);
    events_.clear();
  }

 private:
  void Record(std::string event) {
    std::lock_guard<std::mutex> hold(events_lock_);
    events_.push_back(std::move(event));
  }

  std::mutex lock_;
  std::mutex events_lock_;
  std::vector<std::string> events_;
  std::mutex gate_lock_;
  std::condition_variable gate_changed_;
  bool gate_open_ = true;
};

// The settings file the web tests run with: two databases, the second
// switched off, and no admin port of its own.
inline SettingsDocument WebSettings(const std::string& password = "pintowel", int log_level = 10) {
  SettingsDocument document;
  document.servers = {{.Host = "db-one", .User = "u", .Pass = "secret-db", .Db = "stats", .Id = "1"},
                      {.Host = "db-two", .User = "u", .Pass = "p", .Db = "другая", .Active = false, .Id = "2"}};
  document.settings.Interval = 15;
  document.settings.AdminPort = 0;
  document.settings.AdminPassword = password;
  document.settings.LogLevel = log_level;
  return document;
}

// A web server on a free port, serving from a temporary program folder with
// a default page whose text shows where it was served from.
struct WebServerFixture {
  explicit WebServerFixture(THttpLimits limits = {}) : server(service, limits) {
    home.WriteSettings(WebSettings());
    WriteFileBytes(DefaultPageFileName(), "<p>DEFAULT PAGE\r\nat $$Host</p>\n<p>end</p>");
    server.Activate(0);
  }
  ~WebServerFixture() { server.Deactivate(); }

  uint16_t Port() const { return server.Port(); }
  // The default page's answer as this fixture's server sends it.
  std::string DefaultPage() const {
    return std::string(kHtmlHead) + "<p>DEFAULT PAGE" + "at 127.0.0.1:" + std::to_string(Port()) +
           "</p><p>end</p>" + kBannerLink;
  }

  ProgramHome home;
  FakeService service;
  THttpServer server;
};

}  // namespace sky::test
