// The check an administrator runs before a restart (`skyranks --check`).
//
// Reads the settings file, the awards file it names and every configured
// query file as the service would, and with `databases` also connects to
// every active database, without starting the service: no log line, no
// change to a file or a database, no web server. An awards file named by a
// URL is not fetched (a warning says so).
#pragma once

#include <cstdio>
#include <string>

#include "base/check_report.h"

namespace sky {

TCheckReport CheckHome(const std::string& settings_file, bool databases);

// Checks the program's home (SettingsFileName()), prints the findings and a
// count line on `out` and gives the exit status: 0 without problems, 1 with.
int RunHomeCheck(bool databases, std::FILE* out);

}  // namespace sky
