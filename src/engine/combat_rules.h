// The combat rules: whether a sortie ended in one of the settings' end lists,
// lasted long enough, and counts as a combat sortie.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/datetime.h"
#include "db/query.h"
#include "engine/sortie.h"
#include "settings/settings.h"

namespace sky {

// True when `end` is not empty and is a substring of `list`.
bool InEndList(std::string_view end, std::string_view list);

// True when start + minutes <= end. Any number of minutes is accepted.
bool DurationReached(uint32_t minutes, TDateTime start, TDateTime end);
bool IsCombatSortie(const TSettings& settings, const TSortie& sortie);
// The row-based test of the statistics and award evaluation (raw counts).
bool IsCombatRow(const TSettings& settings, const TQuery& row);

}  // namespace sky
