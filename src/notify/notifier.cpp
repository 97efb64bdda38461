#include "notify/notifier.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <fmt/format.h>

#include "base/log.h"
#include "settings/webhook_entry.h"

namespace sky {

namespace {

std::string DatabaseName(const TServerEntry& entry) { return entry.Id + "\t" + entry.Host + "\t" + entry.Db; }

std::vector<std::string> EventNames(std::string_view list) {
  std::vector<std::string> names;
  std::istringstream in{std::string(list)};
  for (std::string name; std::getline(in, name, ',');) {
    name.erase(0, name.find_first_not_of(' '));
    name.erase(name.find_last_not_of(' ') + 1);
    names.push_back(name);
  }
  return names;
}

// Usable webhooks only: one with a problem (reported by the check) sends nothing.
std::vector<TWebhookEntry> UsableWebhooks(const TSettings& settings) {
  std::vector<TWebhookEntry> usable;
  for (const TWebhookEntry& webhook : settings.Webhooks) {
    if (WebhookHost(webhook.Url).empty() || (webhook.Format != "json" && webhook.Format != "discord")) continue;
    usable.push_back(webhook);
  }
  return usable;
}

TMutex published_lock;
const TNotifier* published SKY_GUARDED_BY(published_lock) = nullptr;

}  // namespace

std::string WebhookKey(const std::string& url) {
  uint64_t hash = 14695981039346656037ull;
  for (const char c : url) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return fmt::format("{:016x}", hash);
}

bool WebhookWants(const TWebhookEntry& webhook, TEventKind kind, const std::string& srvid) {
  if (!webhook.Srvid.empty() && webhook.Srvid != srvid) return false;
  const std::vector<std::string> names = EventNames(webhook.Events);
  return std::find(names.begin(), names.end(), EventKindName(kind)) != names.end();
}

// The events of one pass's writes, handed to the notifier as each write takes.
class TNotifier::TPassObserver : public TWriteObserver {
 public:
  TPassObserver(TNotifier& notifier, const TSettings& settings, std::string srvid, std::vector<TWebhookEntry> webhooks,
                std::string public_url)
      : notifier_(notifier), settings_(settings), srvid_(std::move(srvid)), webhooks_(std::move(webhooks)),
        public_url_(std::move(public_url)) {
    try {
      TXmlDocument awards;
      if (awards.LoadFile(settings.AwardsFile)) names_ = TAwardNames(awards);
    } catch (const std::exception&) {
      // The pass reports an awards file it cannot read; the events name the bits.
    }
  }
  ~TPassObserver() override { CommitTold(); }
  void RankWritten(const TWrittenValue& write) override {
    Hold(RankEvents(srvid_, write, settings_, notifier_.Now()));
  }
  void AwardsWritten(const TWrittenValue& write) override {
    Hold(AwardEvents(srvid_, write, names_, notifier_.Now()));
  }
  // One append (and one flush) for the writes of a commit.
  void CommitTold() override {
    if (held_.empty()) return;
    notifier_.Enqueue(held_, webhooks_, public_url_);
    held_.clear();
  }

 private:
  TNotifier& notifier_;
  const TSettings settings_;
  const std::string srvid_;
  const std::vector<TWebhookEntry> webhooks_;
  const std::string public_url_;
  TAwardNames names_;
  std::vector<TNotifyEvent> held_;

