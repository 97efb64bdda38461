// The `sorties` table: one row per flight, in id order, as a statistics
// program writes them while the server runs.
//
// Contract: rows follow the population's schedule (sortie id k + 1 is flown
// by pilot schedule[k] + 1); start times never decrease with the id; a
// sortie lasts 1 minute to 3 hours and starts after its pilot's previous one
// ended (a rare sortie without an end time never closes). The end status is
// mostly "TKON", often one of "CRASHED", "BAIL", "MIA", "DIED", "CAPTURED",
// sometimes an unknown code ("LANDED", "DITCHED"), empty or NULL, now and then
// with blanks around it. Kill counts are mostly 0 and depend on the pilot's
// skill and role. While producing rows the source adds each sortie to its
// pilot's totals (count, score, flight time, last seen), which PilotRows
// loads afterwards. The rows are a pure function of the population and the
// seed.
#pragma once

#include <cstdint>

#include "population.h"
#include "random.h"
#include "row_source.h"

namespace sky::skygen {

class SortieRows final : public RowSource {
 public:
  SortieRows(Population& population, uint64_t seed);

  std::string_view Table() const override { return "sorties"; }
  std::string_view Columns() const override;
  bool Next(RowWriter& out) override;

 private:
  Population& population_;
  Random rng_;
  size_t next_ = 0;       // index into the schedule
  int64_t clock_;         // start of the latest sortie, seconds since the epoch
  int64_t session_ = 0;
  int64_t session_ends_ = 0;
  int64_t mission_ = 0;
};

}  // namespace sky::skygen
