// "?pilot=N&srvid=S": one pilot's page (web/pilot_page.h): his kept results,
// ribbons, progress to the next rank and lives (read from his history while
// the schedule is held); rendered by xsl/pilot.xsl, or JSON.
#pragma once

#include "web/view_call.h"

namespace sky {

void ShowPilotPage(const TViewCall& call);

}  // namespace sky
