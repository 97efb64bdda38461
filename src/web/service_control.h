// What the web interface may ask of the service host: the schedule's timer,
// the process-wide ServiceLock, a calculation cycle and a database reset.
// The service implements it; the HTTP server holds a reference.
//
// Lock order: an operation first calls SetTimerEnabled(false), which takes and
// releases ServiceLock, and only then takes ServiceLock for its main work.
// EnableTimerLocked is for a caller that already holds ServiceLock.
#pragma once

#include <mutex>
#include <string>

namespace sky {

class TServiceControl {
 public:
  virtual ~TServiceControl() = default;

  virtual void SetTimerEnabled(bool enabled) = 0;
  virtual void EnableTimerLocked() = 0;
  virtual std::mutex& ServiceLock() = 0;

  // Both complete before returning; errors are logged and the timer is
  // enabled again on every way out.
  virtual void RunCalculationCycle() = 0;
  virtual bool ResetServer(const std::string& id) = 0;
};

}  // namespace sky
