// The two ways a pass can read the sorties, and the two ways it can write,
// for the tests that compare them.
//
// The pass reads in batches of pilots (engine/sortie_batch.h). The older way,
// each pilot's rows and totals with his own statements, gives the same writes
// and the same log with far more statements; it stays as the oracle of those
// comparison tests, and the program reads so only when it pauses between
// sorties.
#pragma once

#include <cstdint>

#include "db/session.h"
#include "engine/rank_pass.h"
#include "settings/settings.h"

namespace sky {

enum class TPassReads { kPerPilotStatements, kBatched };

// EnumeratePilots reading the sorties the given way.
int32_t EnumeratePilots(TdmMySQL& session, const TSettings& settings,
                        const TAwardEvaluator& evaluate_awards, TPassReads reads,
                        const TPassStop* stop = nullptr);
// EnumeratePilots as CalculateDatabase runs it: reading in batches, writing
// through connections of their own to `writers` (engine/pilot_writer.h).
// The EnumeratePilots above write through the session itself.
int32_t EnumeratePilots(TdmMySQL& session, const TServerEntry& writers, const TSettings& settings,
                        const TAwardEvaluator& evaluate_awards, const TPassStop* stop = nullptr);

}  // namespace sky
