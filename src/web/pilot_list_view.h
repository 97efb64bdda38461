// "?cmd=show...": the pilot list of a database (the srvid parameter, 1 when
// it has none) as a data packet rendered by xsl/pilotlist.xsl.
#pragma once

#include "web/view_call.h"

namespace sky {

void ShowPilotList(const TViewCall& call);

}  // namespace sky
