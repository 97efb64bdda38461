#include "service/control_reader.h"

namespace sky {

namespace {

// How long one read of the source waits before the reader looks whether it
// is to end; a request itself is seen at once.
constexpr std::chrono::milliseconds kReadSlice{200};

}  // namespace

TControlReader::TControlReader(TControlSource& source, std::function<void()> on_stop)
    : source_(source), on_stop_(std::move(on_stop)), reader_([this](std::stop_token stop) { Read(stop); }) {}

void TControlReader::Read(const std::stop_token& stop) {
  while (!stop.stop_requested()) {
    const TControlRequest request = source_.Wait(std::chrono::steady_clock::now() + kReadSlice);
    if (request == TControlRequest::kNone) continue;
    // The running work learns of the stop before the main thread does.
    if (request == TControlRequest::kStop) on_stop_();
    {
      TMutexLock hold(lock_);
      requests_.push_back(request);
    }
    arrived_.NotifyAll();
    if (request == TControlRequest::kStop) return;
  }
}

TControlRequest TControlReader::Wait(std::chrono::steady_clock::time_point until) {
  TMutexLock hold(lock_);
  while (requests_.empty()) {
    if (!arrived_.WaitUntil(hold, until) && requests_.empty()) return TControlRequest::kNone;
  }
  const TControlRequest request = requests_.front();
  requests_.pop_front();
  return request;
}

}  // namespace sky
