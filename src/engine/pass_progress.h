// The progress of the pass that runs now, one per process (RunningPass),
// for the dashboard and the progress bar of `--once`.
//
// Passes never overlap (the service runs them with exclusive access), so
// there is at most one: Begin starts it and hands out its counters, End
// ends it. The pass publishes its figures into the counters after each
// pilot with relaxed stores, which cost the pilot loop nothing measurable;
// readers on other threads take a Snapshot. The counters are read one by
// one, so a snapshot may show one pilot's figures half published; each
// figure is exact by itself and pilots_done never exceeds pilots_total.
//
// A database is named by its `mysql` entry's id, host and db, never by its
// user or password.
//
// Guards: the counters are atomics; the pass's identity, its start, whether
// it runs and the listener are under a mutex. The listener is called on the
// pass's thread, outside that mutex, when a pass begins and ends.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/datetime.h"
#include "base/mutex.h"
#include "settings/settings.h"

namespace sky {

enum class TPassKind { kCalculation, kReset };
// "pass", "reset".
std::string_view PassKindName(TPassKind kind);

struct TPassDatabase {
  std::string Id;
  std::string Host;
  std::string Db;
};
TPassDatabase PassDatabase(const TServerEntry& entry);

struct TPassCounters {
  std::atomic<int64_t> pilots_total{0};  // known once the pilots are read
  std::atomic<int64_t> pilots_done{0};
  std::atomic<int64_t> sorties_read{0};  // by the rank walks
  std::atomic<int64_t> rows_written{0};
  std::atomic<int64_t> errors{0};        // pilots left by an error, and an error ending the pass
};

enum class TPassEnd {
  kCompleted,   // every pilot was examined (a reset: the columns were cleared)
  kFailed,      // an error ended it: columns, awards file, the pilot loop
  kStopped,     // a stop request ended it before the last pilot
  kNotReached,  // the database could not be connected to
};

// One pass in figures: the running pass as a snapshot of its counters
// (TPassProgress::Snapshot), or a finished pass as the journal keeps it
// (engine/pass_journal.h). Running, Sequence and PilotsTotal are a
// snapshot's; End is the journal's.
struct TPassSummary {
  bool Running = false;
  uint64_t Sequence = 0;     // counts the passes begun; 0 before the first
  TPassKind Kind = TPassKind::kCalculation;
  TPassDatabase Database;
  TDateTime Start = 0;
  double Seconds = 0;        // elapsed so far, or the whole pass's
  int64_t PilotsTotal = 0;   // known once the pilots are read
  int64_t Pilots = 0;        // examined so far
  int64_t SortiesRead = 0;
  int64_t RowsWritten = 0;
  int64_t Errors = 0;
  TPassEnd End = TPassEnd::kFailed;
};

class TPassListener {
 public:
  virtual ~TPassListener() = default;
  virtual void PassBegun(const TPassSummary& pass) = 0;
  virtual void PassEnded(const TPassSummary& pass) = 0;
};

class TPassProgress {
 public:
  // The counters start at 0.
  TPassCounters& Begin(TPassKind kind, const TServerEntry& entry);
  // The last figures stay readable (running false) until the next Begin.
  void End();
  TPassSummary Snapshot() const;
  // Null for none; the listener outlives its registration.
  void SetListener(TPassListener* listener);

 private:
  TPassSummary SnapshotLocked() const SKY_REQUIRES(mutex_);

  mutable TMutex mutex_;
  TPassSummary identity_ SKY_GUARDED_BY(mutex_);  // figures unused: they are the counters
  std::chrono::steady_clock::time_point started_ SKY_GUARDED_BY(mutex_);
  std::chrono::steady_clock::time_point ended_ SKY_GUARDED_BY(mutex_);
  TPassListener* listener_ SKY_GUARDED_BY(mutex_) = nullptr;
  TPassCounters counters_;
};

TPassProgress& RunningPass();

}  // namespace sky
