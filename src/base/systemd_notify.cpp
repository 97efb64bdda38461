#include "base/systemd_notify.h"

#include <systemd/sd-daemon.h>

#include <atomic>
#include <chrono>
#include <cstdint>

namespace sky {

namespace {

using TClock = std::chrono::steady_clock;

bool WatchdogWanted() {
  // The environment does not change while the program runs.
  static const bool wanted = [] {
    uint64_t interval = 0;
    return ::sd_watchdog_enabled(0, &interval) > 0;
  }();
  return wanted;
}

}  // namespace

void NotifyReady() { ::sd_notify(0, "READY=1"); }

void NotifyStopping() { ::sd_notify(0, "STOPPING=1"); }

void NotifyAlive() {
  if (!WatchdogWanted()) return;
  static std::atomic<int64_t> last_sent{0};
  const int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now().time_since_epoch()).count();
  int64_t last = last_sent.load(std::memory_order_relaxed);
  if (last != 0 && now - last < 1000) return;
  // One of several threads arriving together sends.
  if (!last_sent.compare_exchange_strong(last, now, std::memory_order_relaxed)) return;
  ::sd_notify(0, "WATCHDOG=1");
}

}  // namespace sky
