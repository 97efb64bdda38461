// Rows of the statistics tables, as tests write them into a TestDatabase.
//
// A case names only what it is about, with designated initialisers
// ({.id = 3, .end = "DIED", .eAir = 2}); every other field is that of a
// plain flight: pilot 1, army 1, a 30-minute "TKON" sortie without kills or
// wounds, starting at kSortieEpoch.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "support/test_db.h"

namespace sky::test {

// The time sortie start minutes count from.
inline constexpr const char* kSortieEpoch = "2026-03-01 10:00:00";

struct TestSortie {
  int id = 0;
  int pilot = 1;
  std::string end = "TKON";
  int eAir = 0, eBom = 0, eSAir = 0, eTank = 0, eCar = 0, eArt = 0, eAaa = 0, eWag = 0, eShip = 0;
  int wound = 0;
  int start_minute = 0;  // after kSortieEpoch
  int minutes = 30;
  int army = 1;
};

// A `pilots` row. The service's own columns are written only when given, and
// then must be given alike for every row of one call (and need the columns:
// TestDatabase::AddRankColumns).
struct TestPilot {
  int id = 0;
  std::string callsign;
  std::string klass = "Human pilot";
  int army = 1;
  std::optional<int> realrank = {}, lastsortie = {}, awards = {};
};

// Inserts the rows, many to a statement (raises std::runtime_error).
void InsertSorties(const TestDatabase& db, const std::vector<TestSortie>& rows);
void InsertPilots(const TestDatabase& db, const std::vector<TestPilot>& rows);

}  // namespace sky::test
