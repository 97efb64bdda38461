// A webhook receiver on a loopback port for tests: real HTTP/1.1 over TCP,
// one request per connection. It keeps every POST body it took and answers
// from a script (status and extra header lines), 200 once the script is done.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace sky::test {

struct ScriptedAnswer {
  int status = 200;     // 0: no answer at all, the connection held open

  std::string headers;  // "Retry-After: 1\r\n"
};

struct ReceivedPost {
  std::string target;  // the request line's path
  std::string body;
  std::chrono::steady_clock::time_point at;
  int answered = 0;    // the status given
};

class WebhookReceiver {
 public:
  // `port` 0 picks a free one.
  explicit WebhookReceiver(uint16_t port = 0);
  ~WebhookReceiver();
  WebhookReceiver(const WebhookReceiver&) = delete;
  WebhookReceiver& operator=(const WebhookReceiver&) = delete;

  uint16_t Port() const { return port_; }
  std::string Url(const std::string& path = "/hook/secret-token") const;
  void Script(std::vector<ScriptedAnswer> answers);
  // Waits until `count` posts came (true) or `timeout` passed (false).
  bool WaitFor(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(20));
  std::vector<ReceivedPost> Posts() const;

 private:
  void Serve();
  int listener_ = -1;
  uint16_t port_ = 0;
  bool stopping_ = false;
  mutable std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<ScriptedAnswer> script_;
  std::vector<ReceivedPost> posts_;
  std::vector<int> held_;  // connections never answered
  std::thread thread_;
};

}  // namespace sky::test
