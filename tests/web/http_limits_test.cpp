// What a server on the internet needs: bounded requests, bounded time, a
// bounded number of threads, and a stop that does not wait forever.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <future>
#include <memory>
#include <thread>
#include <vector>

#include <sys/socket.h>
#include <unistd.h>

#include "web/http_test_client.h"
#include "http/socket_connection.h"

namespace sky {
namespace {

using namespace std::chrono_literals;
using test::ClientSocket;

THttpLimits ShortLimits() {
  THttpLimits limits;
  limits.request_timeout = 500ms;
  limits.stop_grace = 500ms;
  return limits;
}

TEST(HttpLimits, OversizeLinesEndTheConnectionWithoutAnAnswer) {
  test::WebServerFixture web;
  EXPECT_EQ(test::Exchange(web.Port(), "GET /?" + std::string(9000, 'a') + " HTTP/1.1\r\n\r\n"), "");
  EXPECT_EQ(test::Exchange(web.Port(), "GET / HTTP/1.1\r\nX-Big: " + std::string(8200, 'b') + "\r\n\r\n"), "");
  // A line right at the limit is still read.
  const std::string header = "X-Fits: " + std::string(8192 - 8, 'c');
  EXPECT_EQ(test::Exchange(web.Port(), "GET / HTTP/1.1\r\n" + header + "\r\n\r\n"), web.DefaultPage());
}

TEST(HttpLimits, AtMostOneHundredHeaderLines) {
  test::WebServerFixture web;
  std::string lines;
  for (int i = 0; i < 99; ++i) lines += "X-Line-" + std::to_string(i) + ": 1\r\n";
  EXPECT_EQ(test::Exchange(web.Port(), "GET / HTTP/1.1\r\n" + lines + "\r\n"), web.DefaultPage());
  EXPECT_EQ(test::Exchange(web.Port(), "GET / HTTP/1.1\r\n" + lines + "X-One-Too-Many: 1\r\n\r\n"), "");
}

TEST(HttpLimits, BodiesOverSixtyFourKibibytesAreRefused) {
  test::WebServerFixture web;
  const std::string body = "password=pintowel&actionid=pause&pad=" + std::string(64 * 1024, 'x');
  EXPECT_EQ(test::Post(web.Port(), "/ctrl.sky", body), "");
  EXPECT_TRUE(web.service.Events().empty());
}

TEST(HttpLimits, SilentAndSlowClientsAreDroppedAtTheDeadline) {
  test::WebServerFixture web(ShortLimits());
  ClientSocket silent(web.Port());
  EXPECT_EQ(silent.ReadToEnd(10s), "") << "closed without an answer";

  ClientSocket slow(web.Port());
  slow.Send("POST /ctrl.sky HTTP/1.1\r\nContent-Length: 40\r\n\r\npassword=pin");
  EXPECT_EQ(slow.ReadToEnd(10s), "");
  EXPECT_TRUE(web.service.Events().empty());
}

TEST(HttpLimits, ConnectionsBeyondTheLimitWaitForAFreeThread) {
  THttpLimits limits;
  limits.max_connections = 2;
  test::WebServerFixture web(limits);
  auto first = std::make_unique<ClientSocket>(web.Port());
  ClientSocket second(web.Port());
  ClientSocket third(web.Port());
  third.Send("GET / HTTP/1.1\r\n\r\n");
  EXPECT_TRUE(third.SilentFor(300ms)) << "the third client waits in the listen queue";
  first.reset();
  EXPECT_EQ(third.ReadToEnd(10s), web.DefaultPage());
}

// Whether connecting to `port` fails before `patience` runs out.
bool RefusesConnectionsWithin(uint16_t port, std::chrono::milliseconds patience) {
  const auto until = std::chrono::steady_clock::now() + patience;
  while (std::chrono::steady_clock::now() < until) {
    try {
      ClientSocket probe(port);
    } catch (const std::runtime_error&) {
      return true;
    }
    std::this_thread::sleep_for(5ms);
  }
  return false;
}

TEST(HttpLimits, StopLetsRunningRequestsFinishAndWakesSilentClients) {
  // The silent client's own deadline lies far beyond the stop's grace, so
  // only the stop can end it; the held recalculation is released long
  // before the grace runs out, however slowly this machine runs.
  THttpLimits limits;
  limits.request_timeout = 120s;
  limits.stop_grace = 3s;
  test::WebServerFixture web(limits);
  web.service.HoldCycles();
  ClientSocket recalc(web.Port());
  const std::string body = "password=pintowel&actionid=recalc";
  recalc.Send("POST /ctrl.sky HTTP/1.1\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
  ClientSocket silent(web.Port());
  while (web.service.Events().size() < 2) std::this_thread::sleep_for(10ms);

  const auto stop_began = std::chrono::steady_clock::now();
  auto stopped = std::async(std::launch::async, [&] { return web.server.Deactivate(); });
  EXPECT_TRUE(RefusesConnectionsWithin(web.Port(), 30s)) << "the listener is closed at once";
  EXPECT_FALSE(web.server.Active());
  EXPECT_EQ(stopped.wait_for(0ms), std::future_status::timeout) << "the recalculation is still running";
  web.service.ReleaseCycles();
  EXPECT_NE(recalc.ReadToEnd(60s).find("Calculated"), std::string::npos);
  EXPECT_EQ(silent.ReadToEnd(60s), "");
  EXPECT_TRUE(stopped.get());
  EXPECT_LT(std::chrono::steady_clock::now() - stop_began, limits.request_timeout)
      << "the stop, not the client's deadline, ended the silent connection";
}

// A joined thread may still be listed for a moment while the kernel lets it go.
std::size_t ThreadsOfThisProcessSettled(std::size_t expected) {
  std::size_t count = 0;
  for (int tries = 0; tries < 100; ++tries) {
    const std::filesystem::directory_iterator tasks("/proc/self/task");
    count = static_cast<std::size_t>(std::distance(begin(tasks), end(tasks)));
    if (count == expected) break;
    std::this_thread::sleep_for(10ms);
  }
  return count;
}

// Connection threads are reused across connections; under many clients at
// once every one is answered, and a stop, with clients still connected,
// ends every thread the server started without waiting for idle ones.
TEST(HttpLimits, ManyClientsAtOnceAreAnsweredAndAStopEndsEveryThread) {
  // A thread started and joined first, so that threads a runtime starts
  // with the first thread of the process (ThreadSanitizer's) are counted
  // before, not after.
  std::thread([] {}).join();
  const std::size_t threads_before = ThreadsOfThisProcessSettled(1);
  THttpLimits limits;
  limits.request_timeout = 120s;
  limits.stop_grace = 300ms;
  test::WebServerFixture web(limits);
  std::vector<std::future<int>> clients;
  for (int c = 0; c < 24; ++c) {
    clients.push_back(std::async(std::launch::async, [&] {
      int answered = 0;
      for (int r = 0; r < 20; ++r) answered += test::Get(web.Port(), "/") == web.DefaultPage();
      return answered;
    }));
  }
  for (auto& client : clients) EXPECT_EQ(client.get(), 20);
  clients.clear();  // their threads joined

  ClientSocket silent(web.Port());
  ClientSocket half(web.Port());
  half.Send("GET / HTTP/1.1\r\n");
  const auto stop_began = std::chrono::steady_clock::now();
  EXPECT_TRUE(web.server.Deactivate());
  EXPECT_LT(std::chrono::steady_clock::now() - stop_began, 3s);
  EXPECT_EQ(silent.ReadToEnd(10s), "");
  EXPECT_EQ(half.ReadToEnd(10s), "");
  EXPECT_EQ(ThreadsOfThisProcessSettled(threads_before), threads_before) << "every connection thread was joined";
}

TEST(HttpLimits, BytesThatArrivedInTimeAreReadEvenWhenTheReaderComesLate) {
  int ends[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
  THttpLimits overdue;
  overdue.request_timeout = 0ms;
  TSocketConnection connection(ends[0], overdue);
  const std::string sent = "GET / HTTP/1.1\r\n";
  ASSERT_EQ(::write(ends[1], sent.data(), sent.size()), static_cast<ssize_t>(sent.size()));
  EXPECT_EQ(connection.ReadLine(), "GET / HTTP/1.1");
  EXPECT_THROW(connection.ReadLine(), TConnectionClosed) << "nothing more arrived by the deadline";
  ::close(ends[1]);
}

// Two hundred idle connections hold two hundred threads; the status page
// must still be served promptly by the next one.
TEST(HttpLimits, StatusPageAnswersWhileTwoHundredClientsStaySilent) {
  test::WebServerFixture web;
  std::vector<std::unique_ptr<ClientSocket>> idle;
  for (int i = 0; i < 200; ++i) idle.push_back(std::make_unique<ClientSocket>(web.Port()));
  const auto start = std::chrono::steady_clock::now();
  const std::string page = test::Get(web.Port(), "/?cmd=config");
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  std::printf("status page with 200 silent connections open: %lld ms\n", static_cast<long long>(took.count()));
  EXPECT_NE(page.find(Utf8ToCp1251("Текущие настройки")), std::string::npos);
  // One second is the goal; the margin absorbs a loaded test machine.
  EXPECT_LT(took, 5s);
}

}  // namespace
}  // namespace sky
