#include "support/stat_rows.h"

#include <fmt/format.h>

#include <stdexcept>

#include "db/param.h"
#include "db/session.h"

namespace sky::test {

namespace {

constexpr std::size_t kRowsPerStatement = 2000;

// The statement's literal of a text, as the program quotes its parameters.
std::string Quoted(const std::string& text) {
  TParam param("text");
  param.SetText(text);
  return param.Literal();
}

std::string SortieValues(const TestSortie& r) {
  return fmt::format(
      "({}, {}, {}, '{}' + interval {} minute, '{}' + interval {} minute, "
      "{}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {})",
      r.id, r.pilot, r.army, kSortieEpoch, r.start_minute, kSortieEpoch, r.start_minute + r.minutes, r.eAir,
      r.eBom, r.eSAir, r.eTank, r.eCar, r.eArt, r.eAaa, r.eWag, r.eShip, r.wound, Quoted(r.end));
}

// The service's columns a row gives, in a fixed order.
std::vector<std::optional<int>> RankColumns(const TestPilot& p) { return {p.realrank, p.lastsortie, p.awards}; }

}  // namespace

void InsertSorties(const TestDatabase& db, const std::vector<TestSortie>& rows) {
  std::string values;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (!values.empty()) values += ",";
    values += SortieValues(rows[i]);
    if ((i + 1) % kRowsPerStatement == 0 || i + 1 == rows.size()) {
      db.Exec("insert into sorties (id, pilotid, armyid, starttime, endtime, eAir, eBom, eSAir, eTank, eCar, "
              "eArt, eAaa, eWag, eShip, wound, SortieEND) values " + values);
      values.clear();
    }
  }
}

void InsertPilots(const TestDatabase& db, const std::vector<TestPilot>& rows) {
  if (rows.empty()) return;
  static const char* const kRankNames[] = {"realrank", "lastsortie", "awards"};
  const std::vector<std::optional<int>> first = RankColumns(rows.front());
  std::string columns = "id, callsign, class, ArmyID";
  for (std::size_t c = 0; c < first.size(); ++c) {
    if (first[c]) columns += fmt::format(", {}", kRankNames[c]);
  }
  std::string values;
  for (const TestPilot& p : rows) {
    const std::vector<std::optional<int>> given = RankColumns(p);
    values += fmt::format("{}({}, {}, {}, {}", values.empty() ? "" : ",", p.id, Quoted(p.callsign), Quoted(p.klass),
                          p.army);
    for (std::size_t c = 0; c < given.size(); ++c) {
      if (given[c].has_value() != first[c].has_value()) {
        throw std::logic_error("InsertPilots: every row must give the same columns");
      }
      if (given[c]) values += fmt::format(", {}", *given[c]);
    }
    values += ")";
  }
  db.Exec("insert into pilots (" + columns + ") values " + values);
}

}  // namespace sky::test
