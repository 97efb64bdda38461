#include "service/tskyranks.h"

#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <exception>
#include <system_error>

#include <fmt/format.h>

#include "awards/award_evaluation.h"
#include "base/log.h"
#include "base/paths.h"
#include "base/systemd_notify.h"
#include "base/version.h"
#include "engine/career_store.h"
#include "engine/pilot_table.h"
#include "engine/rank_pass.h"
#include "http/listen_address.h"
#include "notify/notifier.h"
#include "service/control_reader.h"
#include "service/pass_record.h"
#include "settings/server_list.h"
#include "settings/settings_store.h"

namespace sky {

namespace {

// The contact text is "<web address> <e-mail address>".
void WriteContactLine(const std::string& contact) {
  const std::size_t blank = contact.find(' ');
  const std::string web = contact.substr(0, blank);
  const std::size_t mail = contact.find_last_of(' ');
  WriteLog(0, web + ",", blank == std::string::npos ? std::string() : contact.substr(mail + 1));
}

// The settings file holds the passwords of the databases and of the control
// commands: the administrator hears of it at every start while others can read it.
void WarnWhenOthersCanRead(const std::string& file_name) {
  struct stat info {};
  if (::stat(file_name.c_str(), &info) != 0 || (info.st_mode & (S_IRGRP | S_IROTH)) == 0) return;
  WriteLog(0, "WARNING: the settings file holds passwords and other users can read it:",
           fmt::format("{} (mode {:03o}); mend: chmod 600 {}", file_name, info.st_mode & 0777, file_name));
}

}  // namespace

bool CalculateOneDatabase(const TSettings& settings, const TServerEntry& entry, const TPassStop* stop,
                          TNotifier* notifier, bool keep_career_totals) {
  TPassRecord record(entry);
  const std::unique_ptr<TWriteObserver> events = notifier ? notifier->BeginPass(settings, entry) : nullptr;
  const TDatabasePass pass = CalculateDatabase(settings, entry,
                                               {.evaluate_awards = AwardEvaluator(),
                                                .stop = stop,
                                                .progress = &record.Progress(),
                                                .observer = events.get(),
                                                .kept = keep_career_totals ? &KeptCareers(entry) : nullptr,
                                                .alive = NotifyAlive});
  if (notifier) notifier->EndPass(settings, entry, pass.Reached && !pass.Failed && !pass.Stopped);
  record.Finish(pass);
  // Reached also when the database holds no pilot to enumerate.
  return pass.Reached;
}

bool ResetOneDatabase(const TSettings& settings, const TServerEntry& entry, TNotifier* notifier) {
  TPassRecord record(entry, TPassKind::kReset);
  bool cleared = false;
  // Before the ranks are cleared: a crash in between must not leave the
  // recalculation after it announcing everyone's ranks again.
  if (notifier) notifier->Reset(entry);
  // Every pilot starts again from his first sortie: nothing kept stands.
  ForgetKeptCareers(entry.Id);
  const bool reached = ResetDatabase(settings, entry, &cleared);
  record.FinishReset(reached, cleared);
  return reached;
}

Tskyranks::Tskyranks()
    : Tskyranks(
          [this](const TSettings& settings, const TServerEntry& entry) {
            return CalculateOneDatabase(settings, entry, &pass_stop_, notifier_.get(), keep_career_totals_);
          },
          [this](const TSettings& settings, const TServerEntry& entry) {
            return ResetOneDatabase(settings, entry, notifier_.get());
          }) {}

Tskyranks::Tskyranks(TDatabaseOperation calculate, TDatabaseOperation reset, THttpLimits limits)
    : calculate_(std::move(calculate)), reset_(std::move(reset)), http_server_(*this, limits) {}

Tskyranks::~Tskyranks() {
  http_server_.Deactivate();
  if (notifier_) {
    PublishNotifier(nullptr);
    notifier_->Stop();
  }
}

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
  WarnWhenOthersCanRead(SettingsFileName());
  // A mistyped address stops the start, before anything listens or runs.
  ParseListenAddress(CurrentSettings()->AdminBind, 0);
  SetFieldsChecked(false);
  StartNotifier();
}

