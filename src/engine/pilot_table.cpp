#include "engine/pilot_table.h"

#include <fmt/format.h>

#include "base/log.h"
#include "engine/connected_session.h"
#include "engine/pass_columns.h"
#include "settings/settings_store.h"

namespace sky {

bool AddPilotField(TdmMySQL& session, std::string_view column) {
  try {
    session.SQLQueryService.ExecSQL(fmt::format("alter table pilots add {} integer", column));
    WriteLog(0, "NEW FIELD HAS BEEN ADDED", column);
    return true;
  } catch (const std::exception& e) {
    WriteLog(0, fmt::format("ERROR adding a new field to pilot table : {}", column), e.what());
    return false;
  }
}

bool EnsurePilotFields(TdmMySQL& session) {
  bool ok = true;
  for (std::string_view column : ResultColumns()) {
    if (PilotFieldExists(session, column)) continue;
    // After one failed addition the table is left as it is until the next try.
    if (ok) ok = AddPilotField(session, column);
  }
  return ok;
}

int64_t FixNullRanks(TdmMySQL& session) {
  try {
    session.SQLQueryService.ExecSQL(
                "update pilots set realrank = 0 where realrank is null and class = 'Human pilot'");
    return static_cast<int64_t>(session.SQLQueryService.RowsAffected());
  } catch (const std::exception& e) {
    WriteLog(0, "Ошибка в FixNullRanks", e.what());
    return 0;
  }
}

bool ClearRanks(TdmMySQL& session) {
  try {
    session.SQLQueryService.ExecSQL(fmt::format("update pilots set {} = 0, {} = 0, {} = 0", "realrank",
                                     "lastsortie", "awards"));
    return true;
  } catch (const std::exception& e) {
    WriteLog(0, "ERROR clear ranks failed!", e.what());
    return false;
  }
}

bool ResetDatabase(const TSettings& settings, const TServerEntry& entry, bool* cleared) {
  // A reset clears the columns whatever the settings say, debug mode included.
  (void)settings;
  WriteLog(3, "MySQL host for reset:", entry.Host);
  if (cleared != nullptr) *cleared = false;
  std::unique_ptr<TdmMySQL> session = ConnectSession(entry);
  if (!session) return false;
  if (!FieldsChecked()) SetFieldsChecked(EnsurePilotFields(*session));
  const bool done = FieldsChecked() && ClearRanks(*session);
  if (cleared != nullptr) *cleared = done;
  return true;
}

}  // namespace sky
