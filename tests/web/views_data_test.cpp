// The views that read a statistics database, through a running web server:
// pilot list, pilot history, configured queries and pilot statistics, each
// on the database its srvid chooses.
#include <gtest/gtest.h>
#include <fmt/format.h>
#include <rapidjson/document.h>

#include <filesystem>
#include <map>
#include <set>
#include <memory>

#include "base/encoding.h"
#include "support/stat_rows.h"
#include "support/test_db.h"
#include "web/http_test_client.h"
#include "web/views_answers.h"
#include "xml/xml_document.h"

namespace sky {
namespace {

using test::BodyOf;
using test::Get;
using test::HeadOf;
using test::kXmlHead;
using Attrs = std::vector<std::pair<std::string, std::string>>;

// "dd.mm.yyyy hh:nn:ss" as ISO 8601; any other text as it is.
std::string Iso(const std::string& text) {
  if (text.size() != 19 || text[2] != '.') return text;
  return text.substr(6, 4) + "-" + text.substr(3, 2) + "-" + text.substr(0, 2) + "T" + text.substr(11);
}

// Every attribute of the element and of its descendants stands in the JSON
// object with its value (a number, "1" as true, a date-time in ISO 8601);
// keys the element lacks are null or false; the child elements are the
// objects under their keys.
void ExpectSameHistory(TXmlNode element, const rapidjson::Value& object) {
  static const std::map<std::string, std::string> kKeys = {
      {"strik", "lives"}, {"sortie", "sorties"}, {"details", "details"}, {"newrank", "newrank"}};
  std::set<std::string> attributes;
  for (const auto& [name, text] : element.Attributes()) {
    ASSERT_TRUE(object.HasMember(name.c_str())) << element.Name() << "/@" << name;
    const rapidjson::Value& value = object[name.c_str()];
    const std::string json = value.IsString() ? value.GetString()
                             : value.IsBool() ? (value.GetBool() ? "1" : "0")
                                              : std::to_string(value.GetInt64());
    EXPECT_EQ(json, Iso(text)) << element.Name() << "/@" << name;
    attributes.insert(name);
  }
  std::map<std::string, std::vector<TXmlNode>> children;
  for (TXmlNode child : element.ChildElements()) children[kKeys.at(child.Name())].push_back(child);
  for (const auto& member : object.GetObject()) {
    const std::string key = member.name.GetString();
    const rapidjson::Value& value = member.value;
    const std::vector<TXmlNode>& nodes = children[key];
    if (value.IsArray()) {
      ASSERT_EQ(value.Size(), nodes.size()) << key;
      for (rapidjson::SizeType i = 0; i < value.Size(); ++i) ExpectSameHistory(nodes[i], value[i]);
    } else if (value.IsObject()) {
      ASSERT_EQ(nodes.size(), 1u) << key;
      ExpectSameHistory(nodes[0], value);
    } else if (!attributes.contains(key)) {
      EXPECT_TRUE(value.IsNull() || value.IsFalse()) << element.Name() << ": " << key;
      EXPECT_TRUE(nodes.empty()) << key;
    }
  }
}

class DataViews : public ::testing::Test {
 protected:
  void SetUp() override {
    SKY_REQUIRE_DB();
    one_ = std::make_unique<test::TestDatabase>();
    two_ = std::make_unique<test::TestDatabase>();
    one_->AddRankColumns();
    two_->AddRankColumns();
    WriteSettings({"1", "2"});
    std::filesystem::create_directories(web_.home.File("queries"));
    WriteQuery("by_name.sql", Utf8ToCp1251("-- пилоты с данным позывным\nselect id, callsign from pilots where callsign = :name order by id"));
    WriteQuery("broken.sql", "select nonsense from nowhere");
    WriteQuery("cp1251.sql", Utf8ToCp1251("select 'Сокол' as c"));
    WriteQuery("utf8.sql", "\xEF\xBB\xBF" "select 'Ястреб' as c");
  }

