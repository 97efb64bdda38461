// Control requests from signals: SIGTERM and SIGINT stop the service,
// SIGUSR1 pauses and SIGUSR2 continues it.
//
// BlockControlSignals must run on the main thread before any other thread
// starts, so that every thread inherits the blocked mask and the signals are
// only ever taken from the signalfd of TSignalControlSource.
#pragma once

#include "service/tskyranks.h"

namespace sky {

void BlockControlSignals();

class TSignalControlSource : public TControlSource {
 public:
  TSignalControlSource();
  ~TSignalControlSource() override;
  TSignalControlSource(const TSignalControlSource&) = delete;
  TSignalControlSource& operator=(const TSignalControlSource&) = delete;

  TControlRequest Wait(std::chrono::steady_clock::time_point until) override;

 private:
  int fd_;
};

}  // namespace sky
