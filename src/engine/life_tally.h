// What a pass's walk of one pilot saw, beyond the rank it reached: the
// figures the leaderboard and the pilot page show (engine/pilot_results.h).
//
// The walk starts at the stored last death, so the rows it counts are his
// career from that sortie on; the pass adds the totals of the sorties before
// it (TCareerSums) to have the whole career.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/datetime.h"
#include "engine/sortie.h"
#include "settings/settings.h"

namespace sky {

// Counts and sums of a run of a pilot's sorties, for display: air is the sum
// of eAir, grounds the sum of the seven ground columns.
struct TCareerSums {
  int64_t Sorties = 0;
  int64_t Deaths = 0;
  int64_t Air = 0;
  int64_t Grounds = 0;
};

struct TLifeTally {
  TCareerSums Walked;         // every row the walk read
  TStreak Life;               // the streak of the life still going
  int32_t LifeSorties = 0;    // rows read after the last death
  TDateTime LastEnd = 0;      // end time of the last row read; 0 when none

  void Add(const TSortie& sortie, bool died);
};

// True when a row's end-of-sortie text, as stored, ends a life: the walk's
// test on the trimmed, shortened text.
bool IsDeathEnd(std::string_view stored_end, const TSettings& settings);

}  // namespace sky
