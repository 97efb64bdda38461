#include "service/installation.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "settings/paths.h"
#include "settings/settings_store.h"

extern char** environ;

namespace sky {

namespace fs = std::filesystem;

namespace {

constexpr const char* kDefaultUnitDir = "/etc/systemd/system";
constexpr const char* kUnitName = "skyranks.service";

// An argument of ExecStart, quoted when it holds blanks or quotes.
std::string UnitArgument(const std::string& text) {
  if (text.find_first_of(" \t\"\\") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

// Runs a program found on PATH and waits for it; its exit status, or -1.
int RunProgram(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  if (::waitpid(pid, &status, 0) < 0) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool SystemdManaged(const TInstallOptions& options) {
  std::error_code error;
  return fs::equivalent(options.unit_dir, kDefaultUnitDir, error) || options.unit_dir == kDefaultUnitDir;
}

void Systemctl(const TInstallOptions& options, std::vector<std::string> arguments) {
  if (!SystemdManaged(options)) return;
  arguments.insert(arguments.begin(), "systemctl");
  if (RunProgram(arguments) != 0) {
    std::string command;
    for (const std::string& argument : arguments) command += (command.empty() ? "" : " ") + argument;
    std::fprintf(stderr, "skyranks: \"%s\" did not succeed\n", command.c_str());
  }
}

std::string ProgramFolder(const TInstallOptions& options) {
  return options.home.empty() ? fs::path(options.executable).parent_path().string() : options.home;
}

// The sample site files: beside an installed program, or in the source tree
// the program was built from.
std::string FindSiteDir(const TInstallOptions& options) {
  if (!options.site_dir.empty()) return options.site_dir;
  const fs::path program_dir = fs::path(options.executable).parent_path();
  std::vector<fs::path> candidates = {program_dir / "site", program_dir.parent_path() / "share" / "skyranks"};
#ifdef SKY_SOURCE_SITE_DIR
  candidates.emplace_back(SKY_SOURCE_SITE_DIR);
#endif
  for (const fs::path& candidate : candidates) {
    std::error_code error;
    if (fs::is_regular_file(candidate / "skyranks.htm", error)) return candidate.string();
  }
  return {};
}

bool CopyIfMissing(const fs::path& from, const fs::path& to) {
  std::error_code error;
  if (!fs::is_regular_file(from, error) || fs::exists(to, error)) return false;
  fs::create_directories(to.parent_path(), error);
  return fs::copy_file(from, to, error) && !error;
}

int CopyFolderIfMissing(const fs::path& from, const fs::path& to) {
  int copied = 0;
  std::error_code error;
  if (!fs::is_directory(from, error)) return 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(from, error)) {
    if (entry.is_regular_file(error) && CopyIfMissing(entry.path(), to / entry.path().filename())) ++copied;
  }
  return copied;
}

}  // namespace

std::string ServiceUnitText(const TInstallOptions& options) {
  std::string exec_start = UnitArgument(options.executable);
  if (!options.home.empty()) exec_start += " --home " + UnitArgument(options.home);
  return "[Unit]\n"
         "Description=skyranks: ranks and awards for the pilots of a flight simulator statistics database\n"
         "Wants=network-online.target\n"
         "After=network-online.target mariadb.service mysql.service\n"
         "\n"
         "[Service]\n"
         "Type=simple\n"
         "ExecStart=" + exec_start + "\n"
         "Restart=on-failure\n"
         "RestartSec=5\n"
         // A stop ends the work at the next pilot, gives web requests up to
         // 11 s and may first wait out a connection attempt of up to 30 s:
         // 60 s covers that with margin, where systemd's default would not.
         "TimeoutStopSec=60\n"
         "\n"
         "[Install]\n"
         "WantedBy=multi-user.target\n";
}

int InstallSiteFiles(const std::string& site_dir, const std::string& target_dir, const std::string& base_name) {
  const fs::path site(site_dir);
  const fs::path target(target_dir);
  int copied = 0;
  copied += CopyIfMissing(site / "skyranks.htm", target / (base_name + ".htm"));
  copied += CopyIfMissing(site / "awards.xml", target / "awards.xml");
  copied += CopyFolderIfMissing(site / "xsl", target / "xsl");
  copied += CopyFolderIfMissing(site / "queries", target / "queries");
  return copied;
}

int InstallService(const TInstallOptions& options) {
  const fs::path unit = fs::path(options.unit_dir) / kUnitName;
  {
    std::ofstream file(unit, std::ios::binary | std::ios::trunc);
    file << ServiceUnitText(options);
    file.close();
    if (!file) {
      std::fprintf(stderr, "skyranks: cannot write %s\n", unit.c_str());
      return 1;
    }
  }
  const std::string folder = ProgramFolder(options);
  int copied = 0;
  if (const std::string site = FindSiteDir(options); !site.empty()) {
    copied = InstallSiteFiles(site, folder, fs::path(options.executable).stem().string());
  }
  // A settings file with the defaults, ready to be edited before the start.
  ReloadSettings();
  Systemctl(options, {"daemon-reload"});
  Systemctl(options, {"enable", kUnitName});
  if (!options.silent) {
    std::printf("skyranks: installed %s (%d site files copied to %s)\n", unit.c_str(), copied, folder.c_str());
    std::printf("edit %s, then: systemctl start skyranks\n", SettingsFileName().c_str());
  }
  return 0;
}

int UninstallService(const TInstallOptions& options) {
  const fs::path unit = fs::path(options.unit_dir) / kUnitName;
  Systemctl(options, {"disable", "--now", kUnitName});
  std::error_code error;
  fs::remove(unit, error);
  if (error) {
    std::fprintf(stderr, "skyranks: cannot remove %s: %s\n", unit.c_str(), error.message().c_str());
    return 1;
  }
  Systemctl(options, {"daemon-reload"});
  if (!options.silent) std::printf("skyranks: removed %s\n", unit.c_str());
  return 0;
}

}  // namespace sky
