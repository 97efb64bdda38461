// Where the walks of one pilot read his sorties.
//
// The rank walk and the award walk of a pass read the same pilot's rows: the
// rank walk from the stored last death on, the award walk from the last death
// the rank walk found, together with the totals of every sortie before it.
// TPilotSorties hands them out. Two kinds exist with the same results:
//  - TPilotSortieStatements (engine/pilot_sortie_statements.h) sends the
//    pilot's own statements each time
//    (SQLQueryCheckPilot, and GetPilotTotals for the totals);
//  - a pilot of a TSortieBatch (engine/sortie_batch.h) is served from rows
//    fetched for many pilots at once.
#pragma once

#include <cstdint>
#include <optional>

#include "db/query.h"
#include "db/query.h"
#include "engine/life_tally.h"
#include "engine/sortie.h"
#include "settings/settings.h"

namespace sky {

class TPilotSorties {
 public:
  virtual ~TPilotSorties() = default;

  virtual int32_t PilotId() const = 0;

  // The pilot's sorties with id >= `first_id` in id order, standing on the
  // first. The statement object stays valid until the next call or until
  // this object ends; callers walk it forward and never close it.
  virtual TQuery& From(int32_t first_id) = 0;

  // GetPilotTotals(pilot, upper_id): count, eAir and ground sums of the
  // pilot's sorties with id < upper_id (none for a negative upper_id, as for
  // 0, although GetPilotTotals reads -1 as no bound); a failure is logged as
  // it does.
  virtual void TotalsBefore(int32_t upper_id, TPilotTotals& totals) = 0;

  // The sums of his sorties before his stored last death, for the pages that
  // show his career; nullopt when they could not be had (a failure is logged
  // at the tracing level 10 only: the walk meets a real fault itself).
  virtual std::optional<TCareerSums> CareerBefore(int32_t stored_last,
                                                  const TSettings& settings) = 0;
};

}  // namespace sky
