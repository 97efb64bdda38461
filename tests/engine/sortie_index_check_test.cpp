// The advice about the pilot index of `sorties`, against a real server: which
// index shapes count, the one line a pass writes, and silence when the server
// cannot answer.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "db/session.h"
#include "engine/rank_pass.h"
#include "engine/sortie_index_check.h"
#include "settings/settings.h"
#include "support/new_file_rules.h"
#include "support/program_home.h"
#include "support/stat_rows.h"
#include "support/temp_dir.h"
#include "support/test_db.h"

namespace sky::test {
namespace {

const char kWarning[] =
    "TS\tNo index of sorties starts with pilotid: every pilot's walk reads the whole table. "
    "Create one with:\tcreate index sorties_pilot_sortie on sorties (pilotid, id)";

class SortieIndexCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SKY_REQUIRE_DB();
    db_ = std::make_unique<TestDatabase>();
    db_->AddRankColumns();
    DropSecondaryIndexes();
    ASSERT_TRUE(ConnectDatabase(session_, db_->Entry()));
    home_.SetLogLevel(3);
  }

  void DropSecondaryIndexes() const {
    for (const std::string& name : db_->Column(
             "select distinct index_name from information_schema.statistics where table_schema = "
             "database() and table_name = 'sorties' and index_name <> 'PRIMARY'")) {
      db_->Exec("drop index `" + name + "` on sorties");
    }
  }

  int WarningCount() const {
    const std::vector<std::string> lines = home_.LogLines();
    return static_cast<int>(std::count(lines.begin(), lines.end(), kWarning));
  }

  // One pass over one pilot with two sorties, the second a death.
  void RunPass() {
    InsertPilots(*db_, {{.id = 1, .callsign = "Hawk", .realrank = 0, .lastsortie = 0, .awards = 0}});
    InsertSorties(*db_, {{.id = 10}, {.id = 11, .end = "DIED", .start_minute = 60}});
    RunPassAgain(session_);
  }

  void RunPassAgain(TdmMySQL& session) {
    TSettings settings = NewFileRules();
    WriteFileBytes(home_.File("awards.xml"), "<?xml version=\"1.0\"?><awards/>");
    settings.AwardsFile = home_.File("awards.xml");
    ASSERT_EQ(EnumeratePilots(session, settings, TAwardEvaluator()), 1);
  }

  ProgramHome home_;
  std::unique_ptr<TestDatabase> db_;
  TdmMySQL session_;
};

TEST_F(SortieIndexCheckTest, OnlyAnIndexLedByPilotIdCounts) {
  EXPECT_EQ(SortiesHavePilotIndex(session_), false);

  db_->Exec("create index by_id_then_pilot on sorties (id, pilotid)");
  EXPECT_EQ(SortiesHavePilotIndex(session_), false) << "pilotid second does not help the walk";

  db_->Exec("create index by_pilot on sorties (PilotID)");
  EXPECT_EQ(SortiesHavePilotIndex(session_), true) << "column names compare without case";
  EXPECT_FALSE(session_.SQLQueryService.Active());

  DropSecondaryIndexes();
  db_->Exec(kCreateSortiesPilotIndex);
  EXPECT_EQ(SortiesHavePilotIndex(session_), true) << "the advised statement must satisfy the check";
}

TEST_F(SortieIndexCheckTest, PassWithoutTheIndexAdvisesOnceAndStillComputes) {
  RunPass();
  EXPECT_EQ(WarningCount(), 1);
  EXPECT_EQ(db_->Value("select concat(realrank, ':', lastsortie) from pilots where id = 1"), "0:11");

  // Later passes over the same database, on any session, say it no more.
  RunPassAgain(session_);
  TdmMySQL another;
  ASSERT_TRUE(ConnectDatabase(another, db_->Entry()));
  RunPassAgain(another);
  EXPECT_EQ(WarningCount(), 1);
}

TEST_F(SortieIndexCheckTest, PassWithTheIndexSaysNothing) {
  db_->Exec(kCreateSortiesPilotIndex);
  RunPass();
  EXPECT_EQ(WarningCount(), 0);
}

TEST_F(SortieIndexCheckTest, UnanswerableCheckStaysSilent) {
  db_->Exec("drop table sorties");
  EXPECT_EQ(SortiesHavePilotIndex(session_), std::nullopt);
  WarnWhenSortiesLackPilotIndex(session_);
  EXPECT_EQ(WarningCount(), 0);
  EXPECT_FALSE(session_.SQLQueryService.Active());
}

}  // namespace
}  // namespace sky::test