  // Databases one and two under the given ids, then database one once more
  // with a wrong password under id 3.
  void WriteSettings(const std::vector<std::string>& ids) {
    test::SettingsDocument document;
    document.servers = {one_->Entry(), two_->Entry(), one_->EntryWithPassword("wrong-password")};
    document.servers[0].Id = ids[0];
    document.servers[1].Id = ids[1];
    document.servers[2].Id = "3";
    TSettings& rules = document.settings;
    rules.AdminPort = 0;
    rules.AdminPassword = "pintowel";
    rules.Ranks = {{1, "лейтенант", 1, 1, 0}, {2, "капитан", 50, 50, 0}};
    rules.SortieEndSuccess = "_TKON_";
    rules.SortieEndSkip = "_BAIL_";
    rules.SortieEndDead = "_DIED_";
    rules.LogLevel = 10;
    rules.GroundRatio = {0.5, 1, 0.2, 0.25, 0.5, 0.1, 2};
    rules.SortieMode = 0;
    rules.SortieDuration = 15;
    rules.AirBomberRatio = 1.5;
    document.queries = {{"1", "queries/by_name.sql"}, {"2", "queries/broken.sql"}, {"3", "queries/missing.sql"},
                        {"4", "queries/cp1251.sql"}, {"5", "queries/utf8.sql"}, {"6", "queries/typed.sql"}};
    web_.home.WriteSettings(document);
  }
  void WriteQuery(const std::string& name, const std::string& bytes) {
    test::WriteFileBytes(web_.home.File("queries/" + name), bytes);
  }

  static void AddPilot(const test::TestDatabase& db, int id, const std::string& callsign, int rank,
                       const std::string& klass = "Human pilot") {
    test::InsertPilots(db, {{.id = id, .callsign = callsign, .klass = klass, .realrank = rank, .lastsortie = 0,
                             .awards = 0}});
  }
  // Sortie `id` flies 40 minutes, `id` hours after the epoch.
  static void AddSortie(const test::TestDatabase& db, int id, int pilot, const std::string& end, int air = 0,
                        int bombers = 0, int tanks = 0, int cars = 0) {
    test::InsertSorties(db, {{.id = id, .pilot = pilot, .end = end, .eAir = air, .eBom = bombers, .eTank = tanks,
                              .eCar = cars, .start_minute = 60 * id, .minutes = 40}});
  }

  std::string Fetch(const std::string& target) { return Get(web_.Port(), target); }

  // What the schedule was asked once the request has let go of its
  // exclusive access (the answer is sent before the timer is enabled again).
  std::vector<std::string> ScheduleEvents() {
    std::lock_guard<std::mutex> settled(web_.service.ExclusiveLock());
    return web_.service.Events();
  }

  // The document of an XML answer; fails the test when the head is not the XML head.
  TXmlDocument Document(const std::string& answer) {
    EXPECT_EQ(HeadOf(answer), kXmlHead);
    TXmlDocument doc;
    EXPECT_TRUE(doc.LoadText(BodyOf(answer))) << answer;
    return doc;
  }
  static std::vector<Attrs> Rows(const TXmlDocument& doc) {
    std::vector<Attrs> rows;
    for (TXmlNode row : doc.SelectAll("/DATAPACKET/ROWDATA/ROW")) rows.push_back(row.Attributes());
    return rows;
  }
  // The parsed body of a JSON answer; fails the test when the head is not JSON's.
  static rapidjson::Document Json(const std::string& answer) {
    EXPECT_NE(HeadOf(answer).find("\r\nContent-Type: application/json; charset=utf-8\r\nContent-Length: " +
                                  std::to_string(BodyOf(answer).size()) + "\r\n"),
              std::string::npos)
        << answer;
    rapidjson::Document doc;
    doc.Parse(BodyOf(answer).c_str());
    EXPECT_FALSE(doc.HasParseError()) << answer;
    return doc;
  }
  // A JSON packet's rows as the XML packet's attributes (NULL left out).
  static std::vector<Attrs> Rows(const rapidjson::Document& doc) {
    std::vector<Attrs> rows;
    for (const rapidjson::Value& row : doc["rows"].GetArray()) {
      Attrs& attrs = rows.emplace_back();
      for (const auto& member : row.GetObject()) {
        const rapidjson::Value& value = member.value;
        if (value.IsNull()) continue;
        attrs.emplace_back(member.name.GetString(),
                           value.IsString() ? value.GetString() : std::to_string(value.GetInt64()));
      }
    }
    return rows;
  }
  bool Logged(const std::string& line_start) const {
    for (const std::string& line : web_.home.LogLines()) {
      if (line.rfind("TS\t" + line_start, 0) == 0) return true;
    }
    return false;
  }

