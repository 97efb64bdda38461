#include "service/tskyranks.h"

#include <unistd.h>

#include <cerrno>
#include <exception>
#include <system_error>

#include "awards/award_evaluation.h"
#include "engine/pilot_table.h"
#include "engine/rank_pass.h"
#include "settings/log.h"
#include "settings/paths.h"
#include "settings/settings_store.h"
#include "settings/version.h"

namespace sky {

namespace {

// Enables the timer when the operation that holds ServiceLock ends, on every
// way out, so a failing cycle or reset never leaves the schedule stopped.
class TTimerRestart {
 public:
  explicit TTimerRestart(Tskyranks& service) : service_(service) {}
  ~TTimerRestart() { service_.EnableTimerLocked(); }
  TTimerRestart(const TTimerRestart&) = delete;
  TTimerRestart& operator=(const TTimerRestart&) = delete;

 private:
  Tskyranks& service_;
};

// The contact text is "<web address> <e-mail address>".
void WriteContactLine(const std::string& contact) {
  const std::size_t blank = contact.find(' ');
  const std::string web = contact.substr(0, blank);
  const std::size_t mail = contact.find_last_of(' ');
  WriteLog(0, web + ",", blank == std::string::npos ? std::string() : contact.substr(mail + 1));
}

}  // namespace

bool CalculateOneDatabase(const TSettings& settings, const TServerEntry& entry) {
  // Reached also when the database holds no pilot to enumerate.
  return CalculateDatabase(settings, entry, AwardEvaluator()).Reached;
}

bool ResetOneDatabase(const TSettings& settings, const TServerEntry& entry) {
  return ResetDatabase(settings, entry);
}

Tskyranks::Tskyranks() : Tskyranks(&CalculateOneDatabase, &ResetOneDatabase) {}

Tskyranks::Tskyranks(TDatabaseOperation calculate, TDatabaseOperation reset, THttpLimits limits)
    : calculate_(std::move(calculate)), reset_(std::move(reset)), http_server_(*this, limits) {}

Tskyranks::~Tskyranks() { http_server_.Deactivate(); }

void Tskyranks::ServiceCreate() { ReloadSettings(); }

void Tskyranks::ServiceStart() {
  const std::unique_ptr<TVersionInfo> version = TVersionInfo::ForRunningProgram();
  const std::string version_line = version->ProductName() + " (ver " + version->FileVersion() + ")";
  const std::string directory = ProgramDirectory();
  if (::chdir(directory.c_str()) != 0) {
    throw std::system_error(errno, std::generic_category(), "cannot enter the program directory " + directory);
  }
  WriteLog(0, "", "");
  WriteLog(0, version_line);
  WriteLog(0, version->LegalCopyright());
  WriteContactLine(version->Contact());
  WriteLog(0, "=== Start Service ===");
  ReloadSettings();
  SetFieldsChecked(false);
}

void Tskyranks::ServiceExecute(TControlSource& control, std::chrono::milliseconds tick) {
  using TClock = std::chrono::steady_clock;
  StartHttpServer();
  RunCalculationCycle();
  terminated_ = false;
  TClock::time_point next_tick = TClock::now() + tick;
  while (!terminated_) {
    switch (control.Wait(next_tick)) {
      case TControlRequest::kStop:
        ServiceStop();
        terminated_ = true;
        break;
      case TControlRequest::kPause:
        ServicePause();
        break;
      case TControlRequest::kContinue:
        ServiceContinue();
        break;
      case TControlRequest::kNone:
        break;
    }
    if (!terminated_ && TClock::now() >= next_tick) {
      TimerSKYTimer();
      // Counted from the end of the tick: a long cycle is not followed by a
      // burst of ticks that would count time the timer spent disabled.
      next_tick = TClock::now() + tick;
    }
  }
  if (http_server_.Active()) handlers_finished_ = http_server_.Deactivate();
}

void Tskyranks::ServicePause() {
  WriteLog(1, "=== Pause Service ===");
  SetTimerEnabled(false);
}

void Tskyranks::ServiceContinue() {
  WriteLog(1, "=== Continue Service ===");
  ReloadSettings();
  SetTimerEnabled(true);
}

void Tskyranks::ServiceStop() {
  if (http_server_.Active()) {
    try {
      handlers_finished_ = http_server_.Deactivate();
    } catch (const std::exception& e) {
      WriteLog(0, "Error closing TCP port", e.what());
    }
  }
  WriteLog(0, "=== Stop Service ===");
}

void Tskyranks::TimerSKYTimer() {
  if (!timer_enabled_.load()) return;
  const uint32_t interval = CurrentSettings()->Interval;
  if (interval == 0) return;
  ++timer_ticks_;
  // Unsigned arithmetic, as the settings hold it: a huge interval wraps.
  if (timer_ticks_ < static_cast<uint32_t>(interval * 60u)) return;
  timer_enabled_.store(false);
  timer_ticks_ = 0;
  RunCalculationCycle();
}

void Tskyranks::StartHttpServer() {
  if (http_server_.Active()) http_server_.Deactivate();
  const uint16_t port = CurrentSettings()->AdminPort;
  if (port != 0) http_server_.Activate(port);
}

void Tskyranks::SetTimerEnabled(bool enabled) {
  std::lock_guard<std::mutex> hold(service_lock_);
  timer_enabled_.store(enabled);
}

void Tskyranks::EnableTimerLocked() { timer_enabled_.store(true); }

void Tskyranks::RunCalculationCycle() { RunCycle(); }

TCycleReport Tskyranks::RunCycle() {
  TCycleReport report;
  SetTimerEnabled(false);
  std::lock_guard<std::mutex> hold(service_lock_);
  TTimerRestart restart(*this);
  try {
    TServerList servers;
    if (!ReadServerList(SettingsFileName(), servers)) return report;
    ReloadSettings();
    const TSettingsSnapshot settings = CurrentSettings();
    for (const TServerEntry& entry : servers) {
      if (!entry.Active) {
        WriteLog(0, "server skipped", entry.Host);
        continue;
      }
      ++report.active;
      WriteLog(2, " *** Начало расчета  ***");
      try {
        if (calculate_(*settings, entry)) ++report.reached;
      } catch (const std::exception& e) {
        // One database's failure does not hold up the others.
        WriteLog(0, "RunCalculationCycle", entry.Host + ": " + e.what());
      }
      WriteLog(2, " *** Конец расчета ***");
    }
  } catch (const std::exception& e) {
    WriteLog(0, "RunCalculationCycle", e.what());
  }
  return report;
}

bool Tskyranks::ResetServer(const std::string& id) {
  TServerEntry entry;
  try {
    FindServerById(SettingsFileName(), id, entry);
  } catch (const std::exception& e) {
    WriteLog(0, "ResetServer", e.what());
    return false;
  }
  SetTimerEnabled(false);
  std::lock_guard<std::mutex> hold(service_lock_);
  TTimerRestart restart(*this);
  try {
    ReloadSettings();
    return reset_(*CurrentSettings(), entry);
  } catch (const std::exception& e) {
    WriteLog(0, "ResetServer", e.what());
    return false;
  }
}

}  // namespace sky
