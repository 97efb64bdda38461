// The service object: start, stop, pause and continue handlers, the schedule
// timer, the calculation cycle over the configured databases, the reset of
// one database, and the embedded web server it owns.
//
// Threads: the main thread runs the handlers, the control loop and the timer
// ticks (and with them the scheduled cycles); a reader thread takes the
// control requests (service/control_reader.h); the web server's connection
// threads run "recalc", "reset", "pause", "resume" and the pilot history
// through TServiceControl. Cycles, resets and pilot histories run with
// exclusive access (service/exclusive_access.h), which also holds the
// schedule's enabled state.
//
// Every cycle and reset enables the timer again when it ends, however it
// ends; an error escaping one database's calculation is logged at level 0
// and the cycle goes on with the next database.
//
// A stop request (RequestStop, made by the reader as soon as the signal
// arrives) ends a running cycle or recalc at the next pilot and keeps later
// databases and resets from starting, each with the level-0 line
// kStoppedHeading; the stop then waits for the web server's requests.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/pass_stop.h"
#include "service/exclusive_access.h"
#include "settings/settings.h"
#include "web/http_server.h"
#include "web/service_control.h"

namespace sky {

class TNotifier;

// One database's calculation or reset; true when the database was reached.
using TDatabaseOperation = std::function<bool(const TSettings&, const TServerEntry&)>;

// What a cycle did.
struct TCycleReport {
  int active = 0;        // active databases in the settings file
  int reached = 0;       // of those, the ones the calculation could connect to
  bool stopped = false;  // a stop request ended the cycle before its end
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
  // The real calculation (with award evaluation, ended early by a stop
  // request) and reset.
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
  // the timer ticks every `tick` while waiting. `control` is read on a
  // thread of its own from the start (see service/control_reader.h).
  void ServiceExecute(TControlSource& control, std::chrono::milliseconds tick = std::chrono::seconds(1));
  void ServicePause();
  void ServiceContinue();
  void ServiceStop();
  // One tick of the schedule timer; does nothing while the timer is disabled.
  void TimerSKYTimer();

  void StartHttpServer();
  // The webhooks' sender, started with the settings (notify/notifier.h).
  void StartNotifier();
  // RunCalculationCycle with what it did.
  TCycleReport RunCycle();
  // Whether the real calculation keeps the career totals between passes
  // (engine/career_store.h); on by default. A process that runs one cycle
  // and ends turns it off: keeping costs a count of each sorties table that
  // nothing would use.
  void KeepCareerTotals(bool keep) { keep_career_totals_ = keep; }

  // Ends running work at the next pilot and keeps new work from starting;
  // may be called from any thread. The stop itself is ServiceStop.
  void RequestStop() { pass_stop_.Request(); }

  // TServiceControl
  void Pause() override { access_.Pause(); }
  void Resume() override { access_.Resume(); }
  void RunExclusive(const std::function<void()>& operation) override { access_.Run(operation); }
  bool StopRequested() const override { return pass_stop_.Requested(); }
  bool RunCalculationCycle() override;
  bool ResetServer(const std::string& id) override;

  bool TimerEnabled() const { return access_.ScheduleEnabled(); }
  uint32_t TimerTicks() const { return timer_ticks_; }
  THttpServer& TCPServerSKY() { return http_server_; }
  // False when the web server's last stop left handlers running.
  bool HandlersFinished() const { return handlers_finished_; }

 private:
  // The cycle's work, with exclusive access held.
  void CalculateServers(TCycleReport& report);

  TPassStop pass_stop_;
  TExclusiveAccess access_;
  TDatabaseOperation calculate_;
  TDatabaseOperation reset_;
  bool keep_career_totals_ = true;
  uint32_t timer_ticks_ = 0;  // main thread only
  bool terminated_ = false;   // main thread only
  bool handlers_finished_ = true;
  THttpServer http_server_;
  std::unique_ptr<TNotifier> notifier_;
};

// The real per-database operations.
// With a notifier the pass's promotions and awards are announced; with
// `keep_career_totals` the pass uses and keeps the entry's career totals.
bool CalculateOneDatabase(const TSettings& settings, const TServerEntry& entry, const TPassStop* stop,
                          TNotifier* notifier = nullptr, bool keep_career_totals = true);
bool ResetOneDatabase(const TSettings& settings, const TServerEntry& entry, TNotifier* notifier = nullptr);

}  // namespace sky
