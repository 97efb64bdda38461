// The rank calculation pass over one statistics database.
//
// Award evaluation lives above the engine; the pass receives it as a
// TAwardEvaluator so that the engine does not depend on the awards library.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "db/session.h"
#include "engine/pilot_sorties.h"
#include "engine/sortie.h"
#include "settings/settings.h"
#include "xml/xml_document.h"

namespace sky {

struct TAwardResult {
  int32_t Awards = 0;
  bool WriteIfChanged = true;
};

// Evaluates one pilot's awards on the pass's session with the pass's awards
// document: (session, the pilot's sorties, pilot id, start sortie, rank, army,
// stored awards, settings, awards document).
using TAwardEvaluator =
    std::function<TAwardResult(TdmMySQL&, TPilotSorties&, int32_t, int32_t, int32_t, int32_t,
                               int32_t, const TSettings&, const XmlDocument&)>;

// How a pass reads the sorties: with each pilot's own statements, or in
// batches of pilots (engine/sortie_batch.h). Both give the same writes and
// the same log; batches send far fewer statements and read fewer rows.
enum class TPassReads { PerPilotStatements, Batched };

// Opens a session for the entry and runs the pass. True when at least one
// pilot was enumerated. Errors outside the per-pilot loop propagate. An empty
// evaluator leaves every pilot's awards as stored.
bool CalculateDatabase(const TSettings& settings, const TServerEntry& entry,
                       const TAwardEvaluator& evaluate_awards,
                       TPassReads reads = TPassReads::Batched);
int32_t EnumeratePilots(TdmMySQL& session, const TSettings& settings,
                        const TAwardEvaluator& evaluate_awards,
                        TPassReads reads = TPassReads::Batched);

// Walks the pilot's sorties from `last_sortie` (calculation mode, `history`
// null) or from the first sortie (history mode, filling `history`, see
// engine/history.h). Returns the highest rank value reached, 0 when none;
// advances `last_sortie` to the latest death.
int32_t WalkPilotSorties(TdmMySQL& session, int32_t pilot_id, int32_t& last_sortie,
                         const TSettings& settings, bool history_mode, XmlNode history);
// The calculation-mode walk over rows handed out by `sorties`.
int32_t WalkPilotLife(TPilotSorties& sorties, int32_t& last_sortie, const TSettings& settings);

int32_t ReachedRank(const TStreak& streak, const TSettings& settings);
// "Сержант" when the scale has no row with the value.
std::string RankName(int32_t value, const TSettings& settings);

bool UpdateRealRank(TdmMySQL& session, int32_t pilot_id, int32_t last_sortie, int32_t rank);
bool UpdateAwards(TdmMySQL& session, int32_t pilot_id, int32_t awards);

}  // namespace sky
