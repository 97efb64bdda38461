#include "service/installation.h"

#include <grp.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>
#include <vector>

#include "base/paths.h"
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
  if (!fs::copy_file(from, to, error) || error) return false;
  // The copy keeps the sample's mode, which lets every user read it.
  fs::permissions(to, fs::perms::group_write | fs::perms::others_all, fs::perm_options::remove, error);
  return true;
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


// The account the service runs as.
struct TServiceAccount {
  uid_t uid = 0;
  gid_t gid = 0;
  std::string group;
};

std::optional<TServiceAccount> FindAccount(const std::string& user) {
  const passwd* entry = ::getpwnam(user.c_str());
  if (entry == nullptr) return std::nullopt;
  TServiceAccount account{entry->pw_uid, entry->pw_gid, std::to_string(entry->pw_gid)};
  if (const group* primary = ::getgrgid(entry->pw_gid); primary != nullptr) account.group = primary->gr_name;
  return account;
}

// What useradd takes as a system account's name; also keeps an argument
// from reading as an option.
bool IsAccountName(const std::string& user) {
  auto letter = [](char c) { return (c >= 'a' && c <= 'z') || c == '_'; };
  if (user.empty() || user.size() > 32 || !letter(user[0])) return false;
  for (char c : user) {
    if (!letter(c) && !(c >= '0' && c <= '9') && c != '-') return false;
  }
  return true;
}

// The service user, created as a system account with a group of its own
// when missing; nullopt (with the reason printed) when it cannot be had.
std::optional<TServiceAccount> EnsureServiceAccount(const TInstallOptions& options) {
  if (auto account = FindAccount(options.user)) return account;
  if (!IsAccountName(options.user)) {
    std::fprintf(stderr, "skyranks: \"%s\" is not a name for a system user\n", options.user.c_str());
    return std::nullopt;
  }
  const int status = RunProgram({"useradd", "--system", "--user-group", "--no-create-home", "--home-dir",
                                 "/nonexistent", "--shell", "/usr/sbin/nologin", "--comment",
                                 "skyranks service", options.user});
  auto account = FindAccount(options.user);
  if (status != 0 || !account) {
    std::fprintf(stderr, "skyranks: cannot create the system user %s (useradd exit status %d)\n",
                 options.user.c_str(), status);
    return std::nullopt;
  }
  if (!options.silent) std::printf("skyranks: created the system user %s\n", options.user.c_str());
  return account;
}

// The folder and what the service writes or serves in it go to the service
// user; the program itself, and anything else the folder holds, stay as
// they are. False when something could not be given.
bool GiveToAccount(const fs::path& folder, const TServiceAccount& account) {
  std::vector<fs::path> paths = {folder, SettingsFileName(), LogFileName(), DefaultPageFileName(),
                                 folder / "awards.xml"};
  std::error_code error;
  for (const char* tree : {"xsl", "queries", "img"}) {
    if (!fs::is_directory(folder / tree, error)) continue;
    paths.push_back(folder / tree);
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder / tree, error)) {
      paths.push_back(entry.path());
    }
  }
  bool given = true;
  for (const fs::path& path : paths) {
    if (!fs::exists(fs::symlink_status(path, error))) continue;
    if (::lchown(path.c_str(), account.uid, account.gid) != 0) {
      std::fprintf(stderr, "skyranks: cannot give %s to the service user: %s\n", path.c_str(),
                   std::system_category().message(errno).c_str());
      given = false;
    }
  }
  return given;
}

// ProtectHome=yes hides the homes altogether; a program or folder inside
// one is kept visible, read-only but for the folder.
bool UnderHomes(const std::string& path) {
  for (const char* homes : {"/home/", "/root/", "/run/user/"}) {
    if (path.rfind(homes, 0) == 0) return true;
  }
  return false;
}

}  // namespace

