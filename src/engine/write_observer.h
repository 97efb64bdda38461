// Who hears of the pass's writes to a pilot's row.
//
// The observer is told of each rank or awards write once it is committed,
// on the pass's thread, with the pilot's values before and after; a write
// that failed or was dropped is never told. The pass knows nothing of what
// the observer does with them; the observer must be quick and must not
// throw (the pilot's row is already written).
#pragma once

#include <cstdint>
#include <string>

namespace sky {

// One written value of one pilot: `Before` as it was stored, `After` as the
// write left it (the rank value, or the award bits).
struct TWrittenValue {
  int32_t PilotId = 0;
  std::string Callsign = {};
  int32_t Army = 0;
  int32_t Before = 0;
  int32_t After = 0;
};

class TWriteObserver {
 public:
  virtual ~TWriteObserver() = default;
  // A rank above the stored one was committed.
  virtual void RankWritten(const TWrittenValue& write) = 0;
  // Award bits other than the stored ones were committed.
  virtual void AwardsWritten(const TWrittenValue& write) = 0;
  // After the writes the pass learnt of at once have been told: an observer
  // that keeps them somewhere costly may do so once per such batch rather
  // than per write.
  virtual void CommitTold() {}
};

}  // namespace sky
