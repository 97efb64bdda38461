// Who hears of the pass's writes to a pilot's row.
//
// The pass calls the observer after each rank or awards write that took,
// on the pass's thread, with the pilot's values before and after. It knows
// nothing of what the observer does with them; the observer must be quick
// and must not throw (the pilot's row is already written).
#pragma once

#include <cstdint>
#include <string>

namespace sky {

// One written value of one pilot: `Before` as it was stored, `After` as the
// write left it (the rank value, or the award bits).
struct TPilotWrite {
  int32_t PilotId = 0;
  std::string Callsign = {};
  int32_t Army = 0;
  int32_t Before = 0;
  int32_t After = 0;
};

class TWriteObserver {
 public:
  virtual ~TWriteObserver() = default;
  virtual void RankWritten(const TPilotWrite& write) = 0;
  virtual void AwardsWritten(const TPilotWrite& write) = 0;
};

}  // namespace sky
