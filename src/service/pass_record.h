// Times one database's calculation pass and records it in the process
// metrics (settings/process_metrics.h) when the record ends: with what the
// pass reported when Finish was given it, otherwise as failed, since then an
// error left the pass.
#pragma once

#include <chrono>

#include "engine/rank_pass.h"
#include "settings/process_metrics.h"
#include "settings/settings.h"

namespace sky {

class TPassRecord {
 public:
  explicit TPassRecord(const TServerEntry& entry);
  ~TPassRecord();
  TPassRecord(const TPassRecord&) = delete;
  TPassRecord& operator=(const TPassRecord&) = delete;

  void Finish(const TDatabasePass& pass);

 private:
  const TServerEntry& entry_;
  std::chrono::steady_clock::time_point start_;
  TPassFigures figures_;  // a failure until Finish
};

}  // namespace sky
