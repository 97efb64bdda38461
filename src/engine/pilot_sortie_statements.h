// The pilot's sorties read with his own statements: one statement per
// request, on the session's SQLQueryCheckPilot, closed again when this
// object ends.
#pragma once

#include <cstdint>
#include <optional>

#include "db/session.h"
#include "engine/life_tally.h"
#include "engine/pilot_sorties.h"
#include "engine/sortie.h"
#include "settings/settings.h"

namespace sky {

class TPilotSortieStatements final : public TPilotSorties {
 public:
  TPilotSortieStatements(TdmMySQL& session, int32_t pilot_id)
      : session_(session), pilot_id_(pilot_id) {}
  ~TPilotSortieStatements() override;
  TPilotSortieStatements(const TPilotSortieStatements&) = delete;
  TPilotSortieStatements& operator=(const TPilotSortieStatements&) = delete;

  int32_t PilotId() const override { return pilot_id_; }
  TQuery& From(int32_t first_id) override;
  void TotalsBefore(int32_t upper_id, TPilotTotals& totals) override;
  // One statement over his sorties before his stored last death.
  std::optional<TCareerSums> CareerBefore(int32_t stored_last, const TSettings& settings) override;

 private:
  TdmMySQL& session_;
  int32_t pilot_id_;
};

}  // namespace sky
