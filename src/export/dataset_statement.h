// The one way a data view's statement runs, whatever its answer is written
// as: the request lines ("name=value"; names without case) bound to the
// statement's parameters as text literals, the statement run on
// session.mySQLQuery1, its rows handed to a packet writer, the query closed.
// Level-10 lines "SQL = ", "SQLQuery1.Params.Count" and, when parameters
// are bound, "AParams"; every failure, of the statement or of the writer,
// gives the level-0 line "GetAnyDataSetXML" with the failure text and false.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "db/query.h"
#include "db/session.h"

namespace sky {

// Writes the open query's rows; may throw.
using TRowsWriter = std::function<void(TQuery&)>;

bool RunAnyDataSet(TdmMySQL& session, const std::string& sql, const std::vector<std::string>* params,
                   const TRowsWriter& write);

}  // namespace sky
