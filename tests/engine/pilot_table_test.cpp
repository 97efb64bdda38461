// Upkeep of the pilots table's service columns.
#include "engine/pilot_table.h"
#include "engine/rank_pass.h"
#include "engine_fixture.h"
#include "settings/settings_store.h"

namespace sky::test {
namespace {

class PilotTable : public EngineDbTest {
 protected:
  void DropRankColumns() const {
    db_->Exec("alter table pilots drop column realrank, drop column lastsortie, drop column awards");
  }
  bool HasColumn(const std::string& column) const {
    return db_->Value("select count(*) from information_schema.columns where table_schema = '" +
                      db_->Name() + "' and table_name = 'pilots' and column_name = '" + column +
                      "'") == "1";
  }
};

TEST_F(PilotTable, PresentColumnsAreOnlyChecked) {
  EXPECT_TRUE(EnsurePilotFields(session_));
  EXPECT_EQ(sent_, (std::vector<std::string>{"select realrank from pilots where 0 = 1",
                                             "select lastsortie from pilots where 0 = 1",
                                             "select awards from pilots where 0 = 1"}));
}

TEST_F(PilotTable, AMissingColumnIsAddedAndLogged) {
  db_->Exec("alter table pilots drop column awards");
  home_.SetLogLevel(0);
  EXPECT_TRUE(EnsurePilotFields(session_));
  EXPECT_EQ(sent_, (std::vector<std::string>{"select realrank from pilots where 0 = 1",
                                             "select lastsortie from pilots where 0 = 1",
                                             "select awards from pilots where 0 = 1",
                                             "alter table pilots add awards integer"}));
  EXPECT_EQ(Log(), (std::vector<std::string>{"TS\tNEW FIELD HAS BEEN ADDED\tawards"}));
  EXPECT_TRUE(HasColumn("awards"));
}

TEST_F(PilotTable, AFailedAdditionStopsTheLaterOnes) {
  DropRankColumns();
  // A user who may read and update but not alter the table.
  const std::string user = "ro_" + db_->Name();
  db_->Exec("create user '" + user + "'@'%' identified by 'ro'");
  db_->Exec("grant select, update on " + db_->Name() + ".* to '" + user + "'@'%'");
  TServerEntry restricted = db_->Entry();
  restricted.User = user;
  restricted.Pass = "ro";
  bool ensured = true;
  std::vector<std::string> sent;
  {
    TdmMySQL session;
    ASSERT_TRUE(ConnectDatabase(session, restricted));
    session.SetStatementObserver([&sent](const std::string& sql) { sent.push_back(sql); });
    home_.SetLogLevel(0);
    ensured = EnsurePilotFields(session);
  }
  db_->Exec("drop user '" + user + "'@'%'");

  EXPECT_FALSE(ensured);
  EXPECT_EQ(sent, (std::vector<std::string>{"select realrank from pilots where 0 = 1",
                                            "alter table pilots add realrank integer",
                                            "select lastsortie from pilots where 0 = 1",
                                            "select awards from pilots where 0 = 1"}));
  auto lines = Log();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind("TS\tERROR adding a new field to pilot table : realrank\t", 0), 0u)
      << lines[0];
  EXPECT_GT(lines[0].size(), std::string("TS\tERROR adding a new field to pilot table : realrank\t").size());
  EXPECT_FALSE(HasColumn("realrank"));
  EXPECT_FALSE(HasColumn("lastsortie"));
}

TEST_F(PilotTable, NullRanksOfHumansBecomeZero) {
  db_->Exec("insert into pilots (id, callsign, class, ArmyID) values (1, 'a', 'Human pilot', 1), "
            "(2, 'b', 'Human pilot', 2), (3, 'c', 'AI', 1)");
  db_->Exec("insert into pilots (id, callsign, class, ArmyID, realrank) values (4, 'd', 'Human pilot', 1, 3)");
  EXPECT_EQ(FixNullRanks(session_), 2);
  EXPECT_EQ(db_->Column("select ifnull(realrank, 'NULL') from pilots order by id"),
            (std::vector<std::string>{"0", "0", "NULL", "3"}));
  EXPECT_EQ(FixNullRanks(session_), 0);
}

TEST_F(PilotTable, FailuresOfTheFixAndTheClearAreLoggedAndReported) {
  DropRankColumns();
  home_.SetLogLevel(0);
  EXPECT_EQ(FixNullRanks(session_), 0);
  EXPECT_FALSE(ClearRanks(session_));
  auto lines = Log();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].rfind("TS\tОшибка в FixNullRanks\t", 0), 0u) << lines[0];
  EXPECT_EQ(lines[1].rfind("TS\tERROR clear ranks failed!\t", 0), 0u) << lines[1];
}

