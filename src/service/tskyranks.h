// The service object: start, stop, pause and continue handlers, the schedule
// timer, the calculation cycle over the configured databases, the reset of
// one database, and the embedded web server it owns.
//
// Threads: the main thread runs the handlers, the control loop and the timer
// ticks (and with them the scheduled cycles); the web server's connection
// threads run "recalc", "reset", "pause", "resume" and the pilot history
// through TServiceControl. ServiceLock serialises every change of the
// timer's enabled state made through SetTimerEnabled, whole cycles, whole
// resets and whole pilot histories. An operation first calls
// SetTimerEnabled(false) and only then takes the lock for its main work.
//
// Every cycle and reset enables the timer again when it ends, however it
// ends; an error escaping one database's calculation is logged at level 0
// and the cycle goes on with the next database.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "settings/settings.h"
#include "web/http_server.h"
#include "web/service_control.h"

namespace sky {

// One database's calculation or reset; true when the database was reached.
using TDatabaseOperation = std::function<bool(const TSettings&, const TServerEntry&)>;

// What a cycle did.
struct TCycleReport {
  int active = 0;   // active databases in the settings file
  int reached = 0;  // of those, the ones the calculation could connect to
};

// The requests that reach the running service from outside.
enum class TControlRequest { kNone, kStop, kPause, kContinue };

// Where the control loop waits: for a request, until `until` at the latest.
class TControlSource {
 public:
  virtual ~TControlSource() = default;
  virtual TControlRequest Wait(std::chrono::steady_clock::time_point until) = 0;
};

class Tskyranks : public TServiceControl {
 public:
  // The real calculation (with award evaluation) and reset.
  Tskyranks();
  Tskyranks(TDatabaseOperation calculate, TDatabaseOperation reset, THttpLimits limits = {});
  ~Tskyranks() override;
  Tskyranks(const Tskyranks&) = delete;
  Tskyranks& operator=(const Tskyranks&) = delete;

  // Handlers, in the order the host calls them. ServiceStart and
  // ServiceExecute raise what makes the service fail.
  void ServiceCreate();
  void ServiceStart();
  // Web server, start-up cycle, then the control loop until a stop request;
  // the timer ticks every `tick` while waiting.
  void ServiceExecute(TControlSource& control, std::chrono::milliseconds tick = std::chrono::seconds(1));
  void ServicePause();
  void ServiceContinue();
  void ServiceStop();
  // One tick of the schedule timer; does nothing while the timer is disabled.
  void TimerSKYTimer();

  void StartHttpServer();
  // RunCalculationCycle with what it did.
  TCycleReport RunCycle();

  // TServiceControl
  void SetTimerEnabled(bool enabled) override;
  void EnableTimerLocked() override;
  std::mutex& ServiceLock() override { return service_lock_; }
  void RunCalculationCycle() override;
  bool ResetServer(const std::string& id) override;

  bool TimerEnabled() const { return timer_enabled_.load(); }
  uint32_t TimerTicks() const { return timer_ticks_; }
  THttpServer& TCPServerSKY() { return http_server_; }
  // False when the web server's last stop left handlers running.
  bool HandlersFinished() const { return handlers_finished_; }

 private:
  TDatabaseOperation calculate_;
  TDatabaseOperation reset_;
  std::mutex service_lock_;
  std::atomic<bool> timer_enabled_{false};
  uint32_t timer_ticks_ = 0;  // main thread only
  bool terminated_ = false;   // main thread only
  bool handlers_finished_ = true;
  THttpServer http_server_;
};

// The real per-database operations.
bool CalculateOneDatabase(const TSettings& settings, const TServerEntry& entry);
bool ResetOneDatabase(const TSettings& settings, const TServerEntry& entry);

}  // namespace sky