  test::WebServerFixture web_;
  std::unique_ptr<test::TestDatabase> one_, two_;
};

TEST_F(DataViews, PilotListOfTheChosenDatabaseWithItsStylesheet) {
  AddPilot(*one_, 1, "Сокол", 2);
  AddPilot(*one_, 2, "Bot", 0, "AI");
  AddPilot(*two_, 15, "Ястреб", 1);

  const std::string answer = Fetch("/?cmd=show");
  const std::string body = BodyOf(answer);
  EXPECT_EQ(body.rfind("<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n"
                       "<?xml-stylesheet type=\"text/xsl\" href=\"./xsl/pilotlist.xsl\"?>\n<DATAPACKET",
                       0), 0u) << body;
  EXPECT_NE(body.find(Utf8ToCp1251("Сокол")), std::string::npos);
  EXPECT_EQ(Rows(Document(answer)),
            (std::vector<Attrs>{{{"id", "1"}, {"callsign", "Сокол"}, {"realrank", "2"}, {"armyid", "1"}, {"srvid", "1"}}}))
      << "human pilots of database 1 only";

  EXPECT_EQ(Rows(Document(Fetch("/?CMD=SHOW&SRVID=2"))),
            (std::vector<Attrs>{{{"id", "15"}, {"callsign", "Ястреб"}, {"realrank", "1"}, {"armyid", "1"}, {"srvid", "2"}}}));
  const std::vector<Attrs> unknown = Rows(Document(Fetch("/?cmd=show&srvid=9")));
  ASSERT_EQ(unknown.size(), 1u) << "an unknown id falls back to the first database";
  EXPECT_EQ(unknown[0].front(), (std::pair<std::string, std::string>{"id", "1"}));
  EXPECT_EQ(unknown[0].back(), (std::pair<std::string, std::string>{"srvid", "9"}));

  web_.home.ClearLog();
  EXPECT_EQ(Fetch("/?cmd=show&srvid=3"), "") << "an unreachable database gets no answer";
  EXPECT_TRUE(Logged("not connected to MySQL"));
}

TEST_F(DataViews, PilotListWithoutDatabaseOneUsesTheFirstEntry) {
  AddPilot(*one_, 1, "Сокол", 2);
  AddPilot(*two_, 15, "Ястреб", 1);
  WriteSettings({"5", "7"});
  const std::vector<Attrs> rows = Rows(Document(Fetch("/?cmd=show")));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][1].second, "Сокол");
  EXPECT_EQ(rows[0].back(), (std::pair<std::string, std::string>{"srvid", "1"}));
}

