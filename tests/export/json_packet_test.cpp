// The JSON of real statements on the throwaway database (value forms by
// column type, NULLs, repeated names, an empty result, failures) and of rows
// held in memory (texts that are not valid UTF-8).
#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <string>
#include <vector>

#include "db/query.h"
#include "db/session.h"
#include "export/dataset_statement.h"
#include "export/json_packet.h"
#include "support/program_home.h"
#include "support/test_db.h"

namespace sky {
namespace {

// Fails the test when `json` does not parse.
void ExpectValidJson(const std::string& json) {
  rapidjson::Document doc;
  doc.Parse(json.data(), json.size());
  EXPECT_FALSE(doc.HasParseError()) << json;
  EXPECT_TRUE(doc.IsObject() && doc.HasMember("rows") && doc["rows"].IsArray()) << json;
}

class JsonPacketTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SKY_REQUIRE_DB();
    db_ = std::make_unique<test::TestDatabase>();
    ASSERT_TRUE(ConnectDatabase(session_, db_->Entry()));
  }

  // The statement's JSON, or "failed".
  std::string Json(const std::string& sql) {
    std::string json;
    if (!RunAnyDataSet(session_, sql, nullptr, [&json](TQuery& query) { WriteJsonPacket(query, json); })) {
      return "failed";
    }
    ExpectValidJson(json);
    return json;
  }

  test::ProgramHome home_;
  std::unique_ptr<test::TestDatabase> db_;
  TDbThreadScope thread_scope_;
  TdmMySQL session_;
};

TEST_F(JsonPacketTest, ValuesFollowTheColumnType) {
  db_->Exec("create table z (n int(4) zerofill, d decimal(6,2) zerofill, m decimal(5,2))");
  db_->Exec("insert into z values (7, 12.5, -0.5)");
  db_->Exec(R"(insert into pilots (id, callsign) values (1, 'Сокол "Я" \\ \t'))");
  const struct {
    const char* expression;
    const char* json;
  } cases[] = {
      {"-42", "-42"},
      {"cast(18446744073709551615 as unsigned)", "18446744073709551615"},
      {"cast(0.1 as double)", "0.1"},
      {"cast(1e20 as double)", "1E20"},
      {"cast(1 as double) / 3", "0.333333333333333"},
      {"cast(12.500 as decimal(10,3))", "12.500"},
      {"(select n from z)", "7"},
      {"(select d from z)", "12.50"},
      {"(select m from z)", "-0.50"},
      {"cast('2026-12-06' as date)", R"("2026-12-06")"},
      {"cast('2026-12-06 21:05:09.75' as datetime(2))", R"("2026-12-06T21:05:09")"},
      {"cast('2026-12-06 00:00:00' as datetime)", R"("2026-12-06T00:00:00")"},
      {"cast('07:08:09' as time)", R"("07:08:09")"},
      {"cast('-838:59:59' as time)", R"("-838:59:59")"},
      {"(select callsign from pilots)", R"("Сокол \"Я\" \\ \t")"},
      {"null", "null"},
      {"x'00AB10'", R"("00AB10")"},
      {"cast('abc' as binary)", R"("abc")"},
  };
  std::string sql = "select ";
  std::string expected = R"({"rows":[{)";
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const std::string name = "c" + std::to_string(i);
    sql += (i ? ", " : "") + std::string(cases[i].expression) + " as " + name;
    expected += (i ? "," : "") + ("\"" + name + "\":") + cases[i].json;
  }
  EXPECT_EQ(Json(sql), expected + "}]}");
}

TEST_F(JsonPacketTest, RowsNullsAndRepeatedNames) {
  db_->Exec("insert into pilots (id, callsign) values (7, 'Falcon'), (9, '')");
  const struct {
    const char* sql;
    const char* json;
  } cases[] = {
      {"select id, callsign from pilots where id < 0", R"({"rows":[]})"},
      {"select id, nullif(callsign, '') as callsign from pilots order by id",
       R"({"rows":[{"id":7,"callsign":"Falcon"},{"id":9,"callsign":null}]})"},
      {"select 1 as a, null as b, 2 as a, null as a", R"({"rows":[{"a":2,"b":null}]})"},
      {"select null as a, null as a", R"({"rows":[{"a":null}]})"},
      {"select count(*), 1 as `x:y` from pilots", R"j({"rows":[{"count(*)":2,"x:y":1}]})j"},
      {"select nonsense from nowhere", "failed"},
  };
  for (const auto& [sql, json] : cases) EXPECT_EQ(Json(sql), json) << sql;
  EXPECT_FALSE(session_.mySQLQuery1.Active());
}

TEST(JsonPacketRows, BrokenUtf8IsRepairedAndControlsEscaped) {
  TdmMySQL session;
  TQuery& query = session.mySQLQuery1;
  query.OpenRows({"na\xFFme", "v"}, {{std::string("a\xC3"), std::string("\x01\x1F\x7F")}});
  std::string json;
  WriteJsonPacket(query, json);
  EXPECT_EQ(json, "{\"rows\":[{\"na?me\":\"a?\",\"v\":\"\\u0001\\u001F\x7F\"}]}");
  ExpectValidJson(json);
}

}  // namespace
}  // namespace sky
