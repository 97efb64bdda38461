// The columns of the statistics tables that a rank pass reads, and the three
// it writes (adding them to `pilots` when they are missing).
//
// ReadSortie and the pilot loop read every column named here; a table
// without one of them fails the pass. Names compare without case, as the
// server compares column names.
#pragma once

#include <span>
#include <string_view>

namespace sky {

inline constexpr std::string_view kPilotsTable = "pilots";
inline constexpr std::string_view kSortiesTable = "sorties";

// Of `pilots`, besides the result columns.
std::span<const std::string_view> PilotColumnsRead();
// Of `sorties`.
std::span<const std::string_view> SortieColumnsRead();
// realrank, lastsortie, awards, in the order they are added.
std::span<const std::string_view> ResultColumns();

}  // namespace sky
