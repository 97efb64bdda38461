// Times one database's calculation pass or reset and records it when the
// record ends: the running pass's progress (engine/pass_progress.h) from
// the start, the journal of the last passes (engine/pass_journal.h) at the
// end, and, for a calculation, the process metrics
// (settings/process_metrics.h). It holds what the pass reported when
// Finish was given it, otherwise a failure, since then an error left the
// pass.
#pragma once

#include <chrono>

#include "engine/pass_journal.h"
#include "engine/pass_progress.h"
#include "engine/rank_pass.h"
#include "settings/process_metrics.h"
#include "settings/settings.h"

namespace sky {

class TPassRecord {
 public:
  explicit TPassRecord(const TServerEntry& entry, TPassKind kind = TPassKind::kCalculation);
  ~TPassRecord();
  TPassRecord(const TPassRecord&) = delete;
  TPassRecord& operator=(const TPassRecord&) = delete;

  // Where the pass publishes its figures while it runs.
  TPassCounters& Progress() { return progress_; }
  void Finish(const TDatabasePass& pass);
  // A reset: `reached` whether the database was reached, `cleared` whether
  // its columns were cleared (a failed reset otherwise).
  void FinishReset(bool reached, bool cleared);

 private:
  const TServerEntry& entry_;
  TPassKind kind_;
  std::chrono::steady_clock::time_point start_;
  TPassCounters& progress_;
  TPassFigures figures_;  // a failure until Finish
  TPassEnd end_ = TPassEnd::kFailed;
};

}  // namespace sky
