#include "service/pass_bars.h"

#include <unistd.h>

#include <chrono>

namespace sky {

TPassBars::TPassBars(int fd) : fd_(fd) {
  if (::isatty(fd) != 1) return;
  RunningPass().SetListener(this);
  redraw_ = std::thread([this] { Redraw(); });
}

TPassBars::~TPassBars() {
  if (!redraw_.joinable()) return;
  RunningPass().SetListener(nullptr);
  {
    const TMutexLock lock(mutex_);
    ending_ = true;
  }
  wake_.NotifyAll();
  redraw_.join();
}

void TPassBars::PassBegun(const TProgressSnapshot& pass) {
  const TMutexLock lock(mutex_);
  const std::string label = pass.database.Id + " " + pass.database.Host + "/" + pass.database.Db +
                            (pass.kind == TPassKind::kReset ? " reset" : "");
  bar_ = std::make_unique<TProgressBar>(fd_, label, "pilots");
}

void TPassBars::PassEnded(const TProgressSnapshot& pass) {
  const TMutexLock lock(mutex_);
  if (bar_) bar_->Finish(pass.pilots_done, pass.pilots_total);
  bar_.reset();
}

void TPassBars::Redraw() {
  for (;;) {
    {
      TMutexLock lock(mutex_);
      if (ending_) return;
      wake_.WaitFor(lock, std::chrono::milliseconds(1000 / TProgressBar::kRedrawsPerSecond));
      if (ending_) return;
      if (!bar_) continue;
    }
    // The figures are read without the bars' lock: the pass's thread may be
    // waiting for it in PassEnded while holding nothing else.
    const TProgressSnapshot pass = RunningPass().Snapshot();
    TMutexLock lock(mutex_);
    if (bar_ && pass.running) bar_->Show(pass.pilots_done, pass.pilots_total);
  }
}

}  // namespace sky
