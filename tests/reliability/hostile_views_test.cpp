// Data and parameters meant to break out of their place: callsigns full of
// XML metacharacters must come back as the same text inside a well-formed
// document, and SQL metacharacters in query parameters must never change
// what is run.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_db.h"
#include "web/http_test_client.h"
#include "xml/xml_document.h"

namespace sky {
namespace {

const std::vector<std::string> kCallsigns = {"<b>&amp;", "a\"b'c", "]]>x<!--", "'; drop table pilots; --",
                                             "\\'\\\\"};

struct ViewsOnADatabase {
  ViewsOnADatabase() {
    db.AddRankColumns();
    const TServerEntry entry = db.Entry();
    web.home.WriteSettings(
        "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n<skyranks>\n  <mysql id=\"1\" active=\"1\" host=\"" +
        entry.Host + "\" port=\"" + std::to_string(entry.Port) + "\" user=\"" + entry.User + "\" pass=\"" +
        entry.Pass + "\" db=\"" + entry.Db + "\"/>\n  <admin port=\"0\"><password>pintowel</password></admin>\n"
        "  <log level=\"10\"/>\n</skyranks>\n");
    int id = 1;
    for (const std::string& callsign : kCallsigns) {
      std::string quoted;
      for (char c : callsign) {
        if (c == '\'' || c == '\\') quoted += '\\';
        quoted += c;
      }
      db.Exec("insert into pilots (id, callsign, class, ArmyID) values (" + std::to_string(id++) + ", '" + quoted +
              "', 'Human pilot', 1)");
    }
  }
  std::string PilotCount() const { return db.Value("select count(*) from pilots"); }

  test::TestDatabase db;
  test::WebServerFixture web;
};

std::string Body(const std::string& answer) {
  const std::size_t end = answer.find("\r\n\r\n");
  return end == std::string::npos ? "" : answer.substr(end + 4);
}

TEST(ReliabilityHostileViews, CallsignsWithXmlMetacharactersComeBackUnchanged) {
  SKY_REQUIRE_DB();
  ViewsOnADatabase views;
  const std::string answer = test::Get(views.web.Port(), "/?cmd=show&srvid=1");
  TXmlDocument doc;
  ASSERT_TRUE(doc.LoadText(Body(answer))) << "the pilot list is well-formed:\n" << answer;
  std::vector<std::string> found;
  for (TXmlNode node : doc.SelectAll("//*[@callsign]/@callsign | //callsign")) {
    found.push_back(node.Value().empty() ? node.Text() : node.Value());
  }
  for (const std::string& callsign : kCallsigns) {
    EXPECT_NE(std::find(found.begin(), found.end(), callsign), found.end()) << callsign << "\n" << answer;
  }
}

TEST(ReliabilityHostileViews, SqlMetacharactersInParametersChangeNothing) {
  SKY_REQUIRE_DB();
  ViewsOnADatabase views;
  const std::string before = views.PilotCount();
  for (const std::string target :
       {"/?cmd=show&srvid=1'%20or%20'1'='1", "/?cmd=show&srvid=1;delete%20from%20pilots", "/?cmd=show&srvid=1)--",
        "/?history=1'--&srvid=1", "/?history=1;delete%20from%20pilots&srvid=1;delete%20from%20pilots",
        "/?cmd=info&pilotid=1%20or%201=1&srvid=1'", "/?cmd=info&pilotid=1';delete%20from%20pilots;--&srvid=1",
        "/?cmd=query&qid=1'%20or%20'1'='1&srvid=1", "/?cmd=query&qid=1)%20or%20(1=1&x='\"\\"}) {
    const std::string answer = test::Get(views.web.Port(), target);
    EXPECT_TRUE(answer.empty() || answer.starts_with("HTTP/1.1 200 OK\r\n")) << target;
    EXPECT_EQ(answer.find("secret"), std::string::npos) << target;
  }
  EXPECT_EQ(views.PilotCount(), before) << "no statement text came from a parameter";
  EXPECT_EQ(test::Get(views.web.Port(), "/"), views.web.DefaultPage());
}

}  // namespace
}  // namespace sky
