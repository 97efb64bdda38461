// Installing the service under systemd: the unit file "skyranks.service"
// (started at boot, restarted after a failure, run as a system user of its
// own in systemd's sandbox), that user, and the site files the program
// serves, copied beside it where they are missing.
#pragma once

#include <string>

namespace sky {

struct TInstallOptions {
  std::string executable;                     // absolute path of the program
  std::string home;                           // --home, empty for the program's own folder
  std::string unit_dir = "/etc/systemd/system";
  bool silent = false;                        // no messages on success
  std::string user = "skyranks";              // the account the service runs as
  // Where the sample site files come from; empty: the first of the usual places.
  std::string site_dir;
  // False: the folder, the site files, the settings file and the user only;
  // the unit is someone else's (a package ships its own) and systemctl is
  // not asked.
  bool write_unit = true;
};

// The unit file's text; `group` is the service user's group.
std::string ServiceUnitText(const TInstallOptions& options, const std::string& group);

// The unit --install would write for these options: the group is the
// service user's when the account exists, else the one of the same name
// that --install (or a package) creates with it.
std::string ServiceUnitFor(const TInstallOptions& options);

// 0 on success; a failure is printed on standard error (also when silent).
// Install creates the service user (a system account and group of the same
// name, no login shell, no home) when it is missing, and gives it the
// program folder, the settings file (mode 0600), the log and the site files;
// the program itself stays as it is. systemctl is asked to reload and enable
// or disable the unit only when the unit directory is systemd's own.
// Without write_unit the same, but no unit is written and systemctl is not
// called. Uninstall leaves the user and the folder.
int InstallService(const TInstallOptions& options);
int UninstallService(const TInstallOptions& options);

// Copies the default page (as <base>.htm), the awards file, the stylesheets,
// the sample queries and the pictures (img/ranks, img/ribbons) from `site_dir` into `target_dir` where they are
// missing. Returns the number of files copied.
int InstallSiteFiles(const std::string& site_dir, const std::string& target_dir, const std::string& base_name);

}  // namespace sky
