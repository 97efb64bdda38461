// "?history=N...": one pilot's history (engine/history.h) of the database
// the srvid parameter names (1 when none), rendered by xsl/history.xsl, or
// JSON. A value that is no pilot id gets no answer.
#pragma once

#include <cstdint>
#include <string>

#include "web/view_call.h"

namespace sky {

void ShowHistoryRequest(const TViewCall& call);

// The history document of one pilot, built while the schedule is held.
void ShowPilotHistory(const TViewCall& call, int32_t pilot_id, const std::string& srvid);

}  // namespace sky