TEST_F(DataViews, HistoryOfOnePilotWhileTheScheduleWaits) {
  AddPilot(*two_, 15, "Ястреб", 1);
  AddSortie(*two_, 1, 15, "TKON", 2);
  AddSortie(*two_, 2, 15, "DIED");
  AddSortie(*two_, 3, 15, "TKON", 1);

  const std::string answer = Fetch("/?history=15&srvid=2");
  EXPECT_EQ(BodyOf(answer).rfind("<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n"
                                 "<?xml-stylesheet type=\"text/xsl\" href=\"/xsl/history.xsl\"?>\n<history",
                                 0), 0u) << answer;
  TXmlDocument doc = Document(answer);
  EXPECT_EQ(doc.Root().Attribute("callsign"), "Ястреб");
  std::vector<TXmlNode> lives = doc.SelectAll("/history/strik");
  ASSERT_EQ(lives.size(), 2u);
  EXPECT_EQ(lives[0].Attribute("broken"), "1");
  EXPECT_EQ(doc.SelectAll("/history/strik[0]/sortie").size(), 2u) << "the death belongs to the life it ended";
  EXPECT_EQ(doc.SelectFirst("/history/strik[0]/sortie[0]/newrank/@rankname").Value(), "лейтенант");
  EXPECT_EQ(ScheduleEvents(), (std::vector<std::string>{"timer off", "timer on"}));

  web_.service.ClearEvents();
  EXPECT_EQ(Fetch("/?history=x"), "");
  EXPECT_EQ(Fetch("/?history=99999999999&srvid=2"), "") << "no pilot id is that large";
  EXPECT_TRUE(ScheduleEvents().empty());
}

TEST_F(DataViews, HistoryWithoutItsDatabaseIsAnEmptyElement) {
  web_.home.ClearLog();
  TXmlDocument doc = Document(Fetch("/?history=15&srvid=3"));
  EXPECT_EQ(doc.Root().Name(), "history");
  EXPECT_TRUE(doc.Root().Attributes().empty());
  EXPECT_TRUE(doc.SelectAll("/history/*").empty());
  EXPECT_TRUE(Logged("not connected to MySQL"));
  EXPECT_EQ(ScheduleEvents(), (std::vector<std::string>{"timer off", "timer on"}));
}

TEST_F(DataViews, AFailingHistoryIsLoggedAndTheScheduleGoesOn) {
  AddPilot(*one_, 1, "Сокол", 0);
  AddSortie(*one_, 1, 1, "TKON", 1);
  one_->Exec("alter table sorties drop column eWag");
  web_.home.ClearLog();
  EXPECT_EQ(Fetch("/?history=1&srvid=1"), "");
  EXPECT_TRUE(Logged("ShowHistory\t"));
  EXPECT_EQ(ScheduleEvents(), (std::vector<std::string>{"timer off", "timer on"}))
      << "the timer runs again after the failure";
  web_.service.ClearEvents();
  EXPECT_FALSE(Document(Fetch("/?history=2&srvid=2")).Root().IsNull()) << "and the next history is served";
}

TEST_F(DataViews, ConfiguredQueriesBindRequestValuesByName) {
  AddPilot(*one_, 1, "Сокол", 0);
  AddPilot(*one_, 2, "Bot", 0, "AI");
  AddPilot(*two_, 3, "bot", 0);

  const std::string answer = Fetch("/?cmd=query&qid=1&name=bot&srvid=1");
  EXPECT_EQ(BodyOf(answer).find("xml-stylesheet"), std::string::npos) << "queries carry no stylesheet";
  EXPECT_EQ(Rows(Document(answer)), (std::vector<Attrs>{{{"id", "2"}, {"callsign", "Bot"}}}));
  EXPECT_EQ(Rows(Document(Fetch("/?cmd=query&qid=1&srvid=2&name=bot"))),
            (std::vector<Attrs>{{{"id", "3"}, {"callsign", "bot"}}}));
  EXPECT_TRUE(Rows(Document(Fetch("/?cmd=query&qid=1&name=x_or_1&srvid=1"))).empty())
      << "a value is a text literal, nothing more";
  EXPECT_TRUE(Rows(Document(Fetch("/?cmd=query&qid=1&srvid=1"))).empty()) << "an unnamed parameter is NULL";

  EXPECT_EQ(Rows(Document(Fetch("/?cmd=query&qid=4&srvid=1"))), (std::vector<Attrs>{{{"c", "Сокол"}}}));
  EXPECT_EQ(Rows(Document(Fetch("/?cmd=query&qid=5&srvid=1"))), (std::vector<Attrs>{{{"c", "Ястреб"}}}))
      << "a query file with a byte order mark is UTF-8";
}

