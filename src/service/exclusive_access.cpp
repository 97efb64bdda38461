#include "service/exclusive_access.h"

namespace sky {

namespace {

// Enables the schedule when the operation ends, however it ends; made while
// the operation holds the lock, so no pause or resume comes between.
class TScheduleRestart {
 public:
  explicit TScheduleRestart(std::atomic<bool>& enabled) : enabled_(enabled) {}
  ~TScheduleRestart() { enabled_.store(true); }
  TScheduleRestart(const TScheduleRestart&) = delete;
  TScheduleRestart& operator=(const TScheduleRestart&) = delete;

 private:
  std::atomic<bool>& enabled_;
};

}  // namespace

void TExclusiveAccess::Pause() {
  TMutexLock hold(lock_);
  schedule_enabled_.store(false);
}

void TExclusiveAccess::Resume() {
  TMutexLock hold(lock_);
  schedule_enabled_.store(true);
}

void TExclusiveAccess::Run(const std::function<void()>& operation) {
  // Off first, then the wait for the access: the timer stops counting while
  // this operation waits for a running one.
  Pause();
  TMutexLock hold(lock_);
  TScheduleRestart restart(schedule_enabled_);
  operation();
}

}  // namespace sky
