#include "engine/pilot_sortie_statements.h"

#include "db/query.h"
#include "engine/pilot_sorties.h"
#include "engine/pilot_totals.h"

#include <algorithm>

namespace sky {

TPilotSortieStatements::~TPilotSortieStatements() {
  try {
    session_.SQLQueryCheckPilot.Close();
  } catch (...) {
    // Closing only drops a result held in memory; nothing to report.
  }
}

TQuery& TPilotSortieStatements::From(int32_t first_id) {
  TQuery& sorties = session_.SQLQueryCheckPilot;
  sorties.Close();
  sorties.ParamByName("p_pilot_id").SetInteger(pilot_id_);
  sorties.ParamByName("p_last_sortie").SetInteger(first_id);
  sorties.Open();
  return sorties;
}

void TPilotSortieStatements::TotalsBefore(int32_t upper_id, TPilotTotals& totals) {
  // A stored last death of -1 must not turn into GetPilotTotals' "no bound",
  // which would count every sortie once before the walk and again in it.
  GetPilotTotals(session_, pilot_id_, std::max(upper_id, 0), totals);
}

std::optional<TCareerSums> TPilotSortieStatements::CareerBefore(int32_t stored_last,
                                                                const TSettings& settings) {
  if (stored_last <= 0) return TCareerSums{};
  return ReadCareerBefore(session_, pilot_id_, stored_last, settings);
}

}  // namespace sky
