// The `pilots` table: one row per pilot in id order, with the totals the
// statistics program keeps (score, sorties, flight time in minutes, last
// seen). Load it after SortieRows has been consumed, which fills the totals.
// The service's own columns (realrank, lastsortie, awards) are not written:
// when present they keep their NULL default, as right after they are added.
#pragma once

#include "population.h"
#include "row_source.h"

namespace sky::skygen {

class PilotRows final : public RowSource {
 public:
  explicit PilotRows(const Population& population) : population_(population) {}

  std::string_view Table() const override { return "pilots"; }
  std::string_view Columns() const override {
    return "id,callsign,class,ArmyID,score,sorties,flighttime,lastseen";
  }
  bool Next(RowWriter& out) override;

 private:
  const Population& population_;
  size_t next_ = 0;
};

}  // namespace sky::skygen
