// The data packet of any statement in the format the request chose: the XML
// packet (as it is or made into HTML), or JSON written straight from the rows
// (export/json_packet.h). The pilot list and the configured queries answer
// with it.
#pragma once

#include <string>
#include <vector>

#include "web/view_call.h"

namespace sky {

// Runs `sql` on the database of the list's srvid entry and sends the data
// packet, with an xml-stylesheet instruction when `stylesheet` is not empty.
// Writes nothing when the database is unreachable or the statement fails
// (and logs why).
void ServAnyDataSet(const TViewCall& call, const std::string& sql, const std::vector<std::string>& params,
                    const std::string& stylesheet);

}  // namespace sky
