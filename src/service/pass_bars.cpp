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

void TPassBars::PassBegun(const TPassSummary& pass) {
  const TMutexLock lock(mutex_);
  const std::string label = pass.Database.Id + " " + pass.Database.Host + "/" + pass.Database.Db +
                            (pass.Kind == TPassKind::kReset ? " reset" : "");
  bar_ = std::make_unique<TProgressBar>(fd_, label, "pilots");
}

void TPassBars::PassEnded(const TPassSummary& pass) {
  const TMutexLock lock(mutex_);
  if (bar_) bar_->Finish(pass.Pilots, pass.PilotsTotal);
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
    const TPassSummary pass = RunningPass().Snapshot();
    TMutexLock lock(mutex_);
    if (bar_ && pass.Running) bar_->Show(pass.Pilots, pass.PilotsTotal);
  }
}

}  // namespace sky
