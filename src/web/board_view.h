// "?cmd=top...": the leaderboard of a database (web/leaderboard.h), served
// from the results its last pass kept, never from the database; rendered by
// xsl/board.xsl, or JSON. Before the first pass the answer says so.
#pragma once

#include "web/view_call.h"

namespace sky {

void ShowLeaderboard(const TViewCall& call);

}  // namespace sky
