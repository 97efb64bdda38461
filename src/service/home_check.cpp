#include "service/home_check.h"

#include <filesystem>
#include <system_error>

#include "awards/awards_check.h"
#include "base/paths.h"
#include "engine/database_check.h"
#include "settings/settings_check.h"

namespace sky {

namespace {

// "scheme://...": a name the XML loader fetches rather than opens.
bool IsUrl(const std::string& name) {
  const std::size_t colon = name.find("://");
  if (colon == std::string::npos || colon == 0) return false;
  for (std::size_t i = 0; i < colon; ++i) {
    const char c = name[i];
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!letter && !(i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'))) return false;
  }
  return true;
}

void CheckAwards(const std::string& settings_file, const TSettingsCheck& settings, TCheckReport& report) {
  const std::string& name = settings.settings.AwardsFile;
  if (IsUrl(name)) {
    report.Warning(settings_file, settings.awards_line, "the awards file " + name + " is a URL: not checked");
    return;
  }
  const std::string path = BesideFile(settings_file, name);
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) {
    report.Problem(settings_file, settings.awards_line,
                   "the awards file " + name + " is missing: every pass would stop before its first pilot");
    return;
  }
  CheckAwardsFile(path, report);
}

}  // namespace

TCheckReport CheckHome(const std::string& settings_file, bool databases) {
  TCheckReport report;
  const TSettingsCheck settings = CheckSettingsFile(settings_file, report);
  if (!settings.readable) return report;
  CheckAwards(settings_file, settings, report);
  if (!databases) return report;
  for (const TCheckedServer& server : settings.servers) {
    if (server.entry.Active) {
      CheckDatabase(server.entry, settings_file, server.line, report);
    } else {
      report.Note(settings_file, server.line, DatabaseLabel(server.entry) + ": inactive, not checked");
    }
  }
  return report;
}

int RunHomeCheck(bool databases, std::FILE* out) {
  const TCheckReport report = CheckHome(SettingsFileName(), databases);
  std::fputs(ReportText(report).c_str(), out);
  std::fflush(out);
  return report.HasProblems() ? 1 : 0;
}

}  // namespace sky
