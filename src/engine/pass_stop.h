// A request to end a pass early, made from another thread (the service's
// stop) and looked at by the pass between pilots only: the pilot in hand is
// always finished, so every pilot is either fully written or untouched, and
// the next pass takes up the rest where this one left off.
#pragma once

#include <atomic>

namespace sky {

class TPassStop {
 public:
  void Request() { requested_.store(true); }
  bool Requested() const { return requested_.load(); }

 private:
  std::atomic<bool> requested_{false};
};

// The level-0 heading of a pass, cycle or reset that a stop ended early.
inline constexpr char kStoppedHeading[] = " *** Расчет прерван: остановка сервиса ***";

}  // namespace sky
