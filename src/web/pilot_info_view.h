// "?cmd=info&pilotid=N&srvid=S...": one pilot's statistics over his current
// streak (engine/history.h) as the document <info> of fourteen figures, or
// JSON. Without pilotid, or when the database or the pilot's figures cannot
// be read, the default page.
#pragma once

#include "web/view_call.h"

namespace sky {

void ServePilotInfo(const TViewCall& call);

}  // namespace sky
