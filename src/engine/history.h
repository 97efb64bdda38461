// What the web views need from the database: a pilot's history document,
// the statistics of his current life, and a configured query as a data
// packet. Each operation that takes an entry opens and frees its own session;
// a failed connection logs "not connected to MySQL".
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "db/session.h"
#include "engine/sortie.h"
#include "export/dataset_statement.h"
#include "settings/settings.h"
#include "xml/xml_document.h"

namespace sky {

// Fills the `history` element (callsign, one `strik` per life with its
// sorties). A failed connection leaves it empty; errors inside the walk
// propagate to the caller.
void BuildPilotHistory(int32_t pilot_id, const TSettings& settings, TXmlNode history,
                       const TServerEntry& entry);

// Adds the current life's combat count and kills to the outputs.
bool PilotStreakStats(int32_t pilot_id, const TSettings& settings, const TServerEntry& entry,
                      int32_t& combat_count, TAirKills& air, TGroundKills& ground);
bool GetStreakStats(TdmMySQL& session, int32_t pilot_id, const TSettings& settings,
                    int32_t& combat_count, TAirKills& air, TGroundKills& ground);
int32_t GetLastSortie(TdmMySQL& session, int32_t pilot_id);
std::string GetPilotCallsign(TdmMySQL& session, int32_t pilot_id);

// Runs the statement with the request's "name=value" lines bound by name and
// writes the data packet to `out`, as an answer carries it when
// `answer_stylesheet` is given (GetAnyDataSetXML). False when the database is
// unreachable or the statement failed.
bool RunDataSetQuery(const std::string& sql, std::ostream& out, const TServerEntry& entry,
                     const std::vector<std::string>* params,
                     std::optional<std::string_view> answer_stylesheet = std::nullopt);
// The same with the rows handed to any packet writer (the JSON one, say),
// through the same binding, log lines and failure handling
// (RunAnyDataSet, export/dataset_statement.h).
bool RunDataSetQuery(const std::string& sql, const TServerEntry& entry, const std::vector<std::string>* params,
                     const TRowsWriter& write);

}  // namespace sky
