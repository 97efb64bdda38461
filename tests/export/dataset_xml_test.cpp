// The data packet of real statements on the throwaway database: its shape,
// the value texts by column type, parameter binding and failures.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "base/encoding.h"
#include "db/query.h"
#include "db/session.h"
#include "export/dataset_xml.h"
#include "support/program_home.h"
#include "support/test_db.h"
#include "xml/xml_document.h"

namespace sky {
namespace {

constexpr char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"windows-1251\"?>";

class DataPacketTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SKY_REQUIRE_DB();
    db_ = std::make_unique<test::TestDatabase>();
    home_.SetLogLevel(10);
    ASSERT_TRUE(ConnectDatabase(session_, db_->Entry()));
    session_.SetStatementObserver([this](const std::string& sql) { sent_.push_back(sql); });
  }

  // Runs the statement; the packet's bytes go to packet_, and on success it
  // is parsed into doc_.
  bool Export(const std::string& sql, const std::vector<std::string>* params = nullptr) {
    std::ostringstream out;
    home_.ClearLog();
    bool ok = GetAnyDataSetXML(session_, sql, out, params);
    packet_ = out.str();
    if (ok) {
      EXPECT_TRUE(doc_.LoadText(packet_)) << packet_;
    }
    return ok;
  }

  std::vector<TXmlNode> Rows() const { return doc_.SelectAll("/DATAPACKET/ROWDATA/ROW"); }

  std::vector<std::string> LinesAt(const std::string& message) const {
    std::vector<std::string> found;
    for (const std::string& line : home_.LogLines()) {
      if (line.rfind("TS\t" + message + "\t", 0) == 0) found.push_back(line);
    }
    return found;
  }

  test::ProgramHome home_;
  std::unique_ptr<test::TestDatabase> db_;
  TDbThreadScope thread_scope_;
  TdmMySQL session_;
  std::vector<std::string> sent_;
  std::string packet_;
  TXmlDocument doc_;
};

TEST_F(DataPacketTest, EmptyResultGivesDeclarationRootAndEmptyRowData) {
  ASSERT_TRUE(Export("select id, callsign from pilots"));
  EXPECT_EQ(packet_.rfind(kDeclaration, 0), 0u) << packet_;
  TXmlNode root = doc_.Root();
  EXPECT_EQ(root.Name(), "DATAPACKET");
  ASSERT_EQ(root.Attributes().size(), 1u);
  EXPECT_EQ(root.Attribute("Version"), "2.0");
  EXPECT_FALSE(doc_.SelectFirst("/DATAPACKET/ROWDATA").IsNull());
  EXPECT_EQ(doc_.SelectAll("/DATAPACKET/*").size(), 1u);
  EXPECT_TRUE(doc_.SelectAll("/DATAPACKET/ROWDATA/node()").empty());
  EXPECT_FALSE(session_.mySQLQuery1.Active());
}

TEST_F(DataPacketTest, RowsKeepOrderAndNullColumnsGiveNoAttribute) {
  db_->Exec("insert into pilots (id, callsign) values (7, 'Falcon'), (9, '')");
  ASSERT_TRUE(Export(
      "select id, case when id = 9 then null else callsign end as callsign from pilots order by id"));
  std::vector<TXmlNode> rows = Rows();
  ASSERT_EQ(rows.size(), 2u);
  using Attrs = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(rows[0].Attributes(), (Attrs{{"id", "7"}, {"callsign", "Falcon"}}));
  EXPECT_EQ(rows[1].Attributes(), (Attrs{{"id", "9"}}));

  ASSERT_TRUE(Export("select null as a, null as b"));
  ASSERT_EQ(Rows().size(), 1u);
  EXPECT_TRUE(Rows()[0].Attributes().empty());
}

TEST_F(DataPacketTest, TextsSurviveAsWellFormedWindows1251) {
  const std::string cyrillic = "Сокол_22";
  const std::string awkward = "He said \"go\" & 'Q' <now> Я";
  db_->Exec("insert into pilots (id, callsign) values (1, '" + cyrillic + "'), (2, 'He said \"go\" & \\'Q\\' <now> Я')");
  ASSERT_TRUE(Export("select callsign from pilots order by id"));
  EXPECT_NE(packet_.find(Utf8ToCp1251(cyrillic)), std::string::npos) << "Cyrillic is written as Windows-1251 bytes";
  EXPECT_EQ(packet_.find(cyrillic), std::string::npos) << "no UTF-8 bytes in the packet";
  std::vector<TXmlNode> rows = Rows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].Attribute("callsign"), cyrillic);
  EXPECT_EQ(rows[1].Attribute("callsign"), awkward);
}

