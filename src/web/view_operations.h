// Operations shared by the read-only views: the data packet of any
// statement, and the pilot history built while the schedule is held.
// Both write a whole answer or nothing, and log what went wrong.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "web/answer_format.h"
#include "web/connection.h"
#include "web/service_control.h"

namespace sky {

// Runs `sql` on the database of the list's srvid entry and sends the data
// packet, with an xml-stylesheet instruction when `stylesheet` is not empty,
// or for JSON the rows written as JSON (export/json_packet.h).
// Writes nothing when the database is unreachable or the statement fails.
void ServAnyDataSet(TConnection& connection, const std::string& sql, const std::vector<std::string>& params,
                    const std::string& stylesheet, const TAnswerFormat& format = {});

// The history document of one pilot, built while the schedule is held.
void ShowPilotHistory(TServiceControl& service, TConnection& connection, int32_t pilot_id,
                      const std::string& srvid, const TAnswerFormat& format = {});

}  // namespace sky
