#include "engine/history_check.h"

#include <optional>
#include <string>

#include <fmt/format.h>

#include "base/log.h"
#include "db/query.h"
#include "engine/query_closer.h"

namespace sky {

namespace {

struct TTableFigures {
  int64_t highest = 0;
  int64_t rows = 0;
  int64_t above = 0;  // rows above the given id
};

// One statement, so that the figures describe one moment of the table: its
// subqueries read from the same snapshot. The count of the rows above the
// last counted highest id reads only those rows, by the primary key; without
// such an id it is not asked.
TTableFigures CountRows(TdmMySQL& session, std::optional<int64_t> above_id) {
  TQuery& query = session.SQLQueryService;
  TQueryCloser closer(query);
  query.Close();
  query.SetText(fmt::format("select (select max(id) from sorties), (select count(*) from sorties), {}",
                            above_id ? fmt::format("(select count(*) from sorties where id > {})", *above_id)
                                     : std::string("0")));
  query.Open();
  return {query.Field(0).AsInteger(), query.Field(1).AsInteger(), query.Field(2).AsInteger()};
}

int64_t HighestId(TdmMySQL& session) {
  TQuery& query = session.SQLQueryService;
  TQueryCloser closer(query);
  query.Close();
  query.SetText("select max(id) from sorties");
  query.Open();
  return query.Field(0).AsInteger();
}

}  // namespace

const char* HistoryVerdictName(THistoryVerdict verdict) {
  switch (verdict) {
    case THistoryVerdict::kUnchanged: return "unchanged";
    case THistoryVerdict::kFirst: return "first";
    case THistoryVerdict::kRulesChanged: return "rules changed";
    case THistoryVerdict::kVerifyDue: return "verify due";
    case THistoryVerdict::kHighestDown: return "highest id down";
    case THistoryVerdict::kCountChanged: return "count changed";
    case THistoryVerdict::kCheckFailed: return "check failed";
  }
  return "?";
}

THistoryVerdict CheckHistory(TdmMySQL& session, THistoryMark& mark, const THistoryPolicy& policy,
                             THistoryClock::time_point now) {
  if (!mark.valid) return THistoryVerdict::kFirst;
  if (policy.verify_every.count() <= 0 || now - mark.read_at >= policy.verify_every) {
    return THistoryVerdict::kVerifyDue;
  }
  try {
    const bool count_due = policy.check_every.count() <= 0 || now - mark.counted_at >= policy.check_every;
    if (!count_due) {
      const int64_t highest = HighestId(session);
      if (highest < mark.highest) return THistoryVerdict::kHighestDown;
      mark.highest = highest;
      return THistoryVerdict::kUnchanged;
    }
    const TTableFigures figures = CountRows(session, mark.counted_highest);
    if (figures.highest < mark.highest) return THistoryVerdict::kHighestDown;
    if (figures.rows != mark.counted_rows + figures.above) return THistoryVerdict::kCountChanged;
    mark.highest = figures.highest;
    mark.counted_highest = figures.highest;
    mark.counted_rows = figures.rows;
    mark.counted_at = now;
    return THistoryVerdict::kUnchanged;
  } catch (const std::exception& e) {
    WriteLog(10, "Check of the sorties table failed; career totals are read again:", e.what());
    mark.valid = false;
    return THistoryVerdict::kCheckFailed;
  }
}

void MarkHistory(TdmMySQL& session, THistoryMark& mark, THistoryClock::time_point now) {
  mark.valid = false;
  try {
    const TTableFigures figures = CountRows(session, std::nullopt);
    mark.highest = figures.highest;
    mark.counted_highest = figures.highest;
    mark.counted_rows = figures.rows;
    mark.counted_at = now;
    mark.read_at = now;
    mark.valid = true;
  } catch (const std::exception& e) {
    WriteLog(10, "Check of the sorties table failed; career totals are read again:", e.what());
  }
}

}  // namespace sky
