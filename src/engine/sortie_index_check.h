// The index that every pilot's sortie walk relies on.
//
// The walk asks for one pilot's sorties from a given sortie on, in id order;
// without an index on `sorties` whose first column is `pilotid` the server
// reads the whole table for every pilot. WarnWhenSortiesLackPilotIndex writes
// one level-0 line naming the statement that creates such an index; it is
// called at the start of each pass and never changes what the pass does.
#pragma once

#include <optional>

#include "db/session.h"

namespace sky {

inline constexpr char kCreateSortiesPilotIndex[] =
    "create index sorties_pilot_sortie on sorties (pilotid, id)";

// True when some index of `sorties` starts with `pilotid`; nothing when the
// server could not say (no such table, lost connection). Uses SQLQueryService
// and leaves it closed.
std::optional<bool> SortiesHavePilotIndex(TdmMySQL& session);

// Writes the warning when the index is known to be missing, once per
// database (the session's server, port and database name) for the life of
// the process: once it has been written, later passes over that database
// neither ask nor write again. Safe to call from any thread. Never throws:
// a failure of the check itself is left for the pass to meet and report.
void WarnWhenSortiesLackPilotIndex(TdmMySQL& session) noexcept;

}  // namespace sky
