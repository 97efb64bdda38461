// What the web interface may ask of the service host: pause and resume the
// schedule, run an operation with exclusive access to the databases, a
// calculation cycle and a database reset, and whether the service is
// stopping. The service implements it; the HTTP server holds a reference,
// and the service outlives every request (its stop waits for them).
//
// RunExclusive disables the schedule, runs `operation` while no cycle, reset
// or other exclusive operation runs, and enables the schedule again on every
// way out (an exception from `operation` propagates after that). Pause and
// Resume wait for a running exclusive operation.
#pragma once

#include <functional>
#include <string>

namespace sky {

class TServiceControl {
 public:
  virtual ~TServiceControl() = default;

  virtual void Pause() = 0;
  virtual void Resume() = 0;
  virtual void RunExclusive(const std::function<void()>& operation) = 0;
  // True once a stop was requested: running work ends at the next pilot.
  virtual bool StopRequested() const = 0;

  // Both complete before returning; errors are logged and the schedule is
  // enabled again on every way out. RunCalculationCycle is false when a stop
  // ended the cycle before its end.
  virtual bool RunCalculationCycle() = 0;
  virtual bool ResetServer(const std::string& id) = 0;
};

}  // namespace sky
