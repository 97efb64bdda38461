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

#include "base/encoding.h"
#include "db/session.h"
#include "settings/settings.h"
#include "support/new_file_rules.h"
#include "support/program_home.h"
#include "support/stat_rows.h"
#include "support/temp_dir.h"
#include "support/test_db.h"

namespace sky::test {

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

  // A pilot with realrank, lastsortie and awards 0.
  void AddPilot(int id, const std::string& callsign, int army = 1,
                const std::string& klass = "Human pilot") const {
    InsertPilots(*db_, {{.id = id, .callsign = callsign, .klass = klass, .army = army, .realrank = 0,
                         .lastsortie = 0, .awards = 0}});
  }

  void AddSorties(const std::vector<TestSortie>& rows) const { InsertSorties(*db_, rows); }

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
