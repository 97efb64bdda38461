// The kill arithmetic: the parts of a kill set, sums, and the weighted and
// effective kill counts the rank scale and the combat rules compare.
//
// The quiet forms at the end write no log line: the history document shows
// each sortie's and each life's kills, and computing them must not add lines
// to the log, which reads exactly as in a calculation pass. The public
// functions are built on them.
#pragma once

#include <cstdint>

#include "engine/sortie.h"
#include "settings/settings.h"

namespace sky {

TAirKills AirPart(const TKillSet& kills);
TGroundKills GroundPart(const TKillSet& kills);
void AddKills(TKillSet& target, const TKillSet& source);

double WeightedAirKills(const TSettings& settings, const TAirKills& kills);
// Writes the level-7 total line on every call.
double WeightedGroundKills(const TSettings& settings, const TGroundKills& kills);
int64_t PureGroundKills(const TGroundKills& kills);
int64_t EffectiveKills(const TSettings& settings, const TKillSet& kills);

// Sum of the ground counts weighted by GroundRatio, added slot by slot in
// the order SAir, Tank, Car, Art, Aaa, Wag, Ship; not truncated.
double GroundWeightSum(const TSettings& settings, const TGroundKills& kills);

// A double truncated toward zero, held to the 64-bit range (NaN gives 0).
int64_t TruncToInt64(double value);

// EffectiveKills without the level-7 ground total line.
int64_t QuietEffectiveKills(const TSettings& settings, const TKillSet& kills);

}  // namespace sky
