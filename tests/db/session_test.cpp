// The session against the throwaway server: connecting, column checks,
// results, parameters on the wire, and sessions on several threads.
#include <gtest/gtest.h>

#include <thread>

#include "db/db_error.h"
#include "db/field.h"
#include "db/query.h"
#include "db/session.h"
#include "support/program_home.h"
#include "support/test_db.h"

namespace sky {
namespace {

using test::TestDatabase;

class Session : public ::testing::Test {
 protected:
  void SetUp() override {
    SKY_REQUIRE_DB();
    db_ = std::make_unique<TestDatabase>();
    home_.SetLogLevel(20);
    home_.ClearLog();
  }
  bool Connect(TdmMySQL& session) { return ConnectDatabase(session, db_->Entry()); }

  test::ProgramHome home_;
  std::unique_ptr<TestDatabase> db_;
};

TEST_F(Session, AWrongPasswordLogsOnceAndSendsNothing) {
  TdmMySQL session;
  int sent = 0;
  session.SetStatementObserver([&](const std::string&) { ++sent; });
  EXPECT_FALSE(ConnectDatabase(session, db_->EntryWithPassword("wrong")));
  EXPECT_FALSE(session.Connected());
  const auto lines = home_.LogLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind("TS\tERROR connecting to MySQL:\tAccess denied", 0), 0u) << lines[0];
  EXPECT_THROW(session.SQLQueryPilots.Open(), TDbError);
  EXPECT_EQ(sent, 0);
}

TEST_F(Session, PilotFieldExistsChecksSilentlyAndLeavesTheQueryClosed) {
  TdmMySQL session;
  ASSERT_TRUE(Connect(session));
  EXPECT_TRUE(PilotFieldExists(session, "callsign"));
  EXPECT_FALSE(session.SQLQueryService.Active());
  EXPECT_FALSE(PilotFieldExists(session, "realrank"));
  EXPECT_FALSE(session.SQLQueryService.Active());
  db_->AddRankColumns();
  EXPECT_TRUE(PilotFieldExists(session, "realrank"));
  EXPECT_TRUE(home_.LogLines().empty());
}

TEST_F(Session, ResultsFieldsAndNulls) {
  db_->Exec("insert into pilots (id, callsign, ArmyID) values (1, 'Сокол', 1), (2, 'b', 2)");
  db_->Exec("insert into sorties (id, pilotid, starttime, SortieEND, eAir) values "
            "(10, 1, '2026-03-01 14:05:09', 'TKON', null)");
  TdmMySQL session;
  ASSERT_TRUE(Connect(session));
  TQuery& q = session.mySQLQuery1;
  q.SetText("select * from sorties where pilotid = :pilot");
  q.ParamByName("PILOT").SetInteger(1);
  q.Open();
  ASSERT_TRUE(q.Active());
  ASSERT_FALSE(q.Eof());
  EXPECT_EQ(q.FieldByName("ID").AsInteger(), 10);
  EXPECT_EQ(q.FieldByName("sortieend").AsString(), "TKON");
  EXPECT_TRUE(q.FieldByName("eAir").IsNull());
  EXPECT_EQ(q.FieldByName("eAir").AsInteger(), 0);
  EXPECT_EQ(q.FieldByName("endtime").AsDateTime(), 0.0);
  EXPECT_EQ(FormatDateTime(q.FieldByName("starttime").AsDateTime()), "01.03.2026 14:05:09");
  EXPECT_EQ(q.FieldByName("starttime").Type(), TFieldType::kDateTime);
  EXPECT_THROW(q.FieldByName("nosuchcolumn"), TDbError);
  q.Next();
  EXPECT_TRUE(q.Eof());
  q.Close();
  q.Close();  // closing twice is harmless

  q.SetText("select callsign from pilots where callsign = :c");
  q.ParamByName("c").SetText("Сокол");
  q.Open();
  ASSERT_FALSE(q.IsEmpty());
  EXPECT_EQ(q.Field(0).AsString(), "Сокол");
  q.Close();
}

TEST_F(Session, TextParametersReachTheServerAsLiterals) {
  db_->Exec("insert into pilots (id, callsign) values (1, 'O''Brien'), (2, 'a\\\\b'), (3, '')");
  TdmMySQL session;
  ASSERT_TRUE(Connect(session));
  TQuery& q = session.mySQLQuery1;
  q.SetText("select id from pilots where callsign = :c");
  for (const auto& [value, id] : std::vector<std::pair<std::string, int>>{
           {"O'Brien", 1}, {"a\\b", 2}, {"", 3}}) {
    q.Close();
    q.ParamByName("c").SetText(value);
    q.Open();
    ASSERT_FALSE(q.Eof()) << value;
    EXPECT_EQ(q.Field(0).AsInteger(), id) << value;
  }
  q.Close();
  q.ParamByName("c").SetText("x' or '1'='1");
  q.Open();
  EXPECT_TRUE(q.IsEmpty());
  q.Close();
  EXPECT_EQ(db_->Value("select count(*) from pilots"), "3");
}

// Whatever the server's quoting mode, a text comes back exactly as it was
// bound and never changes the statement's shape.
TEST_F(Session, TextValuesRoundTripWithAndWithoutBackslashEscapes) {
  using namespace std::string_literals;
  TdmMySQL session;
  ASSERT_TRUE(Connect(session));
  const std::vector<std::string> values = {
      "O'Brien", "a\\b", "", "\\' or 1=1 -- ", "a\\', 'injected", "'; drop table pilots; #",
      "nul\0tab\tlf\ncr\r\"dq\""s, "Сокол"};
  TQuery& q = session.mySQLQuery1;
  for (const char* mode : {"", "NO_BACKSLASH_ESCAPES"}) {
    session.SQLQueryService.SetText(std::string("set session sql_mode = '") + mode + "'");
    session.SQLQueryService.ExecSQL();
    EXPECT_EQ(session.BackslashEscapes(), *mode == 0);
    q.SetText("select :v as v, 2 as two");
    for (const auto& value : values) {
      q.Close();
      q.ParamByName("v").SetText(value);
      q.Open();
      ASSERT_EQ(q.FieldCount(), 2) << mode << " " << value;
      EXPECT_EQ(q.FieldByName("v").AsString(), value) << mode;
    }
    q.Close();
  }
  EXPECT_EQ(db_->Value("select count(*) from pilots"), "0");
}

TEST_F(Session, LoadingClientFilesIsRefused) {
  db_->Exec("create table loaded (line text)");
  TdmMySQL session;
  ASSERT_TRUE(Connect(session));
  session.SQLQueryService.SetText("load data local infile '/etc/hostname' into table loaded");
  EXPECT_THROW(session.SQLQueryService.ExecSQL(), TDbError);
  EXPECT_EQ(db_->Value("select count(*) from loaded"), "0");
}

TEST_F(Session, IntegersOutsideTheRangeRaise) {
  TdmMySQL session;
  ASSERT_TRUE(Connect(session));
  TQuery& q = session.mySQLQuery1;
  q.SetText("select 18446744073709551615 as big, -9223372036854775808 as low, 2.9 as frac, 'x' as txt");
  q.Open();
  EXPECT_THROW(q.FieldByName("big").AsInteger(), TDbError);
  EXPECT_EQ(q.FieldByName("low").AsInteger(), INT64_MIN);
  EXPECT_EQ(q.FieldByName("frac").AsInteger(), 2);
  EXPECT_THROW(q.FieldByName("txt").AsInteger(), TDbError);
  EXPECT_EQ(q.FieldByName("big").AsString(), "18446744073709551615");
}

TEST_F(Session, ASecondStatementIsReadWhileTheFirstStaysPositioned) {
  db_->Exec("insert into pilots (id, callsign, ArmyID) values (1, 'one', 1)");
  db_->Exec("insert into sorties (id, pilotid) values (1, 1), (2, 1), (3, 1)");
  TdmMySQL session;
  ASSERT_TRUE(Connect(session));
  session.SQLQueryCheckPilot.ParamByName("p_pilot_id").SetInteger(1);
  session.SQLQueryCheckPilot.ParamByName("p_last_sortie").SetInteger(2);
  session.SQLQueryCheckPilot.Open();
  EXPECT_EQ(session.SQLQueryCheckPilot.FieldByName("id").AsInteger(), 2);
  session.SQLQueryGetPilot.ParamByName("pilot_id").SetInteger(1);
  session.SQLQueryGetPilot.Open();
  EXPECT_EQ(session.SQLQueryGetPilot.FieldByName("callsign").AsString(), "one");
  session.SQLQueryGetPilot.Close();
  EXPECT_EQ(session.SQLQueryCheckPilot.FieldByName("id").AsInteger(), 2);
  session.SQLQueryCheckPilot.Next();
  EXPECT_EQ(session.SQLQueryCheckPilot.FieldByName("id").AsInteger(), 3);
  session.SQLQueryCheckPilot.First();
  EXPECT_EQ(session.SQLQueryCheckPilot.FieldByName("id").AsInteger(), 2);
}

TEST_F(Session, ExecuteCountsRowsAndRejectedStatementsCarryTheServersText) {
  db_->Exec("insert into pilots (id, callsign) values (1, 'a'), (2, 'b'), (3, 'c')");
  TdmMySQL session;
  ASSERT_TRUE(Connect(session));
  session.SQLQueryUpdate.SetText("update pilots set score = 5 where id < 3");
  session.SQLQueryUpdate.ExecSQL();
  EXPECT_EQ(session.SQLQueryUpdate.RowsAffected(), 2u);
  session.SQLQueryUpdate.SetText("update pilots set nosuch = 1");
  try {
    session.SQLQueryUpdate.ExecSQL();
    FAIL() << "expected an error";
  } catch (const TDbError& error) {
    EXPECT_NE(std::string(error.what()).find("nosuch"), std::string::npos) << error.what();
  }
  EXPECT_TRUE(home_.LogLines().empty());  // the session never logs by itself
}

TEST_F(Session, SessionsOnTwoThreadsWorkIndependently) {
  db_->Exec("insert into pilots (id, callsign) values (1, 'a'), (2, 'b')");
  auto worker = [this](int id, int& found) {
    TDbThreadScope scope;
    TdmMySQL session;
    if (!ConnectDatabase(session, db_->Entry())) return;
    for (int i = 0; i < 200; ++i) {
      session.SQLQueryGetPilot.Close();
      session.SQLQueryGetPilot.ParamByName("pilot_id").SetInteger(id);
      session.SQLQueryGetPilot.Open();
      if (session.SQLQueryGetPilot.FieldByName("id").AsInteger() == id) ++found;
    }
  };
  int first = 0, second = 0;
  std::thread a(worker, 1, std::ref(first));
  std::thread b(worker, 2, std::ref(second));
  a.join();
  b.join();
  EXPECT_EQ(first, 200);
  EXPECT_EQ(second, 200);
}

}  // namespace
}  // namespace sky
