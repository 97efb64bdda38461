// The program's own metrics, one set per process, and the one function
// that renders them for the web server's "/metrics" view.
//
// What is counted and where (every name starts with "skyranks_"):
//   passes_total, passes_failed_total           counters by database
//   last_pass_duration_seconds,
//   last_pass_pilots_examined,
//   last_pass_rows_written,
//   last_success_timestamp_seconds              gauges by database
//   http_requests_total{view}                   counter by view
//   http_refused_total{reason}                  counter by limit broken
//   http_connection_limit_reached_total         counter
//   http_rejected_total{reason}                 counter by rule a request broke
//   admin_lockouts_total                        counter
//   resident_memory_bytes                       gauge, read when rendered
// A database is labelled by its `mysql` entry's id, host and db, never by
// its user or password. Views and refusal reasons are the fixed sets below,
// so the label sets stay small whatever clients send; every one of them is
// listed from the start, at 0.
//
// Every call may come from any thread.
#pragma once

#include <cstdint>
#include <string>

#include "settings/settings.h"

namespace sky {

// What answered a request.
enum class TWebView { kConfig, kShow, kHistory, kQuery, kInfo, kFile, kMetrics, kControl, kDefault, kOther, kDashboard, kTop, kPilot };
// Which limit a request broke, ending its connection without an answer.
enum class THttpRefusal { kLineTooLong, kTooManyHeaders, kBodyTooLarge, kRequestTimeout, kWriteTimeout };
// Why a request was answered with a refusal instead of being served.
enum class THttpRejection { kConflictingLengths, kTransferEncoding, kForeignHost, kForeignOrigin, kLockedOut };

enum class TPassOutcome {
  kSucceeded,  // every pilot was examined
  kFailed,     // the database was not reached, or an error ended the pass
  kStopped,    // a stop request ended it early: neither
};

struct TPassFigures {
  TPassOutcome Outcome = TPassOutcome::kFailed;
  double Seconds = 0;
  int64_t PilotsExamined = 0;
  int64_t RowsWritten = 0;
};

void CountRequest(TWebView view);
void CountRefusal(THttpRefusal reason);
// The web server is serving as many connections as it may.
void CountConnectionLimitReached();
void CountRejection(THttpRejection reason);
// A client address has been locked out of the control commands.
void CountLockout();
// One pass over the entry's database has ended.
void RecordDatabasePass(const TServerEntry& entry, const TPassFigures& figures);

// Every family in the text format, resident memory read anew.
std::string RenderProcessMetrics();

}  // namespace sky