std::string ServiceUnitText(const TInstallOptions& options, const std::string& group) {  // NOLINT(readability-function-size): text template
  std::string exec_start = UnitArgument(options.executable);
  if (!options.home.empty()) exec_start += " --home " + UnitArgument(options.home);
  const std::string folder = ProgramFolder(options);
  const bool homes = UnderHomes(folder + "/") || UnderHomes(options.executable);
  return "[Unit]\n"
         "Description=skyranks: ranks and awards for the pilots of a flight simulator statistics database\n"
         "Wants=network-online.target\n"
         "After=network-online.target mariadb.service mysql.service\n"
         "\n"
         "[Service]\n"
         "Type=notify\n"
         "ExecStart=" + exec_start + "\n"
         "User=" + options.user + "\n"
         "Group=" + group + "\n"
         "Restart=on-failure\n"
         "RestartSec=5\n"
         // A stop ends the work at the next pilot, gives web requests up to
         // 11 s and may first wait out a connection attempt of up to 30 s:
         // 60 s covers that with margin, where systemd's default would not.
         "TimeoutStopSec=60\n"
         // The daemon says it is alive every second while it waits and
         // after every pilot while it calculates; only a statement may keep
         // it silent longer, and the database connection gives up on one
         // after 10 minutes.
         "WatchdogSec=15min\n"
         "\n"
         "# The sandbox: the service reads the system, writes only its own folder,\n"
         "# talks TCP/IP and local sockets, and holds no privilege.\n"
         "UMask=0077\n"
         "NoNewPrivileges=yes\n"
         "CapabilityBoundingSet=\n"
         "ProtectSystem=strict\n"
         "ReadWritePaths=" + UnitArgument(folder) + "\n" +
         (homes ? "ProtectHome=read-only\n" : "ProtectHome=yes\n") +
         "PrivateTmp=yes\n"
         "PrivateDevices=yes\n"
         "PrivateMounts=yes\n"
         "ProtectKernelTunables=yes\n"
         "ProtectKernelModules=yes\n"
         "ProtectKernelLogs=yes\n"
         "ProtectControlGroups=yes\n"
         "ProtectClock=yes\n"
         "ProtectHostname=yes\n"
         "ProtectProc=invisible\n"
         "ProcSubset=pid\n"
         "RestrictAddressFamilies=AF_INET AF_INET6 AF_UNIX\n"
         "RestrictNamespaces=yes\n"
         "RestrictRealtime=yes\n"
         "RestrictSUIDSGID=yes\n"
         "RemoveIPC=yes\n"
         "LockPersonality=yes\n"
         "MemoryDenyWriteExecute=yes\n"
         "SystemCallArchitectures=native\n"
         "SystemCallFilter=@system-service\n"
         "SystemCallFilter=~@privileged @resources\n"
         // A call outside the filter fails instead of killing the process.
         "SystemCallErrorNumber=EPERM\n"
         "\n"
         "[Install]\n"
         "WantedBy=multi-user.target\n";
}

std::string ServiceUnitFor(const TInstallOptions& options) {
  const std::optional<TServiceAccount> account = FindAccount(options.user);
  return ServiceUnitText(options, account ? account->group : options.user);
}

int InstallSiteFiles(const std::string& site_dir, const std::string& target_dir, const std::string& base_name) {
  const fs::path site(site_dir);
  const fs::path target(target_dir);
  int copied = 0;
  copied += CopyIfMissing(site / "skyranks.htm", target / (base_name + ".htm"));
  copied += CopyIfMissing(site / "awards.xml", target / "awards.xml");
  copied += CopyFolderIfMissing(site / "xsl", target / "xsl");
  copied += CopyFolderIfMissing(site / "queries", target / "queries");
  for (const char* pictures : {"img/ranks", "img/ribbons"}) {
    copied += CopyFolderIfMissing(site / pictures, target / pictures);
  }
  return copied;
}

int InstallService(const TInstallOptions& options) {
  const std::optional<TServiceAccount> account = EnsureServiceAccount(options);
  if (!account) return 1;
  const fs::path unit = fs::path(options.unit_dir) / kUnitName;
  if (options.write_unit) {
    std::ofstream file(unit, std::ios::binary | std::ios::trunc);
    file << ServiceUnitText(options, account->group);
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
  // A settings file with the defaults, ready to be edited before the start;
  // one written by an earlier version may still be readable by everybody.
  ReloadSettings();
  ::chmod(SettingsFileName().c_str(), 0600);
  if (!GiveToAccount(folder, *account)) return 1;
  if (options.write_unit) {
    Systemctl(options, {"daemon-reload"});
    Systemctl(options, {"enable", kUnitName});
  }
  if (!options.silent) {
    if (options.write_unit) {
      std::printf("skyranks: installed %s (%d site files copied to %s, run as user %s)\n", unit.c_str(), copied,
                  folder.c_str(), options.user.c_str());
    } else {
      std::printf("skyranks: prepared %s (%d site files copied, run as user %s)\n", folder.c_str(), copied,
                  options.user.c_str());
    }
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
