#include "engine/pass_progress.h"

namespace sky {

std::string_view PassKindName(TPassKind kind) { return kind == TPassKind::kReset ? "reset" : "pass"; }

TPassDatabase PassDatabase(const TServerEntry& entry) { return {entry.Id, entry.Host, entry.Db}; }

TPassCounters& TPassProgress::Begin(TPassKind kind, const TServerEntry& entry) {
  TPassListener* listener = nullptr;
  TPassSummary begun;
  {
    const TMutexLock lock(mutex_);
    for (std::atomic<int64_t>* counter : {&counters_.pilots_total, &counters_.pilots_done, &counters_.sorties_read,
                                          &counters_.rows_written, &counters_.errors}) {
      counter->store(0, std::memory_order_relaxed);
    }
    identity_.Running = true;
    ++identity_.Sequence;
    identity_.Kind = kind;
    identity_.Database = PassDatabase(entry);
    identity_.Start = Now();
    started_ = std::chrono::steady_clock::now();
    listener = listener_;
    begun = SnapshotLocked();
  }
  if (listener != nullptr) listener->PassBegun(begun);
  return counters_;
}

void TPassProgress::End() {
  TPassListener* listener = nullptr;
  TPassSummary ended;
  {
    const TMutexLock lock(mutex_);
    identity_.Running = false;
    ended_ = std::chrono::steady_clock::now();
    listener = listener_;
    ended = SnapshotLocked();
  }
  if (listener != nullptr) listener->PassEnded(ended);
}

TPassSummary TPassProgress::Snapshot() const {
  const TMutexLock lock(mutex_);
  return SnapshotLocked();
}

void TPassProgress::SetListener(TPassListener* listener) {
  const TMutexLock lock(mutex_);
  listener_ = listener;
}

TPassSummary TPassProgress::SnapshotLocked() const {
  TPassSummary snapshot = identity_;
  if (snapshot.Sequence == 0) return snapshot;
  const auto until = snapshot.Running ? std::chrono::steady_clock::now() : ended_;
  snapshot.Seconds = std::chrono::duration<double>(until - started_).count();
  // Total first: a pilot counted done was counted in the total before.
  snapshot.PilotsTotal = counters_.pilots_total.load(std::memory_order_relaxed);
  snapshot.Pilots = std::min(counters_.pilots_done.load(std::memory_order_relaxed), snapshot.PilotsTotal);
  snapshot.SortiesRead = counters_.sorties_read.load(std::memory_order_relaxed);
  snapshot.RowsWritten = counters_.rows_written.load(std::memory_order_relaxed);
  snapshot.Errors = counters_.errors.load(std::memory_order_relaxed);
  return snapshot;
}

TPassProgress& RunningPass() {
  static TPassProgress progress;
  return progress;
}

}  // namespace sky
