// The check of the settings file, before the service is started on it.
//
// The file is read as the service reads it, and measured against the same
// tables (settings_nodes.h). Problems: not well-formed XML (the parser's line
// and message), an element or attribute the reader does not know, a number
// that does not read, a rank scale that does not increase in value, a
// configured query without number or file, or whose file is missing.
// Warnings: a missing file (the service writes one with the defaults), the
// passwords every new file gets, an empty admin password, debug mode, no
// active database, two databases with one id, two queries with one number,
// texts longer than the reader keeps.
//
// Relative file names resolve against the settings file's folder, as the
// service resolves them in its working directory. Writes nothing, the log
// included.
#pragma once

#include <string>
#include <vector>

#include "base/check_report.h"
#include "settings/settings.h"

namespace sky {

// A configured database and the line of its `mysql` element.
struct TCheckedServer {
  TServerEntry entry;
  long line = 0;
};

// What the checks that follow need of the file.
struct TSettingsCheck {
  bool readable = false;            // false: not well-formed, nothing else was read
  TSettings settings;               // as the service reads it (a new file's defaults when missing)
  std::vector<TCheckedServer> servers;
  long awards_line = 0;             // the `awards` element's line, 0 when none
};

TSettingsCheck CheckSettingsFile(const std::string& file_name, TCheckReport& report);

// A relative name resolved against the folder of `file_name`.
std::string BesideFile(const std::string& file_name, const std::string& name);

}  // namespace sky
