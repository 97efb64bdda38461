// Reads a control source on a thread of its own, so that a stop request is
// seen while the main thread is busy in a cycle (or waits for one to end).
//
// A stop request calls `on_stop` at once, on the reader's thread, and ends
// the reading; every request, the stop included, is then handed out in
// arrival order by Wait, on the main thread as before. The destructor ends
// the reader within a fraction of a second.
#pragma once

#include <deque>
#include <functional>
#include <thread>

#include "base/mutex.h"
#include "service/tskyranks.h"

namespace sky {

class TControlReader : public TControlSource {
 public:
  TControlReader(TControlSource& source, std::function<void()> on_stop);
  ~TControlReader() override = default;
  TControlReader(const TControlReader&) = delete;
  TControlReader& operator=(const TControlReader&) = delete;

  TControlRequest Wait(std::chrono::steady_clock::time_point until) override;

 private:
  void Read(const std::stop_token& stop);

  TControlSource& source_;
  std::function<void()> on_stop_;
  TMutex lock_;
  TCondVar arrived_;
  std::deque<TControlRequest> requests_ SKY_GUARDED_BY(lock_);
  std::jthread reader_;  // last: started after everything it uses, joined first
};

}  // namespace sky
