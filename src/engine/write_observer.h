// Who hears of the pass's writes to a pilot's row.
//
// The observer is told of each rank or awards write once it is committed,
// on the pass's thread, with the pilot's values before and after; a write
// whose transaction was rolled back is never told. The pass knows nothing
// of what the observer does with them; the observer must be quick and must
// not throw (the pilot's row is already written).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

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
  // After the writes of one commit have been told: an observer that keeps
  // them somewhere costly may do so once per commit rather than per write.
  virtual void CommitTold() {}
};

// The writes of the pass's open transaction, held until it ends: told to
// `target` when it is committed, forgotten when it is rolled back.
class TWriteBuffer : public TWriteObserver {
 public:
  explicit TWriteBuffer(TWriteObserver* target) : target_(target) {}
  void RankWritten(const TPilotWrite& write) override { held_.emplace_back(true, write); }
  void AwardsWritten(const TPilotWrite& write) override { held_.emplace_back(false, write); }
  void Committed() {
    if (held_.empty()) return;
    for (const auto& [rank, write] : held_) {
      if (rank) {
        target_->RankWritten(write);
      } else {
        target_->AwardsWritten(write);
      }
    }
    held_.clear();
    target_->CommitTold();
  }
  void RolledBack() { held_.clear(); }

 private:
  TWriteObserver* target_;
  std::vector<std::pair<bool, TPilotWrite>> held_;
};

}  // namespace sky