TEST_F(PilotTable, ResetClearsEveryPilotAlsoInDebugMode) {
  db_->Exec("insert into pilots (id, callsign, class, ArmyID, realrank, lastsortie, awards) values "
            "(1, 'a', 'Human pilot', 1, 3, 105, 5), (2, 'b', 'AI', 0, 1, 7, 1)");
  settings_.Debug = true;
  SetFieldsChecked(true);
  home_.SetLogLevel(3);
  EXPECT_TRUE(ResetDatabase(settings_, db_->Entry()));
  EXPECT_EQ(Stored(1), "0:0:0");
  EXPECT_EQ(Stored(2), "0:0:0");
  EXPECT_EQ(Log(), (std::vector<std::string>{"TS\tMySQL host for reset:\t" + db_->Entry().Host}));
}

TEST_F(PilotTable, ResetAddsMissingColumnsFirst) {
  DropRankColumns();
  db_->Exec("insert into pilots (id, callsign, class, ArmyID) values (1, 'a', 'Human pilot', 1)");
  EXPECT_FALSE(FieldsChecked());
  EXPECT_TRUE(ResetDatabase(settings_, db_->Entry()));
  EXPECT_TRUE(FieldsChecked());
  EXPECT_EQ(Stored(1), "0:0:0");
}

TEST_F(PilotTable, AResetThatCannotClearSaysSo) {
  DropRankColumns();
  SetFieldsChecked(true);  // as if another program had dropped them after a pass
  home_.SetLogLevel(0);
  bool cleared = true;
  EXPECT_TRUE(ResetDatabase(settings_, db_->Entry(), &cleared)) << "reached";
  EXPECT_FALSE(cleared);
  ASSERT_FALSE(Log().empty());
  EXPECT_EQ(Log().back().rfind("TS\tERROR clear ranks failed!\t", 0), 0u);
}

TEST_F(PilotTable, ResetOfAnUnreachableDatabaseChangesNothing) {
  home_.SetLogLevel(0);
  bool cleared = true;
  EXPECT_FALSE(ResetDatabase(settings_, db_->EntryWithPassword("wrong"), &cleared));
  EXPECT_FALSE(cleared);
  auto lines = Log();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].rfind("TS\tERROR connecting to MySQL:\t", 0), 0u) << lines[0];
  EXPECT_EQ(lines[1], "TS\tnot connected to MySQL\t");
  EXPECT_FALSE(FieldsChecked());
}

TEST_F(PilotTable, OnlyTheFirstDatabaseOfARunIsChecked) {
  AddPilot(1, "Первый");
  TestDatabase second;  // without the service's columns
  second.Exec("insert into pilots (id, callsign, class, ArmyID) values (1, 'Второй', 'Human pilot', 1)");
  home_.SetLogLevel(0);

  EXPECT_TRUE(CalculateDatabase(settings_, db_->Entry(), TPassOptions{}).Enumerated);
  EXPECT_TRUE(FieldsChecked());
  home_.ClearLog();
  // The pass of the second database finds no columns: the pilot loop ends.
  EXPECT_TRUE(CalculateDatabase(settings_, second.Entry(), TPassOptions{}).Enumerated);
  auto lines = Log();
  ASSERT_EQ(lines.size(), 3u) << ::testing::PrintToString(lines);
  EXPECT_EQ(lines[0], "TS\tРасчет сервера:\t" + second.Entry().Host);
  EXPECT_EQ(lines[1].rfind("TS\tОшибка в FixNullRanks\t", 0), 0u) << lines[1];
  EXPECT_EQ(lines[2].rfind("TS\tERROR Enumeration pilots:\t", 0), 0u) << lines[2];
  EXPECT_EQ(second.Value("select count(*) from information_schema.columns where table_schema = '" +
                         second.Name() + "' and column_name = 'realrank'"),
            "0");
}

}  // namespace
}  // namespace sky::test
