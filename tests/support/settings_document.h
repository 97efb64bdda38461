// Settings files for tests, written by the program's own writer.
//
// `settings` starts as a file without any node reads (every "missing" value
// of settings_nodes.h, an empty rank scale), so a test sets only what it
// needs and the file reads as if it held nothing else. Each of `servers` is
// one `mysql` element with every attribute; `queries` are `queries/query`
// elements. Tests whose subject is the reader's handling of odd texts write
// their documents by hand instead.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "settings/settings.h"

namespace sky::test {

// The record a settings file without any node reads as.
TSettings MissingSettings();

struct SettingsDocument {
  TSettings settings = MissingSettings();
  TServerList servers;
  std::vector<std::pair<std::string, std::string>> queries;  // qid, file name

  // The file's bytes (Windows-1251, with its declaration).
  std::string Bytes() const;
};

// The settings a service runs with in the tests: these databases, the
// schedule, the admin port (0: none) and password, and the log level.
SettingsDocument ServiceSettings(TServerList servers, uint32_t interval = 1, uint16_t admin_port = 0,
                                 const std::string& password = "pw", int log_level = 2);

}  // namespace sky::test
