// skyranks: computes ranks and awards of the pilots in flight simulator
// statistics databases on a schedule, and serves an administration and
// view interface over HTTP. Runs in the foreground; systemd keeps it alive.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>

#include "base/log.h"
#include "base/paths.h"
#include "base/text.h"
#include "base/version.h"
#include "service/home_check.h"
#include "service/installation.h"
#include "service/service_host.h"
#include "service/signal_control.h"
#include "service/tskyranks.h"

namespace {

constexpr const char* kUsage =
    "Usage: skyranks [--home DIR] [--once]\n"
    "       skyranks --check [--db] [--home DIR]\n"
    "       skyranks --install [--home DIR] [--user NAME] [--unit-dir DIR] [--no-unit] [--silent]\n"
    "       skyranks --print-unit [--home DIR] [--user NAME] [--program PATH]\n"
    "       skyranks --uninstall [--unit-dir DIR] [--silent]\n"
    "\n"
    "Without a switch skyranks runs the service in the foreground until SIGTERM or\n"
    "SIGINT: a calculation cycle at once and then every `interval` minutes, and the\n"
    "web interface on the admin port. SIGUSR1 pauses the schedule, SIGUSR2 resumes it.\n"
    "\n"
    "  --home DIR      folder of the settings, log and web files (default: the\n"
    "                  program's own folder)\n"
    "  --once          run one calculation cycle over every active database and exit:\n"
    "                  0 when every one was reached, 1 otherwise\n"
    "  --check         check the settings file, the awards file and the query files\n"
    "                  without starting the service; print each problem as\n"
    "                  file:line: message and exit 1 when there is one, 0 otherwise\n"
    "  --db            with --check: also connect to every active database and check\n"
    "                  its tables, columns, privileges and pilot index\n"
    "  --install       write the systemd unit skyranks.service (started at boot,\n"
    "                  restarted on failure, sandboxed), enable it, create the service\n"
    "                  user when missing, copy the sample web page, awards file and\n"
    "                  stylesheets beside the program where missing, and give the\n"
    "                  folder's files to the service user\n"
    "  --no-unit       with --install: everything but the unit (no unit is written,\n"
    "                  systemctl is not called), for a package that ships its own\n"
    "  --print-unit    print the unit --install writes, without installing anything\n"
    "  --program PATH  with --print-unit: the program the unit runs (default: this one)\n"
    "  --user NAME     the system user the service runs as (default skyranks)\n"
    "  --uninstall     disable and remove the unit\n"
    "  --unit-dir DIR  where the unit goes (default /etc/systemd/system; systemctl is\n"
    "                  only called for that folder)\n"
    "  --silent        no messages on success\n"
    "  --help          this text\n"
    "  --version       the program's name and version\n"
    "\n"
    "/INSTALL, /UNINSTALL and /SILENT are accepted as well.\n";

enum class TMode { kRun, kOnce, kCheck, kInstall, kUninstall, kPrintUnit, kHelp, kVersion };

struct TOptions {
  TMode mode = TMode::kRun;
  std::string home;
  std::string unit_dir = "/etc/systemd/system";
  std::string user = "skyranks";
  bool silent = false;
  bool databases = false;  // --db
  bool write_unit = true;  // not --no-unit
  std::string program;     // --program
};

// Switches that go only with another, and the paths; false (with a message)
// on a mistake. A relative home is made absolute.
bool CheckOptions(TOptions& options) {
  const struct {
    bool given;
    TMode mode;
    const char* text;
  } companions[] = {{options.databases, TMode::kCheck, "--db goes only with --check"},
                    {!options.write_unit, TMode::kInstall, "--no-unit goes only with --install"},
                    {!options.program.empty(), TMode::kPrintUnit, "--program goes only with --print-unit"}};
  for (const auto& companion : companions) {
    if (companion.given && options.mode != companion.mode) {
      std::fprintf(stderr, "skyranks: %s\n\n%s", companion.text, kUsage);
      return false;
    }
  }
  if (!options.program.empty() && options.program.front() != '/') {
    std::fprintf(stderr, "skyranks: --program needs an absolute path\n");
    return false;
  }
  if (!options.home.empty() && options.home.front() != '/') {
    // The service changes into its folder; keep the folder absolute.
    char* cwd = ::getcwd(nullptr, 0);
    if (cwd != nullptr) {
      options.home = std::string(cwd) + "/" + options.home;
      std::free(cwd);
    }
  }
  return true;
}

// Parses the command line; false (with a message) on a mistake.
bool ParseOptions(int argc, char** argv, TOptions& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    const std::string switch_name = sky::AsciiLower(argument);
    auto value = [&](std::string& target) {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "skyranks: %s needs a value\n", argument.c_str());
        return false;
      }
      target = argv[++i];
      return true;
    };
    if (argument == "--home") {
      if (!value(options.home)) return false;
    } else if (argument.rfind("--home=", 0) == 0) {
      options.home = argument.substr(7);
    } else if (argument == "--unit-dir") {
      if (!value(options.unit_dir)) return false;
    } else if (argument == "--user") {
      if (!value(options.user)) return false;
    } else if (argument == "--program") {
      if (!value(options.program)) return false;
    } else if (argument == "--no-unit") {
      options.write_unit = false;
    } else if (argument == "--print-unit") {
      options.mode = TMode::kPrintUnit;
    } else if (argument == "--once") {
      options.mode = TMode::kOnce;
    } else if (argument == "--check") {
      options.mode = TMode::kCheck;
    } else if (argument == "--db") {
      options.databases = true;
    } else if (argument == "--install" || switch_name == "/install") {
      options.mode = TMode::kInstall;
    } else if (argument == "--uninstall" || switch_name == "/uninstall") {
      options.mode = TMode::kUninstall;
    } else if (argument == "--silent" || switch_name == "/silent") {
      options.silent = true;
    } else if (argument == "--help" || argument == "-h") {
      options.mode = TMode::kHelp;
    } else if (argument == "--version") {
      options.mode = TMode::kVersion;
    } else {
      std::fprintf(stderr, "skyranks: unknown argument \"%s\"\n\n%s", argument.c_str(), kUsage);
      return false;
    }
  }
  return CheckOptions(options);
}

