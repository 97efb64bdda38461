// The progress bars of `skyranks --once` on a terminal: one bar per pass
// (base/progress_bar.h), labelled with the database, begun and ended by
// the running pass (engine/pass_progress.h) and redrawn from its figures
// by a thread of its own while it runs. On a descriptor that is not a
// terminal nothing is registered or started, and nothing is written.
//
// Guards: the bar in hand is under a mutex, shared by the pass's thread
// (begin, end) and the redrawing thread.
#pragma once

#include <memory>
#include <thread>

#include "base/mutex.h"
#include "base/progress_bar.h"
#include "engine/pass_progress.h"

namespace sky {

class TPassBars : public TPassListener {
 public:
  explicit TPassBars(int fd);
  ~TPassBars() override;
  TPassBars(const TPassBars&) = delete;
  TPassBars& operator=(const TPassBars&) = delete;

  void PassBegun(const TPassSummary& pass) override;
  void PassEnded(const TPassSummary& pass) override;

 private:
  void Redraw();

  int fd_;
  TMutex mutex_;
  TCondVar wake_;
  bool ending_ SKY_GUARDED_BY(mutex_) = false;
  std::unique_ptr<TProgressBar> bar_ SKY_GUARDED_BY(mutex_);
  std::thread redraw_;
};

}  // namespace sky