  void Hold(std::vector<TNotifyEvent> events) {
    held_.insert(held_.end(), std::make_move_iterator(events.begin()), std::make_move_iterator(events.end()));
  }
};

TNotifier::TNotifier(std::string base, TNotifyOptions options) : base_(std::move(base)), options_(std::move(options)) {
  InitHttpPost();
}

TNotifier::~TNotifier() { Stop(); }

int64_t TNotifier::Now() const { return options_.now ? options_.now() : static_cast<int64_t>(std::time(nullptr)); }

void TNotifier::Configure(const TSettings& settings) {
  TMutexLock lock(mutex_);
  webhooks_ = UsableWebhooks(settings);
  public_url_ = settings.NotifyPublicUrl;
  std::error_code error;
  if (!outbox_ && (!webhooks_.empty() || std::filesystem::exists(base_ + ".outbox", error))) {
    try {
      OpenLocked();
    } catch (const std::exception& e) {
      WriteLog(0, "ERROR opening the outbox", e.what());
      return;
    }
  }
  if (outbox_ && !thread_.joinable() && !stop_) thread_ = std::thread([this] { Run(); });
  wake_.NotifyAll();
}

void TNotifier::OpenLocked() {
  outbox_ = std::make_unique<TOutbox>(base_ + ".outbox", options_.limit);
  if (!memory_read_) {
    std::ifstream in(base_ + ".notified");
    for (std::string line; std::getline(in, line);) {
      if (!line.empty()) completed_.insert(line);
    }
    memory_read_ = true;
  }
}

void TNotifier::SaveMemoryLocked() {
  const std::string file_name = base_ + ".notified";
  const std::string temporary = file_name + ".new";
  std::string text;
  for (const std::string& name : completed_) text += name + "\n";
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  const bool written = fd >= 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
                       ::fdatasync(fd) == 0;
  if (fd >= 0) ::close(fd);
  if (!written || ::rename(temporary.c_str(), file_name.c_str()) != 0) {
    WriteLog(0, "ERROR writing " + file_name, std::strerror(errno));
  }
}

std::unique_ptr<TWriteObserver> TNotifier::BeginPass(const TSettings& settings, const TServerEntry& entry) {
  Configure(settings);
  TMutexLock lock(mutex_);
  if (settings.Debug || webhooks_.empty() || !outbox_ || completed_.count(DatabaseName(entry)) == 0) return nullptr;
  return std::make_unique<TPassObserver>(*this, settings, entry.Id, webhooks_, public_url_);
}

void TNotifier::EndPass(const TSettings& settings, const TServerEntry& entry, bool complete) {
  TMutexLock lock(mutex_);
  if (!complete || settings.Debug || !outbox_) return;
  if (completed_.insert(DatabaseName(entry)).second) SaveMemoryLocked();
}

void TNotifier::Reset(const TServerEntry& entry) {
  TMutexLock lock(mutex_);
  if (!memory_read_) {
    std::error_code error;
    if (!std::filesystem::exists(base_ + ".notified", error)) return;
    try {
      OpenLocked();
    } catch (const std::exception& e) {
      WriteLog(0, "ERROR opening the outbox", e.what());
      return;
    }
  }
  if (completed_.erase(DatabaseName(entry)) > 0) SaveMemoryLocked();
}

void TNotifier::Enqueue(const std::vector<TNotifyEvent>& events, const std::vector<TWebhookEntry>& webhooks,
                        const std::string& public_url) {
  std::vector<TOutboxEvent> records;
  for (const TNotifyEvent& event : events) {
    for (const TWebhookEntry& webhook : webhooks) {
      if (!WebhookWants(webhook, event.Kind, event.Srvid)) continue;
      records.push_back({.Made = event.Time, .Webhook = WebhookKey(webhook.Url), .EventId = EventId(event),
                         .Body = EventBody(event, webhook, public_url)});
    }
  }
  if (records.empty()) return;
  TMutexLock lock(mutex_);
  try {
    for (const TOutboxEvent& dropped : outbox_->Append(std::move(records))) ++deliveries_[dropped.Webhook].failed;
  } catch (const std::exception& e) {
    WriteLog(0, "ERROR writing the outbox", e.what());
  }
  wake_.NotifyAll();
}

void TNotifier::Stop() {
  std::thread thread;
  {
    TMutexLock lock(mutex_);
    stop_ = true;
    thread = std::move(thread_);
  }
  wake_.NotifyAll();
  if (thread.joinable()) thread.join();
}

void TNotifier::ExpireLocked() {
  const int64_t now = Now();
  for (const std::string& key : outbox_->Webhooks()) {
    while (const TOutboxEvent* head = outbox_->Head(key)) {
      if (now - head->Made < options_.max_age.count()) break;
      std::string host = "?";
      for (const TWebhookEntry& webhook : webhooks_) {
        if (WebhookKey(webhook.Url) == key) host = WebhookHost(webhook.Url);
      }
      WriteLog(0, "Webhook: event dropped, not delivered in time", host + ": " + head->EventId);
      ++deliveries_[key].failed;
      outbox_->PopHead(key);
    }
  }
}

void TNotifier::AnswerLocked(const TWebhookEntry& webhook, uint64_t seq, const TPostResult& result) {
  const std::string key = WebhookKey(webhook.Url);
  TDelivery& delivery = deliveries_[key];
  const TOutboxEvent* head = outbox_->Head(key);
  if (head == nullptr || head->Seq != seq) return;  // given up meanwhile
  if (result.error.empty() && result.status >= 200 && result.status < 300) {
    ++delivery.delivered;
    delivery.failures_in_row = 0;
    outbox_->PopHead(key);
    return;
  }
  ++delivery.attempts_failed;
  ++delivery.failures_in_row;
  delivery.last_error = result.error.empty() ? fmt::format("HTTP {}", result.status) : result.error;
  std::chrono::milliseconds wait = options_.backoff_max;
  if (delivery.failures_in_row <= 30) {
    wait = std::min(options_.backoff_max, options_.backoff_base * (int64_t{1} << (delivery.failures_in_row - 1)));
  }
  if (result.status == 429 && result.retry_after) {
    // The receiver said how long; a second at least and a day at most, so
    // that a wrong value neither spins the thread nor parks the webhook.
    wait = std::clamp<std::chrono::milliseconds>(*result.retry_after, std::chrono::seconds(1), std::chrono::hours(24));
  }
  delivery.due = std::chrono::steady_clock::now() + wait;
  WriteLog(3, "Webhook: delivery failed",
           fmt::format("{}: {}, next attempt in {} ms", WebhookHost(webhook.Url), delivery.last_error, wait.count()));
}

std::optional<TNotifier::TSending> TNotifier::NextSendingLocked(TRound& round) {
  while (round.next < round.webhooks.size()) {
    const std::size_t position = round.next++;
    const std::string key = WebhookKey(round.webhooks[position].Url);
    const TOutboxEvent* head = outbox_->Head(key);
    if (head == nullptr) continue;
    const TDelivery& delivery = deliveries_[key];
    if (delivery.due > std::chrono::steady_clock::now()) {
      round.wake = std::min(round.wake, delivery.due);
      continue;
    }
    return TSending{position, head->Seq, head->Body};
  }
  return std::nullopt;
}

// The lock is let go while a transfer runs. A round that sends nothing looks
// at every webhook and then waits under one hold of the lock, so no event
// enqueued meanwhile goes unnoticed until the wait ends.
void TNotifier::Run() {
  TRound round;
  for (;;) {
    std::optional<TSending> sending;
    {
      TMutexLock lock(mutex_);
      if (stop_) return;
      if (round.next == 0) {
        try {
          ExpireLocked();
        } catch (const std::exception& e) {
          WriteLog(0, "ERROR writing the outbox", e.what());
        }
        round = {webhooks_, 0, false, std::chrono::steady_clock::now() + std::chrono::minutes(1)};
      }
      sending = NextSendingLocked(round);
      if (!sending) {
        if (!round.sent) wake_.WaitUntil(lock, round.wake);
        round.next = 0;
        continue;
      }
    }
    const std::string& url = round.webhooks[sending->webhook].Url;
    const TPostResult result = options_.post ? options_.post(url, sending->body, stop_)
                                             : PostJson(url, sending->body, options_.timeouts, stop_);
    TMutexLock lock(mutex_);
    if (stop_) return;
    try {
      AnswerLocked(round.webhooks[sending->webhook], sending->seq, result);
    } catch (const std::exception& e) {
      WriteLog(0, "ERROR writing the outbox", e.what());
    }
    round.sent = true;
  }
}

std::vector<TWebhookStatus> TNotifier::Statuses() const {
  TMutexLock lock(mutex_);
  std::vector<TWebhookStatus> statuses;
  for (const TWebhookEntry& webhook : webhooks_) {
    const std::string key = WebhookKey(webhook.Url);
    TWebhookStatus status;
    status.host = WebhookHost(webhook.Url);
    status.queued = outbox_ ? outbox_->Waiting(key) : 0;
    if (const auto found = deliveries_.find(key); found != deliveries_.end()) {
      status.delivered = found->second.delivered;
      status.failed = found->second.failed;
      status.attempts_failed = found->second.attempts_failed;
      status.last_error = found->second.last_error;
    }
    statuses.push_back(std::move(status));
  }
  return statuses;
}

void PublishNotifier(const TNotifier* notifier) {
  TMutexLock lock(published_lock);
  published = notifier;
}

std::vector<TWebhookStatus> WebhookStatuses() {
  TMutexLock lock(published_lock);
  return published == nullptr ? std::vector<TWebhookStatus>{} : published->Statuses();
}

}  // namespace sky
