// Shared set-up of the rank engine's database tests: a throwaway statistics
// database with the service's columns, a connected session whose statements
// are recorded, a program home whose log is read back, and the rules of a new
// settings file with a two-row rank scale.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "db/session.h"
#include "settings/settings.h"
#include "support/new_file_rules.h"
#include "support/program_home.h"
#include "support/temp_dir.h"
#include "support/test_db.h"
#include "xml/encoding.h"

namespace sky::test {

// One row of `sorties`. Times are minutes after 2026-03-01 10:00; the
// defaults make a 30-minute "TKON" flight without kills.
struct Row {
  int id = 0;
  int pilot = 1;
  std::string end = "TKON";
  int eAir = 0, eBom = 0, eSAir = 0, eTank = 0, eCar = 0, eArt = 0, eAaa = 0, eWag = 0, eShip = 0;
  int start_minute = 0;
  int minutes = 30;
};

class EngineDbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SKY_REQUIRE_DB();
    db_ = std::make_unique<TestDatabase>();
    db_->AddRankColumns();
    ASSERT_TRUE(ConnectDatabase(session_, db_->Entry()));
    session_.SetStatementObserver([this](const std::string& sql) { sent_.push_back(sql); });
    settings_ = NewFileRules();
    WriteFileBytes(home_.File("awards.xml"), "<?xml version=\"1.0\"?><awards/>");
    settings_.AwardsFile = home_.File("awards.xml");
    home_.SetLogLevel(settings_.LogLevel);
  }

  void AddPilot(int id, const std::string& callsign, int army = 1,
                const std::string& klass = "Human pilot") const {
    db_->Exec(fmt::format(
        "insert into pilots (id, callsign, class, ArmyID, realrank, lastsortie, awards) "
        "values ({}, '{}', '{}', {}, 0, 0, 0)",
        id, callsign, klass, army));
  }

  void AddSorties(const std::vector<Row>& rows) const {
    for (const Row& r : rows) {
      db_->Exec(fmt::format(
          "insert into sorties (id, pilotid, armyid, starttime, endtime, eAir, eBom, eSAir, eTank, "
          "eCar, eArt, eAaa, eWag, eShip, SortieEND) values ({}, {}, 1, "
          "'2026-03-01 10:00:00' + interval {} minute, "
          "'2026-03-01 10:00:00' + interval {} minute, {}, {}, {}, {}, {}, {}, {}, {}, {}, '{}')",
          r.id, r.pilot, r.start_minute, r.start_minute + r.minutes, r.eAir, r.eBom, r.eSAir,
          r.eTank, r.eCar, r.eArt, r.eAaa, r.eWag, r.eShip, r.end));
    }
  }

  // "realrank:lastsortie:awards" of one pilot.
  std::string Stored(int pilot) const {
    return db_->Value(fmt::format(
        "select concat(ifnull(realrank, 'NULL'), ':', ifnull(lastsortie, 'NULL'), ':', "
        "ifnull(awards, 'NULL')) from pilots where id = {}",
        pilot));
  }

  // Statements sent since the last call that write one pilot's row.
  std::vector<std::string> TakePilotWrites() {
    std::vector<std::string> writes;
    for (const std::string& sql : sent_) {
      if (sql.find(" where id = ") != std::string::npos && sql.rfind("update", 0) == 0) {
        writes.push_back(sql);
      }
    }
    sent_.clear();
    return writes;
  }

  std::vector<std::string> Log() const { return home_.LogLines(); }
  bool HasLine(const std::string& line) const {
    auto lines = Log();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }

  ProgramHome home_;
  std::unique_ptr<TestDatabase> db_;
  std::vector<std::string> sent_;  // outlives the session that records into it
  TdmMySQL session_;
  TSettings settings_;
};

}  // namespace sky::test