TEST_F(DataViews, QueriesThatCannotRun) {
  for (const char* target : {"/?cmd=query&qid=9&srvid=1", "/?cmd=query&qid=3&srvid=1", "/?cmd=query&qid=abc&srvid=1",
                             "/?cmd=query&qid=&srvid=1"}) {
    EXPECT_EQ(Fetch(target), web_.DefaultPage()) << target;
  }
  web_.home.ClearLog();
  EXPECT_EQ(Fetch("/?cmd=query&qid=2&srvid=1"), "") << "a failing statement gets no answer";
  EXPECT_TRUE(Logged("GetAnyDataSetXML\t"));
  EXPECT_EQ(Fetch("/?cmd=query&qid=1&srvid=3&name=x"), "") << "nor does an unreachable database";
}

TEST_F(DataViews, PilotStatisticsOfTheCurrentLife) {
  AddPilot(*one_, 1, "Сокол", 0);
  AddSortie(*one_, 1, 1, "DIED", 7);  // an earlier life: not counted
  one_->Exec("update pilots set lastsortie = 2 where id = 1");
  AddSortie(*one_, 2, 1, "TKON", 6, 4, 3, 5);
  AddSortie(*one_, 3, 1, "TKON", 4);

  TXmlDocument doc = Document(Fetch("/?cmd=info&pilotid=1&srvid=1"));
  ASSERT_EQ(doc.Root().Name(), "info");
  std::vector<std::pair<std::string, std::string>> values;
  for (TXmlNode child : doc.SelectAll("/info/*")) values.emplace_back(child.Name(), child.Text());
  EXPECT_EQ(values, (Attrs{{"combat_count", "2"},
                           {"effective_airs", "12.00"},
                           {"eAir", "10.00"},
                           {"eBom", " 4.00"},
                           {"eSAir", " 0.00"},
                           {"eShip", " 0.00"},
                           {"eTank", " 3.00"},
                           {"eCar", " 5.00"},
                           {"eArt", " 0.00"},
                           {"eAaa", " 0.00"},
                           {"eWag", " 0.00"},
                           {"pure_ground", "8"},
                           {"effective_grounds", " 4.00"},
                           {"effective_total", "16.00"}}));
  EXPECT_EQ(BodyOf(Fetch("/?cmd=info&pilotid=1&srvid=1")).find("xml-stylesheet"), std::string::npos);

  TXmlDocument nobody = Document(Fetch("/?cmd=info&pilotid=abc&srvid=1"));
  EXPECT_EQ(nobody.SelectFirst("/info/combat_count").Text(), "0") << "a pilot id that is no number is pilot 0";
  EXPECT_EQ(nobody.SelectFirst("/info/effective_total").Text(), " 0.00");
  EXPECT_EQ(Fetch("/?cmd=info&pilotid=1&srvid=3"), web_.DefaultPage()) << "no database: the default page";
}

