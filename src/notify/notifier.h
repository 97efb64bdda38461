// Promotions and awards sent to the configured webhooks.
//
// The notifier hears the pass's writes through the observer BeginPass gives
// (engine/write_observer.h), makes the events of each (notify/notify_event.h),
// renders them in each interested webhook's format and appends them to the
// outbox (notify/outbox.h) before the pass goes on. A thread of its own
// sends them, oldest first and one at a time per webhook, so each webhook
// hears its events in order:
//  - a 2xx answer delivers the event;
//  - 429 waits as long as its Retry-After says (else as any failure);
//  - any other answer or failure waits and tries again, the wait doubling
//    from `backoff_base` up to `backoff_max`;
//  - an event still undelivered `max_age` after it was made is dropped with
//    one level-0 line.
// A webhook is known in the outbox by WebhookKey of its address, never by
// the address itself; the log, the statuses and the metrics show its host.
//
// Nothing is announced by a database's first complete pass (there is no
// "before" to compare with), by the pass that follows a reset, or in debug.
// Which databases had a complete pass is kept in a small file beside the
// outbox, so a restart is not a first pass. Without webhooks configured
// nothing is written and no thread runs.
//
// Files: "<base>.outbox" and "<base>.notified", `base` given to the
// constructor (the program's folder and name).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "base/mutex.h"
#include "engine/write_observer.h"
#include "notify/event_body.h"
#include "notify/http_post.h"
#include "notify/notify_event.h"
#include "notify/outbox.h"
#include "settings/settings.h"

namespace sky {

using TPoster = std::function<TPostResult(const std::string& url, const std::string& body,
                                          const std::atomic<bool>& stop)>;

struct TNotifyOptions {
  std::chrono::milliseconds backoff_base{5000};
  std::chrono::milliseconds backoff_max{std::chrono::hours(1)};
  std::chrono::seconds max_age{std::chrono::hours(72)};
  std::size_t limit = TOutbox::kDefaultLimit;
  TPostTimeouts timeouts = {};
  std::function<int64_t()> now = {};  // unix seconds; empty: the system clock
  TPoster post = {};                  // empty: PostJson with `timeouts`
};

// What the administrator sees of one webhook.
struct TWebhookStatus {
  std::string host;
  std::size_t queued = 0;
  uint64_t delivered = 0;
  uint64_t failed = 0;           // events given up: too old, or the outbox full
  uint64_t attempts_failed = 0;  // answers other than 2xx and failed connections
  std::string last_error;
};

// A short key of the address (64-bit FNV-1a, hex).
std::string WebhookKey(const std::string& url);
// True when the webhook takes events of the kind from database `srvid`.
bool WebhookWants(const TWebhookEntry& webhook, TEventKind kind, const std::string& srvid);

class TNotifier {
 public:
  explicit TNotifier(std::string base, TNotifyOptions options = {});
  ~TNotifier();
  TNotifier(const TNotifier&) = delete;
  TNotifier& operator=(const TNotifier&) = delete;

  // Takes the webhooks and the public address of `settings`; opens the
  // outbox and starts sending once there are webhooks or waiting events.
  void Configure(const TSettings& settings);
  // The observer of one pass over `entry`; null when the pass announces
  // nothing (debug, no webhooks, the database's first complete pass).
  std::unique_ptr<TWriteObserver> BeginPass(const TSettings& settings, const TServerEntry& entry);
  // After the pass: a complete one (reached, neither failed nor stopped, not
  // in debug) ends the database's first-pass silence.
  void EndPass(const TSettings& settings, const TServerEntry& entry, bool complete);
  // The database was reset: its next complete pass is a first one again.
  void Reset(const TServerEntry& entry);
  // Ends the sending thread promptly (a transfer under way is aborted; its
  // event stays in the outbox). Idempotent.
  void Stop();

  std::vector<TWebhookStatus> Statuses() const;

 private:
  class TPassObserver;
  struct TDelivery {
    uint64_t delivered = 0;
    uint64_t failed = 0;
    uint64_t attempts_failed = 0;
    int failures_in_row = 0;
    std::chrono::steady_clock::time_point due{};
    std::string last_error;
  };

  int64_t Now() const;
  void Enqueue(const std::vector<TNotifyEvent>& events, const std::vector<TWebhookEntry>& webhooks,
               const std::string& public_url);
  void OpenLocked() SKY_REQUIRES(mutex_);
  void SaveMemoryLocked() SKY_REQUIRES(mutex_);
  void Run();
  // One turn of the sending thread over the webhooks: each gets at most one
  // attempt per round, in order.
  struct TRound {
    std::vector<TWebhookEntry> webhooks;  // as the round began
    std::size_t next = 0;                 // the position looked at next; 0: a round begins
    bool sent = false;
    std::chrono::steady_clock::time_point wake{};  // the earliest head falling due
  };
  struct TSending {
    std::size_t webhook = 0;  // its position in the round
    uint64_t seq = 0;
    std::string body;
  };
  // The head of the next webhook of the round that is due; none at the
  // round's end.
  std::optional<TSending> NextSendingLocked(TRound& round) SKY_REQUIRES(mutex_);
  // Drops events older than max_age; true when any was dropped.
  void ExpireLocked() SKY_REQUIRES(mutex_);
  void AnswerLocked(const TWebhookEntry& webhook, uint64_t seq, const TPostResult& result) SKY_REQUIRES(mutex_);

  const std::string base_;
  const TNotifyOptions options_;
  mutable TMutex mutex_;
  TCondVar wake_;
  std::atomic<bool> stop_{false};  // set under mutex_, read anywhere
  std::vector<TWebhookEntry> webhooks_ SKY_GUARDED_BY(mutex_);
  std::string public_url_ SKY_GUARDED_BY(mutex_);
  std::unique_ptr<TOutbox> outbox_ SKY_GUARDED_BY(mutex_);
  std::set<std::string> completed_ SKY_GUARDED_BY(mutex_);  // databases with a complete pass: "id\thost\tdb"
  bool memory_read_ SKY_GUARDED_BY(mutex_) = false;
  std::map<std::string, TDelivery> deliveries_ SKY_GUARDED_BY(mutex_);  // by webhook key
  std::thread thread_ SKY_GUARDED_BY(mutex_);
};

// The notifier the web views report on (null: none); set by the service.
void PublishNotifier(const TNotifier* notifier);
std::vector<TWebhookStatus> WebhookStatuses();

}  // namespace sky
