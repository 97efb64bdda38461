// Totals of a pilot's sorties read with one statement each: the count and
// kill sums before a sortie, the career sums, and the ratios per sortie.
#pragma once

#include <cstdint>
#include <optional>

#include "db/session.h"
#include "engine/life_tally.h"
#include "engine/sortie.h"
#include "settings/settings.h"

namespace sky {

// Totals of all the pilot's sorties (with id below `upper_id` unless it is -1).
void GetPilotTotals(TdmMySQL& session, int32_t pilot_id, int32_t upper_id, TPilotTotals& totals);
double AirPerSortie(const TPilotTotals& totals);
double GroundsPerSortie(const TPilotTotals& totals);

// The sums of the pilot's sorties with id < upper_id, with one statement on
// the session's SQLQueryService; nullopt (after a level-10 line) when it fails.
std::optional<TCareerSums> ReadCareerBefore(TdmMySQL& session, int32_t pilot_id, int32_t upper_id,
                                            const TSettings& settings);

}  // namespace sky
