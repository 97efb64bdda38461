// Upkeep of the `pilots` table: the three integer columns the service adds
// (realrank, lastsortie, awards), null ranks, and the administrator's reset.
// The process-wide FieldsChecked flag lives in settings/settings_store.h.
#pragma once

#include <cstdint>
#include <string_view>

#include "db/session.h"
#include "settings/settings.h"

namespace sky {

bool EnsurePilotFields(TdmMySQL& session);
bool AddPilotField(TdmMySQL& session, std::string_view column);
// Number of rows changed; 0 after a logged error.
int64_t FixNullRanks(TdmMySQL& session);
bool ClearRanks(TdmMySQL& session);
// Opens its own session; true when the database was reached. `cleared`,
// when given, tells whether the columns were cleared (false after a logged
// error, as when they could not be added).
bool ResetDatabase(const TSettings& settings, const TServerEntry& entry, bool* cleared = nullptr);

}  // namespace sky
