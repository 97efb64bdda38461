// The administrator's dashboard: the progress of a pass seen from another
// connection while `sleep` makes it last, the journal of the passes after
// it against the database, the XML, JSON and HTML answers in both
// languages, and the language choice itself.
#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "base/encoding.h"
#include "service/tskyranks.h"
#include "support/program_home.h"
#include "support/program_location.h"
#include "support/stat_rows.h"
#include "support/test_db.h"
#include "web/http_test_client.h"
#include "web/page_language.h"
#include "web/views_answers.h"
#include "xml/xml_document.h"

namespace sky {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

TEST(PageLanguage, ParameterThenAcceptLanguageThenRussian) {
  struct Case {
    const char* target;
    const char* accept_language;  // null: no header
    TPageLanguage expected;
  };
  const std::vector<Case> cases = {
      {"/?cmd=dashboard", nullptr, TPageLanguage::kRu},
      {"/?cmd=dashboard&lang=en", "ru", TPageLanguage::kEn},
      {"/?cmd=dashboard&LANG=RU", "en", TPageLanguage::kRu},
      {"/?cmd=dashboard&lang=de", "en-US,en;q=0.9", TPageLanguage::kEn},
      {"/?cmd=dashboard", "ru-RU,ru;q=0.9,en-US;q=0.8,en;q=0.7", TPageLanguage::kRu},
      {"/?cmd=dashboard", "de-DE,de;q=0.9,en;q=0.5,ru;q=0.3", TPageLanguage::kEn},
      {"/?cmd=dashboard", "en;q=0.4, ru;q=0.8", TPageLanguage::kRu},
      {"/?cmd=dashboard", "en;q=0, fr", TPageLanguage::kRu},
      {"/?cmd=dashboard", "fr, *", TPageLanguage::kRu},
      {"/?cmd=dashboard", "EN-gb", TPageLanguage::kEn},
  };
  for (const Case& c : cases) {
    std::string request = std::string("GET ") + c.target + " HTTP/1.1\r\nHost: x\r\n";
    if (c.accept_language) request += std::string("Accept-Language: ") + c.accept_language + "\r\n";
    request += "\r\n";
    EXPECT_EQ(ChoosePageLanguage(THttpRequest::Parse(request)), c.expected) << c.target << " / " << (c.accept_language ? c.accept_language : "-");
  }
}

constexpr int kPilots = 6;
constexpr int kSortiesEach = 3;

TEST(Dashboard, ShowsTheRunningPassAndRecordsEveryPass) {
  SKY_REQUIRE_DB();
  test::TestDatabase db;
  std::vector<test::TestPilot> pilots;
  std::vector<test::TestSortie> sorties;
  for (int id = 1; id <= kPilots; ++id) {
    pilots.push_back({.id = id, .callsign = "P" + std::to_string(id)});
    for (int n = 0; n < kSortiesEach; ++n) {
      const int sortie = (id - 1) * kSortiesEach + n + 1;
      sorties.push_back({.id = sortie, .pilot = id, .eAir = id % 2 == 0 ? 2 : 0, .start_minute = sortie * 60});
    }
  }
  pilots.push_back({.id = 99, .callsign = "bot", .klass = "AI"});
  test::InsertPilots(db, pilots);
  test::InsertSorties(db, sorties);

  test::ProgramHome home;
  fs::create_directories(home.File("xsl"));
  fs::copy_file(fs::path(SKY_SITE_DIR) / "xsl/dashboard.xsl", home.File("xsl/dashboard.xsl"));
  test::WriteFileBytes(home.File("awards.xml"), "<?xml version=\"1.0\"?><awards/>");
  const TServerEntry unreachable = {.Host = "127.0.0.1", .User = "u", .Pass = "dash-secret-3", .Db = "nowhere",
                                    .Id = "2", .Port = test::FreePort()};
  test::SettingsDocument document = test::ServiceSettings({db.Entry(), unreachable}, 0, 0, "pw", 0);
  document.settings.Ranks = {{.Value = 1, .Name = "rank", .SortiesLimit = 1, .AirKills = 2, .GndKills = 0}};
  document.settings.SortieEndSuccess = "_TKON_";
  document.settings.AwardsFile = home.File("awards.xml");
  document.settings.Sleep = 100;  // 18 sorties: about two seconds
  home.WriteSettings(document);

  Tskyranks service;
  service.TCPServerSKY().Activate(0);
  const uint16_t port = service.TCPServerSKY().Port();
  auto json = [&](const std::string& target) {
    rapidjson::Document parsed;
    parsed.Parse(test::BodyOf(test::Get(port, target)).c_str());
    EXPECT_FALSE(parsed.HasParseError()) << target;
    return parsed;
  };

  std::thread cycle([&] { service.RunCycle(); });
  std::vector<int64_t> seen_done;
  for (auto deadline = std::chrono::steady_clock::now() + 30s; std::chrono::steady_clock::now() < deadline;) {
    const rapidjson::Document answer = json("/?cmd=dashboard&format=json");
    const rapidjson::Value& running = answer["running"];
    if (!running.IsNull() && running["database"]["id"] == "1" && running["pilots_total"].GetInt64() > 0) {
      const int64_t done = running["pilots_done"].GetInt64();
      EXPECT_EQ(running["pilots_total"].GetInt64(), kPilots);
      EXPECT_LE(done, kPilots);
      if (!seen_done.empty()) {
        EXPECT_GE(done, seen_done.back()) << "pilots done never goes back";
      }
      seen_done.push_back(done);
    }
    if (!seen_done.empty() && running.IsNull()) break;
    std::this_thread::sleep_for(50ms);
  }
  cycle.join();
  ASSERT_FALSE(seen_done.empty()) << "the pass was never seen running";
  EXPECT_GT(seen_done.back(), seen_done.front()) << "pilots done rises while the pass runs";

  const rapidjson::Document after = json("/?cmd=dashboard&format=json");
  ASSERT_TRUE(after["running"].IsNull());
  const rapidjson::Value& passes = after["passes"];
  ASSERT_GE(passes.Size(), 2u);
  const rapidjson::Value& done = passes[passes.Size() - 2];
  const rapidjson::Value& failed = passes[passes.Size() - 1];
  EXPECT_STREQ(done["end"].GetString(), "completed");
  EXPECT_STREQ(done["kind"].GetString(), "pass");
  EXPECT_EQ(done["pilots"].GetInt64(), std::stoll(db.Value("select count(*) from pilots where class = 'Human pilot'")));
  EXPECT_EQ(done["sorties_read"].GetInt64(),
            std::stoll(db.Value("select count(*) from sorties s join pilots p on p.id = s.pilotid "
                                "where p.class = 'Human pilot'")));
  EXPECT_EQ(done["rows_written"].GetInt64(), std::stoll(db.Value("select count(*) from pilots where realrank > 0")));
  EXPECT_EQ(done["errors"].GetInt64(), 0);
  EXPECT_GE(done["duration_seconds"].GetDouble(), 1.0);
  EXPECT_STREQ(failed["end"].GetString(), "not_reached");
  EXPECT_STREQ(failed["database"]["db"].GetString(), "nowhere");

  // The XML the stylesheet gets, and the pages made from it.
  const std::string xml = test::BodyOf(test::Get(port, "/?cmd=dashboard&format=xml"));
  TXmlDocument doc;
  ASSERT_TRUE(doc.LoadText(xml));
  EXPECT_NE(xml.find("href=\"/xsl/dashboard.xsl\""), std::string::npos);
  EXPECT_EQ(doc.Root().Name(), "dashboard");
  EXPECT_EQ(doc.SelectAll("/dashboard/passes/pass").size(), passes.Size());
  EXPECT_EQ(doc.SelectAll("/dashboard/passes/pass[@end='not_reached' and @db='nowhere']").size(), 1u);
  struct Page {
    std::string target;
    const char* heading;
  };
  for (const Page& page : {Page{"/?cmd=dashboard&format=html", "Последние расчеты"},
                           Page{"/?cmd=dashboard&format=html&lang=en", "Last passes"}}) {
    const std::string html = Cp1251ToUtf8(test::BodyOf(test::Get(port, page.target)));
    SCOPED_TRACE(page.target);
    EXPECT_NE(html.find(page.heading), std::string::npos);
    EXPECT_NE(html.find("<svg"), std::string::npos);
    EXPECT_NE(html.find("<table id=\"passes\""), std::string::npos);
    EXPECT_NE(html.find("<rect class=\"not_reached\""), std::string::npos) << "the failed pass is marked";
    EXPECT_NE(html.find("<tr class=\"not_reached\""), std::string::npos);
    EXPECT_NE(html.find("name=\"viewport\""), std::string::npos);
    EXPECT_EQ(html.find("http-equiv=\"refresh\""), std::string::npos) << "no refresh while nothing runs";
    EXPECT_EQ(html.find("dash-secret-3"), std::string::npos);
  }
  EXPECT_EQ(test::Get(port, "/?cmd=dashboard&format=json").find("dash-secret-3"), std::string::npos);
}

}  // namespace
}  // namespace sky
