#include "engine/pilot_writer.h"

#include <chrono>
#include <deque>
#include <future>
#include <optional>
#include <thread>

#include "base/systemd_notify.h"
#include "db/db_error.h"
#include "engine/rank_pass.h"

namespace sky {

namespace {

// Sends one statement; false after its failure was logged.
bool Send(TdmMySQL& session, const TPilotWrite& write) {
  if (write.Kind == TPilotWrite::TKind::kRank) {
    return UpdateRealRank(session, write.PilotId, write.LastSortie, write.Value);
  }
  return UpdateAwards(session, write.PilotId, write.Value);
}

// After a failed statement: false, with the text of the loss, when the
// connection no longer answers. A statement the server refused (a trigger,
// a lock waited for too long) leaves it answering.
bool Answers(TdmMySQL& session, std::string& loss) {
  try {
    session.Send("do 0");
    return true;
  } catch (const std::exception& e) {
    loss = e.what();
    return false;
  }
}

}  // namespace

// One connection, its thread and its queue.
class TPilotWriter::TConnection {
 public:
  explicit TConnection(TPilotWriter& owner) : owner_(owner) {}
  ~TConnection() { Close(); }
  TConnection(const TConnection&) = delete;
  TConnection& operator=(const TConnection&) = delete;

  // Starts the thread, which opens the connection; the future tells whether
  // it opened (the thread ends when not).
  std::future<bool> Start(const TServerEntry& entry) {
    std::future<bool> opened = opened_.get_future();
    thread_ = std::thread([this, entry] { Run(entry); });
    return opened;
  }

  // Waits for room in the queue; drops the write once the connection is lost
  // (the owner raises then).
  void Push(TPilotWrite write) {
    bool idle = false;
    {
      TMutexLock lock(mutex_);
      while (!(queue_.size() < kQueueDepth || lost_)) room_.Wait(lock);
      if (lost_) {
        write.Outcome = TPilotWrite::TOutcome::kDropped;
        settled_.push_back(write);
        return;
      }
      idle = queue_.empty();
      queue_.push_back(write);
    }
    if (idle) work_.NotifyOne();
  }

  void TakeSettled(std::vector<TPilotWrite>& into) {
    TMutexLock lock(mutex_);
    into.insert(into.end(), settled_.begin(), settled_.end());
    settled_.clear();
  }

  // True once everything queued is settled, false after `wait` without.
  bool WaitSent(std::chrono::milliseconds wait) {
    const auto until = std::chrono::steady_clock::now() + wait;
    TMutexLock lock(mutex_);
    while (!((queue_.empty() && !busy_) || lost_)) {
      if (!sent_.WaitUntil(lock, until)) return (queue_.empty() && !busy_) || lost_;
    }
    return true;
  }

  // Sends the rest of the pilot in hand and drops every later write.
  void Abandon() {
    {
      TMutexLock lock(mutex_);
      abandoned_ = true;
    }
    work_.NotifyOne();
  }

  // Sends what is queued (unless abandoned), then ends the thread.
  void Close() {
    {
      TMutexLock lock(mutex_);
      closing_ = true;
    }
    work_.NotifyOne();
    if (thread_.joinable()) thread_.join();
  }

 private:
  void Run(const TServerEntry& entry) {
    TDbThreadScope scope;
    TdmMySQL session;
    bool opened = false;
    try {
      opened = ConnectDatabase(session, entry);
    } catch (...) {
    }
    opened_.set_value(opened);
    if (!opened) return;
    try {
      Serve(session);
    } catch (const std::exception& e) {
      Lose(e.what());
    } catch (...) {
      Lose("unknown error");
    }
  }

  void Serve(TdmMySQL& session) {
    std::optional<std::size_t> row_in_hand;
    for (;;) {
      TPilotWrite write;
      {
        TMutexLock lock(mutex_);
        while (queue_.empty() && !closing_ && !abandoned_) work_.Wait(lock);
        if (abandoned_ && (queue_.empty() || queue_.front().Row != row_in_hand)) {
          DropQueue();
          return;
        }
        if (queue_.empty()) return;
        write = queue_.front();
        queue_.pop_front();
        busy_ = true;
      }
      room_.NotifyOne();
      write.Outcome = Send(session, write) ? TPilotWrite::TOutcome::kCommitted : TPilotWrite::TOutcome::kFailed;
      row_in_hand = write.Row;
      std::string loss;
      const bool lost = write.Outcome == TPilotWrite::TOutcome::kFailed && !Answers(session, loss);
      {
        TMutexLock lock(mutex_);
        settled_.push_back(write);
        busy_ = false;
        if (queue_.empty()) sent_.NotifyAll();
      }
      if (lost) {
        Lose(loss);
        return;
      }
    }
  }

