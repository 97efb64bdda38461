// Whether the sorties below the ids a pass has seen may have changed since.
//
// Totals of old sorties kept from pass to pass (engine/career_store.h) stay
// right while `sorties` only grows at its top. Two figures of the table tell
// that cheaply, both asked in one statement so that they describe one
// moment of the table:
//  - its highest id (one index lookup): lower than seen before means rows
//    at the top were deleted, or the table was emptied;
//  - its row count (it reads a whole index): when it differs from the count
//    at the last counting plus the rows that came above the highest id of
//    that moment, rows were deleted or inserted below it (late rows, a
//    truncated and reloaded table).
// Counting runs at most every `check_every` (zero: every pass); the highest
// id is asked on every pass. Neither sees a row edited in place, nor a
// deletion and an insertion below the highest id that cancel out in the
// count: only reading the totals again does, which happens at least every
// `verify_every` (zero: on every pass, and then nothing here is asked).
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "db/session.h"

namespace sky {

using THistoryClock = std::chrono::steady_clock;

struct THistoryPolicy {
  std::chrono::minutes check_every{0};
  std::chrono::hours verify_every{24};
};

// What the last look at the table found. `valid` is false until the first
// mark and after a failed check.
struct THistoryMark {
  bool valid = false;
  int64_t highest = 0;          // highest id at the last look
  int64_t counted_highest = 0;  // highest id when the rows were last counted
  int64_t counted_rows = 0;     // rows then
  THistoryClock::time_point counted_at{};
  THistoryClock::time_point read_at{};  // when the kept totals were last read in full
};

// Why kept totals may or may not be used.
enum class THistoryVerdict {
  kUnchanged,     // the checks found nothing: kept totals stand
  kFirst,         // nothing kept yet (first pass, reset, failed earlier check)
  kRulesChanged,  // the database entry, the end lists, the rank scale or the awards changed
  kVerifyDue,     // the periodic full read is due
  kHighestDown,   // the highest id went down
  kCountChanged,  // the row count is not the one appends alone would give
  kCheckFailed,   // the server could not be asked
};

// A text naming the verdict ("unchanged", "count changed", ...), for tests
// and diagnostics.
const char* HistoryVerdictName(THistoryVerdict verdict);

// Asks the server what the policy asks for at `now` and updates `mark`.
// Returns kUnchanged only for a valid mark whose checks all pass; with
// another verdict the caller reads the totals again after MarkHistory.
// Uses SQLQueryService and leaves it closed; a failure is logged at the
// tracing level 10 only and gives kCheckFailed with an invalid mark.
THistoryVerdict CheckHistory(TdmMySQL& session, THistoryMark& mark, const THistoryPolicy& policy,
                             THistoryClock::time_point now);

// Takes a new mark (highest id and count, one statement) before the totals
// are read in full at `now`. The mark is invalid when the statement failed.
void MarkHistory(TdmMySQL& session, THistoryMark& mark, THistoryClock::time_point now);

}  // namespace sky