// --install, --uninstall and --print-unit.
int RunInstallation(const TOptions& options, const std::string& executable) {
  sky::TInstallOptions install;
  install.executable = options.program.empty() ? executable : options.program;
  install.home = options.home;
  install.unit_dir = options.unit_dir;
  install.silent = options.silent;
  install.user = options.user;
  install.write_unit = options.write_unit;
  if (options.mode == TMode::kPrintUnit) {
    std::fputs(sky::ServiceUnitFor(install).c_str(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  return options.mode == TMode::kInstall ? sky::InstallService(install) : sky::UninstallService(install);
}

// The service, in the foreground or for one cycle (--once).
int RunService(const TOptions& options) {
  try {
    // Before any thread exists, so that every thread inherits the mask.
    sky::BlockControlSignals();
  } catch (const std::exception& e) {
    sky::ReportServiceFailure("start", e.what());
    return 1;
  }
  sky::Tskyranks service;
  if (options.mode == TMode::kOnce) return sky::RunOnce(service);
  const int status = sky::RunServiceInForeground(service);
  if (!service.HandlersFinished()) {
    // A request still runs after the bounded wait of the stop (a statement
    // the server is slow to answer, say) and holds the service object: the
    // last resort is to end the process without destroying what it uses.
    sky::WriteLog(0, "Requests still running after the stop's wait; the process ends without them");
    std::fflush(nullptr);
    std::_Exit(status);
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  // The settings hold passwords and the log what pilots and administrators
  // did: nothing the program creates is for every user of the machine.
  ::umask(::umask(0) | S_IWGRP | S_IRWXO);
  TOptions options;
  if (!ParseOptions(argc, argv, options)) return 2;

  const std::string executable = sky::RunningExecutablePath();
  sky::SetProgramLocation(executable, options.home);

  switch (options.mode) {
    case TMode::kHelp:
      std::fputs(kUsage, stdout);
      return 0;
    case TMode::kVersion: {
      const auto version = sky::TVersionInfo::ForRunningProgram();
      std::printf("%s (ver %s)\n%s\n", version->ProductName().c_str(), version->FileVersion().c_str(),
                  version->LegalCopyright().c_str());
      return 0;
    }
    case TMode::kInstall:
    case TMode::kUninstall:
    case TMode::kPrintUnit:
      return RunInstallation(options, executable);
    case TMode::kCheck:
      return sky::RunHomeCheck(options.databases, stdout);
    case TMode::kOnce:
    case TMode::kRun:
      break;
  }
  return RunService(options);
}
