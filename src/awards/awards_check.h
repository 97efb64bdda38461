// The check of the awards file, before the service is started on it.
//
// The file is read with the names evaluation selects (awards_file.h and
// award_criteria.h). Problems: not well-formed XML (the parser's line and
// message); an element or attribute evaluation does not know; an item
// without id, name or value; an id, value or dependson that is not an
// integer; two items with one id in a section (they would share their
// conditions); a value that is not a single bit, or is bit 31 (the sign of
// the `awards` column); a dependson naming bits that no item of the army
// awards; a criterion whose value is not a number. Warnings: an item without
// conditions (never earned), two items of an army with one bit.
//
// The file must exist (the caller says where it is named when it does not).
// Writes nothing, the log included.
#pragma once

#include <string>

#include "base/check_report.h"

namespace sky {

void CheckAwardsFile(const std::string& file_name, TCheckReport& report);

}  // namespace sky
