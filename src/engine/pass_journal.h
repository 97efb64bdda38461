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

// "completed", "failed", "stopped", "not_reached".
std::string_view PassEndName(TPassEnd end);

class TPassJournal {
 public:
  static constexpr std::size_t kCapacity = 200;

  void Add(TPassSummary entry);
  // Oldest first.
  std::vector<TPassSummary> Entries() const;

 private:
  mutable TMutex mutex_;
  std::deque<TPassSummary> entries_ SKY_GUARDED_BY(mutex_);
};

TPassJournal& PassJournal();

}  // namespace sky