TEST_F(DataViews, PilotListAndQueriesAsJsonHoldTheRowsOfTheXml) {
  AddPilot(*one_, 1, "Сокол", 2);
  AddPilot(*one_, 2, "Hawk \"7\" \\ x", 0);
  AddPilot(*one_, 3, "bot", 0, "AI");
  for (const std::string target : {"/?cmd=show&srvid=1", "/?cmd=show&srvid=2", "/?cmd=query&qid=1&name=bot&srvid=1",
                                   "/?cmd=query&qid=4&srvid=1"}) {
    EXPECT_EQ(Rows(Json(Fetch(target + "&format=json"))), Rows(Document(Fetch(target)))) << target;
  }
  EXPECT_TRUE(Json(Fetch("/?cmd=show&srvid=1&format=JSON"))["rows"][0]["srvid"].IsInt());

  WriteQuery("typed.sql",
             "select id, callsign, nullif(realrank, 0) as r, cast(12.50 as decimal(6,2)) as d,"
             " cast('2026-12-06 21:05:09' as datetime) as t from pilots where class = :klass order by id");
  const std::string typed = BodyOf(Fetch("/?cmd=query&qid=6&srvid=1&klass=Human&format=json"));
  EXPECT_EQ(typed, R"({"rows":[]})");
  one_->Exec("update pilots set class = 'Human' where id < 3");
  EXPECT_EQ(BodyOf(Fetch("/?cmd=query&qid=6&srvid=1&klass=Human&format=json")),
            R"({"rows":[{"id":1,"callsign":"Сокол","r":2,"d":12.50,"t":"2026-12-06T21:05:09"},)"
            R"({"id":2,"callsign":"Hawk \"7\" \\ x","r":null,"d":12.50,"t":"2026-12-06T21:05:09"}]})");

  web_.home.ClearLog();
  EXPECT_EQ(Fetch("/?cmd=query&qid=2&srvid=1&format=json"), "") << "a failing statement gets no answer";
  EXPECT_TRUE(Logged("GetAnyDataSetXML\t"));
  EXPECT_EQ(Fetch("/?cmd=show&srvid=3&format=json"), "") << "nor does an unreachable database";
  EXPECT_EQ(Fetch("/?cmd=query&qid=9&srvid=1&format=json"), web_.DefaultPage());
}

TEST_F(DataViews, HistoryAsJsonHoldsTheDocument) {
  AddPilot(*two_, 15, "Ястреб", 1);
  AddSortie(*two_, 1, 15, "TKON", 2);
  AddSortie(*two_, 2, 15, "DIED");
  AddSortie(*two_, 3, 15, "TKON", 1);

  const rapidjson::Document json = Json(Fetch("/?history=15&srvid=2&format=json"));
  ExpectSameHistory(Document(Fetch("/?history=15&srvid=2")).Root(), json);
  EXPECT_EQ(std::string(json["callsign"].GetString()), "Ястреб");
  const auto lives = json["lives"].GetArray();
  ASSERT_EQ(lives.Size(), 2u);
  EXPECT_TRUE(lives[0]["broken"].IsTrue());
  EXPECT_TRUE(lives[1]["broken"].IsFalse());
  EXPECT_TRUE(lives[1]["end"].IsNull()) << "the life still going on";
  EXPECT_EQ(std::string(lives[0]["sorties"][0]["newrank"]["rankname"].GetString()), "лейтенант");
  EXPECT_TRUE(lives[0]["sorties"][1]["details"].IsNull()) << "a death has no result";
  EXPECT_EQ(ScheduleEvents(), (std::vector<std::string>{"timer off", "timer on", "timer off", "timer on"}));

  EXPECT_EQ(BodyOf(Fetch("/?history=15&srvid=3&format=json")), R"({"callsign":null,"lives":[]})");
}

TEST_F(DataViews, PilotStatisticsAsJsonNumbers) {
  AddPilot(*one_, 1, "Сокол", 0);
  one_->Exec("update pilots set lastsortie = 2 where id = 1");
  AddSortie(*one_, 2, 1, "TKON", 6, 4, 3, 5);
  AddSortie(*one_, 3, 1, "TKON", 4);
  EXPECT_EQ(BodyOf(Fetch("/?cmd=info&pilotid=1&srvid=1&format=json")),
            R"({"combat_count":2,"effective_airs":12.00,"eAir":10.00,"eBom":4.00,"eSAir":0.00,"eShip":0.00,)"
            R"("eTank":3.00,"eCar":5.00,"eArt":0.00,"eAaa":0.00,"eWag":0.00,"pure_ground":8,)"
            R"("effective_grounds":4.00,"effective_total":16.00})");
  EXPECT_TRUE(Json(Fetch("/?cmd=info&pilotid=1&srvid=1&format=json")).IsObject());
  EXPECT_EQ(Fetch("/?cmd=info&pilotid=1&srvid=3&format=json"), web_.DefaultPage());
}

}  // namespace
}  // namespace sky
