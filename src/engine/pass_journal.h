// The record of the last passes, one journal per process (PassJournal),
// kept in memory for the dashboard: the newest kCapacity passes, the oldest
// given up first. Every call may come from any thread (one mutex).
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string_view>
#include <vector>

#include "base/mutex.h"
#include "engine/pass_progress.h"

namespace sky {

enum class TPassEnd {
  kCompleted,   // every pilot was examined (a reset: the columns were cleared)
  kFailed,      // an error ended it: columns, awards file, the pilot loop
  kStopped,     // a stop request ended it before the last pilot
  kNotReached,  // the database could not be connected to
};
// "completed", "failed", "stopped", "not_reached".
std::string_view PassEndName(TPassEnd end);

struct TPassEntry {
  TPassKind Kind = TPassKind::kCalculation;
  TPassDatabase Database;
  TDateTime Start = 0;
  double Seconds = 0;
  int64_t Pilots = 0;
  int64_t SortiesRead = 0;
  int64_t RowsWritten = 0;
  int64_t Errors = 0;
  TPassEnd End = TPassEnd::kFailed;
};

class TPassJournal {
 public:
  static constexpr std::size_t kCapacity = 200;

  void Add(TPassEntry entry);
  // Oldest first.
  std::vector<TPassEntry> Entries() const;

 private:
  mutable TMutex mutex_;
  std::deque<TPassEntry> entries_ SKY_GUARDED_BY(mutex_);
};

TPassJournal& PassJournal();

}  // namespace sky
