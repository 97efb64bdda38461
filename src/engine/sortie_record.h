// Reading sorties from the `sorties` row an open query stands on.
#pragma once

#include <cstdint>

#include "db/query.h"
#include "engine/sortie.h"

namespace sky {

// Reads the `sorties` row the query stands on; a missing column raises TDbError.
TSortie ReadSortie(const TQuery& row);
void ReadEnemyKills(const TQuery& row, TKillSet& kills);
void ReadFriendlyKills(const TQuery& row, TKillSet& kills);
void ResetStreak(TStreak& streak);  // CurrentRank is kept

// Add the row's counts to the record and return the row's eAir / ground sum;
// errors are logged and give 0.
int32_t GetCurrentAirKills(const TQuery& row, TAirKills& kills);
int32_t GetCurrentGroundKills(const TQuery& row, TGroundKills& kills);

}  // namespace sky
