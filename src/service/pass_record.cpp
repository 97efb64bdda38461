#include "service/pass_record.h"

#include <exception>

#include "settings/log.h"

namespace sky {

TPassRecord::TPassRecord(const TServerEntry& entry) : entry_(entry), start_(std::chrono::steady_clock::now()) {}

TPassRecord::~TPassRecord() {
  figures_.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  try {
    RecordDatabasePass(entry_, figures_);
  } catch (const std::exception& e) {
    // The metrics are not worth the pass's own outcome.
    WriteLog(0, "Metrics:", e.what());
  }
}

void TPassRecord::Finish(const TDatabasePass& pass) {
  if (pass.Stopped) {
    figures_.Outcome = TPassOutcome::kStopped;
  } else if (pass.Reached && !pass.Failed) {
    figures_.Outcome = TPassOutcome::kSucceeded;
  }
  figures_.PilotsExamined = pass.PilotsExamined;
  figures_.RowsWritten = pass.RowsWritten;
}

}  // namespace sky
