// The status page ("?cmd=config"): version, the configured databases, the
// calculation rules in words, the start time and the time of the last
// calculation. It re-reads the settings file first, so it shows the file's
// current content.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "settings/settings.h"
#include "http/connection.h"
#include "web/view_call.h"

namespace sky {

void ShowConfig(TConnection& connection);
// The view of "?cmd=config": a foreign host name (web/admin_guard.h) is
// refused, anything else gets the page.
void ServeConfig(const TViewCall& call);

// The page's settings lines, in order (the list is cleared first). The
// database lines come from the settings file itself.
void SettingsToHTML(std::vector<std::string>& lines, const TSettings& settings);
// label + " = " + value
void AddSettingLine(std::vector<std::string>& lines, std::string_view label, std::string_view value);

}  // namespace sky