  // Hands back every queued write as dropped.
  void DropQueue() SKY_REQUIRES(mutex_) {
    for (TPilotWrite& write : queue_) {
      write.Outcome = TPilotWrite::TOutcome::kDropped;
      settled_.push_back(write);
    }
    queue_.clear();
    busy_ = false;
    sent_.NotifyAll();
  }

  // Drops the queue and tells the owner.
  void Lose(const std::string& loss) {
    owner_.NoteLoss(loss);
    {
      TMutexLock lock(mutex_);
      lost_ = true;
      DropQueue();
    }
    room_.NotifyAll();
  }

  TPilotWriter& owner_;
  std::promise<bool> opened_;
  std::thread thread_;
  TMutex mutex_;
  TCondVar work_;  // the queue has writes, or closing_ or abandoned_
  TCondVar room_;  // the queue has room, or lost_
  TCondVar sent_;  // the queue is empty and nothing in hand
  std::deque<TPilotWrite> queue_ SKY_GUARDED_BY(mutex_);
  std::vector<TPilotWrite> settled_ SKY_GUARDED_BY(mutex_);
  bool busy_ SKY_GUARDED_BY(mutex_) = false;  // a write taken from the queue is not settled yet
  bool closing_ SKY_GUARDED_BY(mutex_) = false;
  bool abandoned_ SKY_GUARDED_BY(mutex_) = false;
  bool lost_ SKY_GUARDED_BY(mutex_) = false;
};

TPilotWriter::TPilotWriter(TdmMySQL& session) : session_(session) {}

TPilotWriter::TPilotWriter(TdmMySQL& session, const TServerEntry& entry, int connections)
    : session_(session) {
  std::vector<std::future<bool>> opened;
  for (int i = 0; i < connections; ++i) {
    connections_.push_back(std::make_unique<TConnection>(*this));
    opened.push_back(connections_.back()->Start(entry));
  }
  std::vector<std::unique_ptr<TConnection>> open;
  for (std::size_t i = 0; i < opened.size(); ++i) {
    if (opened[i].get()) open.push_back(std::move(connections_[i]));
  }
  connections_ = std::move(open);
}

TPilotWriter::~TPilotWriter() { Close(); }

bool TPilotWriter::Write(const TPilotWrite& write) {
  if (OnSession()) {
    settled_.push_back(write);
    const bool committed = Send(session_, write);
    settled_.back().Outcome = committed ? TPilotWrite::TOutcome::kCommitted : TPilotWrite::TOutcome::kFailed;
    return committed;
  }
  RaiseWhenLost();
  connections_[static_cast<uint32_t>(write.PilotId) % connections_.size()]->Push(write);
  return true;
}

void TPilotWriter::Collect(const TSettle& settle) {
  for (const auto& connection : connections_) connection->TakeSettled(settled_);
  for (const TPilotWrite& write : settled_) settle(write);
  settled_.clear();
  RaiseWhenLost();
}

void TPilotWriter::Finish(const TSettle& settle, const TPassStop* stop, const std::function<void()>& alive) {
  // The stop is looked at every tenth of a second while the queues are sent;
  // `alive` hears that the pass still makes progress.
  for (const auto& connection : connections_) {
    while (!(stop != nullptr && stop->Requested()) && !connection->WaitSent(std::chrono::milliseconds(100))) {
      if (alive) alive();
    }
  }
  if (stop != nullptr && stop->Requested()) {
    for (const auto& connection : connections_) connection->Abandon();
  }
  Close();
  Collect(settle);
}

void TPilotWriter::Close() {
  for (const auto& connection : connections_) connection->Close();
}

void TPilotWriter::NoteLoss(const std::string& loss) {
  TMutexLock lock(loss_mutex_);
  if (lost_.load(std::memory_order_relaxed)) return;
  loss_ = loss;
  lost_.store(true, std::memory_order_release);
}

void TPilotWriter::RaiseWhenLost() const {
  if (!lost_.load(std::memory_order_acquire)) return;
  TMutexLock lock(loss_mutex_);
  throw TDbError(loss_);
}

}  // namespace sky
