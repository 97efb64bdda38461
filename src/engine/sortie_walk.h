// The walk over one pilot's sorties shared by the rank pass and the pilot
// history: the combat rules and the rank scale applied sortie by sortie,
// a death starting a new life.
#pragma once

#include <cstdint>
#include <functional>

#include "db/session.h"
#include "engine/life_tally.h"
#include "engine/pilot_sorties.h"
#include "settings/settings.h"
#include "xml/xml_document.h"

namespace sky {

// Walks the pilot's sorties from `last_sortie` (calculation mode, `history`
// null) or from the first sortie (history mode, filling `history`, see
// engine/history.h). Returns the highest rank value reached, 0 when none;
// advances `last_sortie` to the latest death.
int32_t WalkPilotSorties(TdmMySQL& session, int32_t pilot_id, int32_t& last_sortie,
                         const TSettings& settings, bool history_mode, TXmlNode history);
// The calculation-mode walk over rows handed out by `sorties`; adds the
// sorties it read to `sorties_read` and what it saw to `tally` when given,
// and calls `alive` (when set) after each pause between sorties.
int32_t WalkPilotLife(TPilotSorties& sorties, int32_t& last_sortie, const TSettings& settings,
                      int64_t* sorties_read = nullptr, TLifeTally* tally = nullptr,
                      const std::function<void()>& alive = {});

}  // namespace sky
