// Award evaluation for one pilot.
//
// EvaluateAwards walks the pilot's sorties from his StartSortie (the sortie of
// his last death) in id order, as `pilot_sorties` hands them out. Every
// sortie whose trimmed end status is in SortieEndSuccess is tested against
// the simple awards of the pilot's army and summed into the totals of the
// current life; after the walk the complex awards are tested against those
// totals. Award bits are only ever added to his StoredAwards.
//
// The result carries the new mask and the document's write-back rule
// (WriteIfChanged: write whenever the mask differs; otherwise only when it is
// greater); the caller performs the write.
//
// Errors of one condition or one complex item are logged and skipped; a
// database error while reading the sortie rows propagates to the caller. With
// the pilot's own statements, SQLQueryCheckPilot and SQLQueryService are used
// and left closed.
#pragma once

#include <cstdint>

#include "awards/award_conditions.h"
#include "db/session.h"
#include "engine/rank_pass.h"
#include "settings/settings.h"
#include "xml/xml_document.h"

namespace sky {

// Matches TAwardEvaluator, so the rank pass can be handed it; the rows and
// the earlier totals come from `pilot_sorties`.
TAwardResult EvaluateAwards(TdmMySQL& session, TPilotSorties& pilot_sorties, const TPilotState& pilot,
                            const TSettings& settings, const TXmlDocument& awards);
// The first form, as the pass takes it.
TAwardEvaluator AwardEvaluator();

// The same with the pilot's own statements.
TAwardResult EvaluateAwards(TdmMySQL& session, const TPilotState& pilot, const TSettings& settings,
                            const TXmlDocument& awards);

}  // namespace sky
