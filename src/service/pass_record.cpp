#include "service/pass_record.h"

#include <exception>

#include "base/log.h"

namespace sky {

TPassRecord::TPassRecord(const TServerEntry& entry, TPassKind kind)
    : entry_(entry),
      kind_(kind),
      start_(std::chrono::steady_clock::now()),
      progress_(RunningPass().Begin(kind, entry)) {}

TPassRecord::~TPassRecord() {
  figures_.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  const TPassSummary last = RunningPass().Snapshot();
  RunningPass().End();
  try {
    PassJournal().Add({.Kind = kind_,
                       .Database = PassDatabase(entry_),
                       .Start = last.Start,
                       .Seconds = figures_.Seconds,
                       .Pilots = last.Pilots,
                       .SortiesRead = last.SortiesRead,
                       .RowsWritten = last.RowsWritten,
                       .Errors = last.Errors,
                       .End = end_});
    if (kind_ == TPassKind::kCalculation) RecordDatabasePass(entry_, figures_);
  } catch (const std::exception& e) {
    // The record is not worth the pass's own outcome.
    WriteLog(0, "Metrics:", e.what());
  }
}

void TPassRecord::Finish(const TDatabasePass& pass) {
  if (pass.Stopped) {
    figures_.Outcome = TPassOutcome::kStopped;
    end_ = TPassEnd::kStopped;
  } else if (!pass.Reached) {
    end_ = TPassEnd::kNotReached;
  } else if (!pass.Failed) {
    figures_.Outcome = TPassOutcome::kSucceeded;
    end_ = TPassEnd::kCompleted;
  }
  figures_.PilotsExamined = pass.PilotsExamined;
  figures_.RowsWritten = pass.RowsWritten;
}

void TPassRecord::FinishReset(bool reached, bool cleared) {
  end_ = !reached ? TPassEnd::kNotReached : (cleared ? TPassEnd::kCompleted : TPassEnd::kFailed);
}

}  // namespace sky
