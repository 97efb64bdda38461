// "?cmd=query&qid=N...": the statement of the query file the settings
// configure under qid, run on the database of srvid, as a data packet
// (web/data_set_answer.h). A qid that names no query, or a file that cannot
// be read, gets the default page.
#pragma once

#include "web/view_call.h"

namespace sky {

void ServeQuery(const TViewCall& call);

}  // namespace sky
