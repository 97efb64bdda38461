// The schedule's enabled state and exclusive access to the databases for one
// service operation at a time (a cycle, a reset, a pilot history).
//
// Run disables the schedule, holds the access for the whole operation and
// enables the schedule again on every way out, an exception included: an
// operation that fails never leaves the schedule stopped. Pause and Resume
// wait for an operation that holds the access, so a pause sent during a pass
// takes effect after it (the pass runs to its end, then the schedule stays
// off). Operations never overlap; a second one waits for the first.
#pragma once

#include <atomic>
#include <functional>

#include "base/mutex.h"

namespace sky {

class TExclusiveAccess {
 public:
  void Pause() SKY_EXCLUDES(lock_);
  void Resume() SKY_EXCLUDES(lock_);
  bool ScheduleEnabled() const { return schedule_enabled_.load(); }

  void Run(const std::function<void()>& operation) SKY_EXCLUDES(lock_);

 private:
  // Held for a whole operation: the access itself.
  TMutex lock_;
  // Written under lock_; read without it by the timer and the status.
  std::atomic<bool> schedule_enabled_{false};
};

}  // namespace sky
