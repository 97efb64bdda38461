#include "service/service_host.h"

#include <syslog.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <exception>
#include <system_error>

#include <fmt/format.h>

#include "base/paths.h"
#include "service/control_reader.h"
#include "service/pass_bars.h"
#include "service/signal_control.h"
#include "settings/settings_store.h"

namespace sky {

namespace {

constexpr const char* kServiceName = "skyranks";

}  // namespace

void ReportServiceFailure(std::string_view phase, std::string_view text) {
  const std::string message = fmt::format("Service failed on {}: {}", phase, text);
  std::fprintf(stderr, "%s\n", message.c_str());
  std::fflush(stderr);
  ::openlog(kServiceName, LOG_PID, LOG_DAEMON);
  ::syslog(LOG_ERR, "%s", message.c_str());
  ::closelog();
}

int RunServiceInForeground(Tskyranks& service) {
  try {
    service.ServiceCreate();
    service.ServiceStart();
  } catch (const std::exception& e) {
    ReportServiceFailure("start", e.what());
    return 1;
  }
  try {
    TSignalControlSource signals;
    service.ServiceExecute(signals);
  } catch (const std::exception& e) {
    ReportServiceFailure("execute", e.what());
    return 1;
  }
  return 0;
}

int RunOnce(Tskyranks& service) {
  service.ServiceCreate();
  // Relative names in the settings (the awards file) resolve against the
  // program directory, as in the service.
  const std::string directory = ProgramDirectory();
  if (::chdir(directory.c_str()) != 0) {
    std::fprintf(stderr, "skyranks: cannot enter %s: %s\n", directory.c_str(),
                 std::system_category().message(errno).c_str());
    return 1;
  }
  SetFieldsChecked(false);
  // The run's promotions go to the outbox; what it cannot send before it
  // ends, the service sends at its next start.
  service.StartNotifier();
  service.KeepCareerTotals(false);
  // The control signals are blocked: without a reader, SIGTERM and SIGINT
  // (Ctrl-C, `timeout`) would go unnoticed until the cycle's end.
  TSignalControlSource signals;
  TControlReader requests(signals, [&service] { service.RequestStop(); });
  TCycleReport report;
  {
    // A bar per database on a terminal; elsewhere the output stays as it is.
    const TPassBars bars(STDERR_FILENO);
    report = service.RunCycle();
  }
  std::printf("%d of %d active databases calculated\n", report.reached, report.active);
  if (report.stopped) {
    std::printf("stopped by a signal before the end; the next run completes the pass\n");
    return 1;
  }
  return report.reached == report.active ? 0 : 1;
}

}  // namespace sky
