#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "notify/notifier.h"
#include "support/program_home.h"
#include "support/webhook_receiver.h"

namespace sky {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TServerEntry Database(const std::string& id = "1") {
  TServerEntry entry;
  entry.Id = id;
  entry.Host = "db.example";
  entry.Db = "SKYSTAT";
  return entry;
}

TSettings WithWebhook(const std::string& url, const std::string& format = "json") {
  TSettings settings;
  settings.Ranks = {{1, "Lieutenant", 0, 0, 0}, {2, "Captain", 0, 0, 0}};
  settings.AwardsFile = "no-such-awards.xml";
  settings.Webhooks.push_back({.Url = url, .Format = format});
  return settings;
}

// Fast retries for the tests: a receiver that fails is tried again within
// milliseconds, so a test bounds only what it means to show.
TNotifyOptions Quick() {
  TNotifyOptions options;
  options.backoff_base = 20ms;
  options.backoff_max = 100ms;
  options.timeouts = {2s, 5s};
  return options;
}

// A pass over the database writing one promotion of pilot `pilot`.
void PassWithPromotion(TNotifier& notifier, const TSettings& settings, int32_t pilot, const TServerEntry& entry = Database()) {
  const std::unique_ptr<TWriteObserver> observer = notifier.BeginPass(settings, entry);
  if (observer) {
    observer->RankWritten({pilot, "Ace", 1, 1, 2});
    observer->CommitTold();
  }
  notifier.EndPass(settings, entry, true);
}

// Until the webhook's queue is empty: what was sent has been answered too.
bool WaitDrained(const TNotifier& notifier) {
  const auto deadline = Clock::now() + 20s;
  while (Clock::now() < deadline) {
    if (notifier.Statuses()[0].queued == 0) return true;
    std::this_thread::sleep_for(10ms);
  }
  return false;
}

class Notifier : public ::testing::Test {
 protected:
  test::ProgramHome home_;
  std::string Base() const { return home_.File("skyranks"); }
};

TEST_F(Notifier, FirstPassResetAndDebugAnnounceNothingAndTheMemoryOutlivesARestart) {
  test::WebhookReceiver receiver;
  TSettings settings = WithWebhook(receiver.Url());
  {
    TNotifier notifier(Base(), Quick());
    PassWithPromotion(notifier, settings, 1);  // first complete pass: silent
    PassWithPromotion(notifier, settings, 2);
    notifier.Reset(Database());
    PassWithPromotion(notifier, settings, 3);  // the recalculation after a reset
    settings.Debug = true;
    PassWithPromotion(notifier, settings, 4);
    settings.Debug = false;
    // An incomplete first pass leaves the next one silent too.
    const auto other = Database("2");
    notifier.EndPass(settings, other, false);
    PassWithPromotion(notifier, settings, 5, other);
    // A stop while an event is under way would send it again after the
    // restart (at least once): not what this test is about.
    ASSERT_TRUE(WaitDrained(notifier));
  }
  TNotifier notifier(Base(), Quick());
  PassWithPromotion(notifier, settings, 6);
  ASSERT_TRUE(receiver.WaitFor(2));
  std::this_thread::sleep_for(200ms);
  const auto posts = receiver.Posts();
  ASSERT_EQ(posts.size(), 2u);
  EXPECT_NE(posts[0].body.find("\"1:2:rank:2\""), std::string::npos) << posts[0].body;
  EXPECT_NE(posts[1].body.find("\"1:6:rank:2\""), std::string::npos) << posts[1].body;
  EXPECT_EQ(posts[0].target, "/hook/secret-token");
}

TEST_F(Notifier, ReceiverDownForAWhileGetsEverythingInOrderAndTheAddressStaysSecret) {
  home_.SetLogLevel(10);
  uint16_t port = 0;
  {
    test::WebhookReceiver probe;
    port = probe.Port();
  }
  const TSettings settings = WithWebhook("http://127.0.0.1:" + std::to_string(port) + "/hook/secret-token");
  TNotifier notifier(Base(), Quick());
  PassWithPromotion(notifier, settings, 1);
  for (int32_t pilot = 1; pilot <= 3; ++pilot) PassWithPromotion(notifier, settings, pilot);
  std::this_thread::sleep_for(300ms);  // refused connections meanwhile
  test::WebhookReceiver receiver(port);
  receiver.Script({{503, ""}, {500, ""}});
  ASSERT_TRUE(receiver.WaitFor(5));
  std::this_thread::sleep_for(200ms);
  const auto posts = receiver.Posts();
  ASSERT_EQ(posts.size(), 5u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_NE(posts[i].body.find("\"1:1:rank:2\""), std::string::npos) << i;
  }
  EXPECT_NE(posts[3].body.find("\"1:2:rank:2\""), std::string::npos);
  EXPECT_NE(posts[4].body.find("\"1:3:rank:2\""), std::string::npos);
  const auto statuses = notifier.Statuses();
  ASSERT_EQ(statuses.size(), 1u);
  EXPECT_EQ(statuses[0].host, "127.0.0.1:" + std::to_string(port));
  EXPECT_EQ(statuses[0].delivered, 3u);
  EXPECT_EQ(statuses[0].queued, 0u);
  EXPECT_GE(statuses[0].attempts_failed, 3u);
  EXPECT_EQ(statuses[0].last_error, "HTTP 500");
  bool failure_logged = false;
  for (const std::string& line : home_.LogLines()) {
    EXPECT_EQ(line.find("secret-token"), std::string::npos) << line;
    failure_logged = failure_logged || line.find("Webhook: delivery failed") != std::string::npos;
  }
  EXPECT_TRUE(failure_logged);
}

TEST_F(Notifier, TooManyRequestsWaitsAsLongAsRetryAfterSays) {
  test::WebhookReceiver receiver;
  receiver.Script({{429, "Retry-After: 1\r\n"}});
  const TSettings settings = WithWebhook(receiver.Url(), "discord");
  TNotifier notifier(Base(), Quick());
  PassWithPromotion(notifier, settings, 1);
  PassWithPromotion(notifier, settings, 1);
  ASSERT_TRUE(receiver.WaitFor(2));
  const auto posts = receiver.Posts();
  // Without the header the next try would come after 20 ms.
  EXPECT_GE(posts[1].at - posts[0].at, 800ms);
  EXPECT_EQ(posts[0].body, posts[1].body);
  EXPECT_NE(posts[1].body.find("\"embeds\""), std::string::npos);
}

TEST_F(Notifier, EventsTooOldAreDroppedAndTheRestResumesAfterARestart) {
  std::atomic<int64_t> now{1000000};
  TNotifyOptions options = Quick();
  options.now = [&] { return now.load(); };
  uint16_t port = 0;
  {
    test::WebhookReceiver probe;
    port = probe.Port();
  }
  const TSettings settings = WithWebhook("http://127.0.0.1:" + std::to_string(port) + "/h");
  {
    TNotifier notifier(Base(), options);
    PassWithPromotion(notifier, settings, 1);
    PassWithPromotion(notifier, settings, 1);
    now += 3600;
    PassWithPromotion(notifier, settings, 2);
  }
  now += 72 * 3600 - 1800;  // the first event is past three days, the second not
  test::WebhookReceiver receiver(port);
  TNotifier notifier(Base(), options);
  notifier.Configure(settings);
  ASSERT_TRUE(receiver.WaitFor(1));
  std::this_thread::sleep_for(200ms);
  ASSERT_EQ(receiver.Posts().size(), 1u);
  EXPECT_NE(receiver.Posts()[0].body.find("\"1:2:rank:2\""), std::string::npos);
  EXPECT_EQ(notifier.Statuses()[0].failed, 1u);
  bool dropped_logged = false;
  for (const std::string& line : home_.LogLines()) {
    dropped_logged = dropped_logged || line.find("Webhook: event dropped") != std::string::npos;
  }
  EXPECT_TRUE(dropped_logged);
}

TEST_F(Notifier, StopIsPromptWhileAReceiverKeepsTheRequestWaiting) {
  // Listens but never answers: the connection is made, the answer never comes.
  const int silent = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(silent, 4), 0);
  socklen_t length = sizeof address;
  ::getsockname(silent, reinterpret_cast<sockaddr*>(&address), &length);
  TNotifyOptions options = Quick();
  options.timeouts = {60s, 120s};
  const TSettings settings = WithWebhook("http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/h");
  auto notifier = std::make_unique<TNotifier>(Base(), options);
  PassWithPromotion(*notifier, settings, 1);
  PassWithPromotion(*notifier, settings, 1);
  std::this_thread::sleep_for(300ms);
  const auto start = Clock::now();
  notifier->Stop();
  EXPECT_LT(Clock::now() - start, 10s);
  notifier.reset();
  ::close(silent);
  // The event stays for the next start.
  TOutbox outbox(Base() + ".outbox");
  EXPECT_EQ(outbox.Waiting(), 1u);
}

}  // namespace
}  // namespace sky
