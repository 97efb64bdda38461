// The check of one configured database, before the service is started on it.
//
// Connects as the pass would and reports against the settings file's line
// of the entry: reached or not (with the server's message); the tables
// `pilots` and `sorties` and the columns the pass reads of them; the result
// columns, present or missing, and then whether the account may add them
// (the ALTER privilege on `pilots` among its grants: alter_privilege.h); the
// pilot index of `sorties`.
//
// Problems: not reached, a table or a column the pass reads missing, result
// columns missing that the account may not add. Warning: no pilot index.
// Notes: reached, result columns the pass will add. Changes nothing in the
// database and writes no log line.
#pragma once

#include <string>

#include "base/check_report.h"
#include "settings/settings.h"

namespace sky {

void CheckDatabase(const TServerEntry& entry, const std::string& file, long line, TCheckReport& report);

// "database 1 (localhost:3306/SKYSTAT)", as the findings name an entry.
std::string DatabaseLabel(const TServerEntry& entry);

}  // namespace sky
