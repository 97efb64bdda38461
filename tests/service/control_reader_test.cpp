// The control reader: requests handed out in order, the stop seen at once.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <thread>

#include "service/control_reader.h"

namespace sky {
namespace {

using namespace std::chrono_literals;

// Hands out the scripted requests one per Wait, then waits out the time.
class ScriptedSource : public TControlSource {
 public:
  explicit ScriptedSource(std::deque<TControlRequest> script) : script_(std::move(script)) {}
  TControlRequest Wait(std::chrono::steady_clock::time_point until) override {
    {
      std::lock_guard<std::mutex> hold(lock_);
      if (!script_.empty()) {
        const TControlRequest next = script_.front();
        script_.pop_front();
        return next;
      }
    }
    std::this_thread::sleep_until(until);
    return TControlRequest::kNone;
  }

 private:
  std::mutex lock_;
  std::deque<TControlRequest> script_;
};

TEST(ControlReader, RequestsArriveInOrderAndTheStopIsSignalledBeforeItIsHandedOut) {
  ScriptedSource source({TControlRequest::kPause, TControlRequest::kContinue, TControlRequest::kStop,
                         TControlRequest::kPause});
  std::atomic<bool> stop_seen{false};
  TControlReader reader(source, [&] { stop_seen = true; });
  const auto patience = [] { return std::chrono::steady_clock::now() + 30s; };
  EXPECT_EQ(reader.Wait(patience()), TControlRequest::kPause);
  EXPECT_EQ(reader.Wait(patience()), TControlRequest::kContinue);
  EXPECT_EQ(reader.Wait(patience()), TControlRequest::kStop);
  EXPECT_TRUE(stop_seen.load());
  EXPECT_EQ(reader.Wait(std::chrono::steady_clock::now() + 300ms), TControlRequest::kNone)
      << "nothing is read after the stop";
}

}  // namespace
}  // namespace sky