void Tskyranks::ServiceExecute(TControlSource& control, std::chrono::milliseconds tick) {
  using TClock = std::chrono::steady_clock;
  // From here on a stop reaches the running work at once, the start-up
  // cycle included.
  TControlReader requests(control, [this] { RequestStop(); });
  StartHttpServer();
  NotifyReady();
  RunCalculationCycle();
  terminated_ = false;
  TClock::time_point next_tick = TClock::now() + tick;
  while (!terminated_) {
    NotifyAlive();
    switch (requests.Wait(next_tick)) {
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
  Pause();
}

void Tskyranks::ServiceContinue() {
  WriteLog(1, "=== Continue Service ===");
  ReloadSettings();
  Resume();
}

void Tskyranks::ServiceStop() {
  NotifyStopping();
  // Requests still running (a recalc, say) end at their next pilot.
  RequestStop();
  if (http_server_.Active()) {
    try {
      handlers_finished_ = http_server_.Deactivate();
    } catch (const std::exception& e) {
      WriteLog(0, "Error closing TCP port", e.what());
    }
  }
  // Events not yet sent stay in the outbox for the next start.
  if (notifier_) notifier_->Stop();
  WriteLog(0, "=== Stop Service ===");
}

void Tskyranks::StartNotifier() {
  if (!notifier_) {
    notifier_ = std::make_unique<TNotifier>(ProgramDirectory() + "/" + ProgramBaseName());
    PublishNotifier(notifier_.get());
  }
  notifier_->Configure(*CurrentSettings());
}

void Tskyranks::TimerSKYTimer() {
  if (!TimerEnabled()) return;
  const uint32_t interval = CurrentSettings()->Interval;
  if (interval == 0) return;
  ++timer_ticks_;
  // Unsigned arithmetic, as the settings hold it: a huge interval wraps.
  if (timer_ticks_ < static_cast<uint32_t>(interval * 60u)) return;
  timer_ticks_ = 0;
  RunCalculationCycle();
}

void Tskyranks::StartHttpServer() {
  if (http_server_.Active()) http_server_.Deactivate();
  const TSettingsSnapshot settings = CurrentSettings();
  if (settings->AdminPort != 0) http_server_.Activate(settings->AdminPort, settings->AdminBind);
}

bool Tskyranks::RunCalculationCycle() { return !RunCycle().stopped; }

TCycleReport Tskyranks::RunCycle() {
  TCycleReport report;
  access_.Run([&] { CalculateServers(report); });
  // A pass frees what it read on several threads (its writers', the web
  // server's); the allocator keeps such pages in the threads' arenas, and a
  // daemon that runs for months would hold on to its busiest moment.
  malloc_trim(0);
  return report;
}

void Tskyranks::CalculateServers(TCycleReport& report) {
  try {
    TServerList servers;
    if (!ReadServerList(SettingsFileName(), servers)) return;
    ReloadSettings();
    const TSettingsSnapshot settings = CurrentSettings();
    for (const TServerEntry& entry : servers) {
      if (!entry.Active) {
        WriteLog(0, "server skipped", entry.Host);
        continue;
      }
      ++report.active;
      if (StopRequested()) {
        // Later databases wait for the next start; each one says so.
        WriteLog(0, kStoppedHeading, "not started: " + entry.Host);
        report.stopped = true;
        continue;
      }
      WriteLog(2, " *** Начало расчета  ***");
      try {
        if (calculate_(*settings, entry)) ++report.reached;
      } catch (const std::exception& e) {
        // One database's failure does not hold up the others.
        WriteLog(0, "RunCalculationCycle", entry.Host + ": " + e.what());
      }
      WriteLog(2, " *** Конец расчета ***");
      if (StopRequested()) report.stopped = true;
    }
  } catch (const std::exception& e) {
    WriteLog(0, "RunCalculationCycle", e.what());
  }
}

bool Tskyranks::ResetServer(const std::string& id) {
  TServerEntry entry;
  try {
    FindServerById(SettingsFileName(), id, entry);
  } catch (const std::exception& e) {
    WriteLog(0, "ResetServer", e.what());
    return false;
  }
  bool done = false;
  access_.Run([&] {
    // The reset is one statement over every pilot: it runs in full or, once
    // a stop was requested, not at all.
    if (StopRequested()) {
      WriteLog(0, kStoppedHeading, "reset not started: " + entry.Host);
      return;
    }
    try {
      ReloadSettings();
      done = reset_(*CurrentSettings(), entry);
    } catch (const std::exception& e) {
      WriteLog(0, "ResetServer", e.what());
    }
  });
  return done;
}

}  // namespace sky
