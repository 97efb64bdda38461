// Points the program's files (settings, log, default page) at a temporary
// folder for the life of the object: SetProgramLocation(<dir>/skyranks),
// the settings store back to its load-time state. Log lines can be read back
// decoded to UTF-8 with their time stamps masked.
#pragma once

#include <string>
#include <vector>

#include "support/settings_document.h"
#include "support/temp_dir.h"

namespace sky::test {

class ProgramHome {
 public:
  ProgramHome();
  ~ProgramHome();

  const std::string& Dir() const { return dir_.Path(); }
  std::string File(const std::string& name) const { return dir_.File(name); }
  std::string SettingsFile() const;
  std::string LogFile() const;

  // Writes the settings file (UTF-8 text, stored as Windows-1251 when its
  // declaration says so) and publishes it as the current settings.
  void WriteSettings(const std::string& xml_utf8) const;
  // The same for a built document.
  void WriteSettings(const SettingsDocument& document) const;

  // Log lines as UTF-8 without CR LF, each "<ts>\tmessage\tdetail" with the
  // time stamp replaced by "TS". Empty when there is no log file.
  std::vector<std::string> LogLines() const;
  void ClearLog() const;
  // Sets the log threshold (and the published settings' LogLevel).
  void SetLogLevel(int level) const;

 private:
  TempDir dir_;
};

}  // namespace sky::test