TEST_F(DataPacketTest, ValueTextsFollowTheColumnType) {
  ASSERT_TRUE(Export(
      "select -42 as i, cast(18446744073709551615 as unsigned) as big, cast(0.1 as double) as f,"
      " cast(1e20 as double) as fbig, cast(1 as double) / 3 as third, cast(12.500 as decimal(10,3)) as d,"
      " cast('2026-12-06' as date) as dt, cast('2026-12-06 21:05:09.75' as datetime(2)) as ts,"
      " cast('2026-12-06 00:00:00' as datetime) as midnight, cast('07:08:09' as time) as tm,"
      " 'x' as s"));
  ASSERT_EQ(Rows().size(), 1u);
  using Attrs = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(Rows()[0].Attributes(), (Attrs{{"i", "-42"},
                                           {"big", "18446744073709551615"},
                                           {"f", "0.1"},
                                           {"fbig", "1E20"},
                                           {"third", "0.333333333333333"},
                                           {"d", "12.500"},
                                           {"dt", "06.12.2026"},
                                           {"ts", "06.12.2026 21:05:09"},
                                           {"midnight", "06.12.2026"},
                                           {"tm", "07:08:09"},
                                           {"s", "x"}}));
}

TEST_F(DataPacketTest, RequestValuesBindByNameWithoutCaseAsEscapedLiterals) {
  const std::string hostile = "1' or '1'='1";
  std::vector<std::string> params = {"qid=3", "PILOT=" + hostile, "srvid=1"};
  ASSERT_TRUE(Export("select :pilot as v, :Other as w", &params));
  ASSERT_EQ(Rows().size(), 1u);
  EXPECT_EQ(Rows()[0].Attribute("v"), hostile) << "the value came back as the text it was";
  EXPECT_FALSE(Rows()[0].Attribute("w").has_value()) << "an unnamed parameter is NULL";
  ASSERT_FALSE(sent_.empty());
  EXPECT_EQ(sent_.back(), "select '1\\' or \\'1\\'=\\'1' as v, NULL as w");

  std::vector<std::string> lines = LinesAt("AParams");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("qid=3"), std::string::npos);
  EXPECT_EQ(LinesAt("SQL = ").size(), 1u);
  ASSERT_EQ(LinesAt("SQLQuery1.Params.Count").size(), 1u);
  EXPECT_EQ(LinesAt("SQLQuery1.Params.Count")[0], "TS\tSQLQuery1.Params.Count\t2");
}

TEST_F(DataPacketTest, LinesThatNameNothingBindNothing) {
  std::vector<std::string> without_equals = {"p", "=5"};
  ASSERT_TRUE(Export("select :p as v", &without_equals));
  EXPECT_FALSE(Rows()[0].Attribute("v").has_value());
  EXPECT_EQ(LinesAt("AParams").size(), 1u);

  std::vector<std::string> unused = {"p=5"};
  ASSERT_TRUE(Export("select 1 as v", &unused));
  EXPECT_EQ(Rows()[0].Attribute("v"), "1");
  EXPECT_TRUE(LinesAt("AParams").empty()) << "no parameters in the statement: nothing bound, nothing logged";
}

TEST_F(DataPacketTest, FailuresGiveFalseAndOneLevelZeroLine) {
  home_.SetLogLevel(0);
  EXPECT_FALSE(Export("select nonsense from nowhere"));
  std::vector<std::string> all = home_.LogLines();
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].rfind("TS\tGetAnyDataSetXML\t", 0), 0u);
  EXPECT_GT(all[0].size(), std::string("TS\tGetAnyDataSetXML\t").size()) << "the failure text is the detail";
  EXPECT_FALSE(session_.mySQLQuery1.Active());

  db_->Exec("insert into pilots (id, callsign) values (1, 'a')");
  EXPECT_FALSE(Export("select count(*) from pilots")) << "count(*) is no attribute name";
  all = home_.LogLines();
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].rfind("TS\tGetAnyDataSetXML\t", 0), 0u);
  EXPECT_NE(all[0].find("count(*)"), std::string::npos);

  EXPECT_TRUE(Export("select count(*) as n from pilots")) << "the session is usable after a failure";
  EXPECT_EQ(Rows()[0].Attribute("n"), "1");
}

TEST_F(DataPacketTest, SaveRewindsAnOpenQuery) {
  db_->Exec("insert into pilots (id, callsign) values (1, 'a'), (2, 'b')");
  TQuery& query = session_.mySQLQuery1;
  query.SetText("select id from pilots order by id");
  query.Open();
  query.Next();
  std::ostringstream out;
  SaveDataSetXML(query, out);
  ASSERT_TRUE(doc_.LoadText(out.str()));
  EXPECT_EQ(Rows().size(), 2u);
}

}  // namespace
}  // namespace sky
