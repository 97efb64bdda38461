// Engine-internal forms of the kill arithmetic that write no log line.
//
// The history document shows each sortie's and each life's kills; computing
// them must not add lines to the log, which reads exactly as in a
// calculation pass. The public functions of sortie.h are built on these.
#pragma once

#include <cstdint>

#include "engine/sortie.h"
#include "settings/settings.h"

namespace sky {

// Sum of the ground counts weighted by GroundRatio, added slot by slot in
// the order SAir, Tank, Car, Art, Aaa, Wag, Ship; not truncated.
double GroundWeightSum(const TSettings& settings, const TGroundKills& kills);

// A double truncated toward zero, held to the 64-bit range (NaN gives 0).
int64_t TruncToInt64(double value);

// EffectiveKills without the level-7 ground total line.
int64_t QuietEffectiveKills(const TSettings& settings, const TKillSet& kills);

}  // namespace sky
