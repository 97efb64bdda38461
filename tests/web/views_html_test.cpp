// The data views as HTML made on the server: chosen by format=html or by a
// browser's Accept header, rendered with the stylesheet the XML answer names
// (or the table stylesheet), the pilots' texts escaped, and the XML answer
// whenever a stylesheet cannot serve.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "base/encoding.h"
#include "settings/settings_store.h"
#include "support/stat_rows.h"
#include "support/test_db.h"
#include "web/http_test_client.h"
#include "web/views_answers.h"

namespace sky {
namespace {

namespace fs = std::filesystem;
using test::BodyOf;
using test::HeadOf;

constexpr char kBrowserAccept[] =
    "text/html,application/xhtml+xml,application/xml;q=0.9,image/avif,image/webp,*/*;q=0.8";

class HtmlViews : public ::testing::Test {
 protected:
  void SetUp() override {
    SKY_REQUIRE_DB();
    db_ = std::make_unique<test::TestDatabase>();
    db_->AddRankColumns();
    WriteSettings("");
    fs::create_directories(web_.home.File("xsl"));
    fs::create_directories(web_.home.File("queries"));
    for (const auto& sheet : fs::directory_iterator(fs::path(SKY_SITE_DIR) / "xsl")) {
      fs::copy_file(sheet.path(), web_.home.File("xsl/" + sheet.path().filename().string()));
    }
    test::WriteFileBytes(web_.home.File("queries/all.sql"), "select id, callsign from pilots order by id");
    test::InsertPilots(*db_, {{.id = 1, .callsign = "Сокол", .realrank = 2, .lastsortie = 0, .awards = 0},
                              {.id = 2, .callsign = "<script>alert(\"x\")</script>", .realrank = 1, .lastsortie = 0,
                               .awards = 0},
                              {.id = 3, .callsign = "A&B", .realrank = 0, .lastsortie = 0, .awards = 0}});
  }

  void WriteSettings(const std::string& cors) {
    test::SettingsDocument document;
    document.servers = {db_->Entry()};
    document.settings.AdminPassword = "pintowel";
    document.settings.Ranks = {{1, "лейтенант", 1, 1, 0}, {2, "капитан", 50, 50, 0}};
    document.settings.SortieEndSuccess = "_TKON_";
    document.settings.SortieEndDead = "_DIED_";
    document.settings.LogLevel = 3;
    document.queries = {{"1", "queries/all.sql"}};
    std::string bytes = document.Bytes();
    if (!cors.empty()) bytes.replace(bytes.find("<admin "), 7, "<admin cors=\"" + cors + "\" ");
    test::WriteFileBytes(web_.home.SettingsFile(), bytes);
    ReloadSettings();
  }

  std::string Fetch(const std::string& target, const std::string& accept = "") {
    return test::Exchange(web_.Port(), "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" +
                                           (accept.empty() ? "" : "Accept: " + accept + "\r\n") + "\r\n");
  }
  // The page's text in UTF-8; fails the test unless the answer is HTML.
  std::string Page(const std::string& answer) {
    EXPECT_NE(HeadOf(answer).find("\r\nContent-Type: text/html; charset=windows-1251\r\n"), std::string::npos)
        << HeadOf(answer);
    return Cp1251ToUtf8(BodyOf(answer));
  }
  int LoggedFailures() const {
    int count = 0;
    for (const std::string& line : web_.home.LogLines()) count += line.rfind("TS\tHTML not made with ", 0) == 0;
    return count;
  }

  test::WebServerFixture web_;
  std::unique_ptr<test::TestDatabase> db_;
};

TEST_F(HtmlViews, ThePilotListAsHtmlWithThePilotsTextsEscaped) {
  const std::string page = Page(Fetch("/?cmd=show&srvid=1&format=html"));
  EXPECT_NE(page.find("<td class=\"callsign\">Сокол</td>"), std::string::npos) << page;
  EXPECT_NE(page.find("&lt;script&gt;alert(\"x\")&lt;/script&gt;"), std::string::npos);
  EXPECT_EQ(page.find("<script>alert"), std::string::npos) << "a callsign is text, never markup";
  EXPECT_NE(page.find("A&amp;B"), std::string::npos);
  EXPECT_NE(page.find("лейтенант"), std::string::npos) << "rank names";
  EXPECT_NE(page.find("href=\"/?history=1&amp;srvid=1&amp;format=html\""), std::string::npos)
      << "links lead to HTML pages";

  EXPECT_EQ(Page(Fetch("/?cmd=show&srvid=1&format=html")), page) << "the same rows, the same page";
  test::InsertPilots(*db_, {{.id = 4, .callsign = "Ястреб", .realrank = 1, .lastsortie = 0, .awards = 0}});
  EXPECT_NE(Page(Fetch("/?cmd=show&srvid=1&format=html")).find("Ястреб"), std::string::npos)
      << "new rows, a new page";
}

TEST_F(HtmlViews, TheRequestChoosesAndTheXmlAnswerStaysAsItWas) {
  const std::string xml = Fetch("/?cmd=show&srvid=1");
  ASSERT_EQ(HeadOf(xml), test::kXmlHead);
  const struct {
    const char* target;
    const char* accept;
    bool html;
    bool vary;
  } cases[] = {
      {"/?cmd=show&srvid=1", "*/*", false, false},
      {"/?cmd=show&srvid=1", "application/xml,text/html;q=0.5", false, false},
      {"/?cmd=show&srvid=1&format=xml", kBrowserAccept, false, false},
      {"/?cmd=show&srvid=1", kBrowserAccept, true, true},
      {"/?cmd=show&srvid=1&FORMAT=HTML", "", true, false},
      {"/?cmd=show&srvid=1&format=pdf", "", false, false},
  };
  for (const auto& c : cases) {
    const std::string answer = Fetch(c.target, c.accept);
    if (!c.html) {
      EXPECT_EQ(answer, xml) << c.target << " " << c.accept;
      continue;
    }
    EXPECT_NE(Page(answer).find("Сокол"), std::string::npos) << c.target;
    EXPECT_EQ(HeadOf(answer).find("\r\nVary: Accept\r\n") != std::string::npos, c.vary) << c.target;
    EXPECT_EQ(HeadOf(answer).find("Access-Control-Allow-Origin"), std::string::npos) << "no CORS unless configured";
  }
}

TEST_F(HtmlViews, HistoryQueriesAndStatisticsAsHtml) {
  test::InsertSorties(*db_, {{.id = 1, .pilot = 1, .end = "TKON", .eAir = 2, .minutes = 40},
                             {.id = 2, .pilot = 1, .end = "DIED", .start_minute = 60, .minutes = 40},
                             {.id = 3, .pilot = 1, .end = "TKON", .eAir = 1, .start_minute = 120, .minutes = 40}});
  const std::string history = Page(Fetch("/?history=1&srvid=1", kBrowserAccept));
  EXPECT_NE(history.find("Сокол"), std::string::npos) << history;
  EXPECT_NE(history.find("лейтенант"), std::string::npos) << "the new rank of the first life";

  const std::string query = Page(Fetch("/?cmd=query&qid=1&srvid=1&format=html"));
  EXPECT_NE(query.find("<th>callsign</th>"), std::string::npos) << query;
  EXPECT_NE(query.find("<td>A&amp;B</td>"), std::string::npos);
  EXPECT_NE(query.find("<span id=\"row-count\">3</span>"), std::string::npos);

  const std::string info = Page(Fetch("/?cmd=info&pilotid=1&srvid=1&format=html"));
  EXPECT_NE(info.find("<th>combat_count</th>"), std::string::npos) << info;
  EXPECT_EQ(LoggedFailures(), 0);
}

TEST_F(HtmlViews, AStylesheetThatCannotServeGivesTheXmlAnswer) {
  const std::string xml = Fetch("/?cmd=show&srvid=1");
  const std::string written = web_.home.File("written.txt");
  const std::string head = "<xsl:stylesheet version='1.0' xmlns:xsl='http://www.w3.org/1999/XSL/Transform' "
                           "xmlns:exsl='http://exslt.org/common' extension-element-prefixes='exsl'>";
  const struct {
    const char* what;
    std::string stylesheet;  // empty: no file
  } cases[] = {
      {"missing", ""},
      {"not well-formed", head + "<xsl:template match='/'>"},
      {"does not compile", head + "<xsl:template match='/'><xsl:value-of select='(('/></xsl:template></xsl:stylesheet>"},
      {"reads outside the folder",
       head + "<xsl:template match='/'><p><xsl:copy-of select=\"document('/etc/passwd')\"/></p></xsl:template>"
              "</xsl:stylesheet>"},
      {"writes a file", head + "<xsl:template match='/'><exsl:document href='" + written +
                            "'><x/></exsl:document><p/></xsl:template></xsl:stylesheet>"},
      {"imports from outside",
       head + "<xsl:import href='/etc/passwd'/><xsl:template match='/'/></xsl:stylesheet>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(web_.home.File("xsl/pilotlist.xsl"));
    if (!c.stylesheet.empty()) test::WriteFileBytes(web_.home.File("xsl/pilotlist.xsl"), c.stylesheet);
    web_.home.ClearLog();
    EXPECT_EQ(Fetch("/?cmd=show&srvid=1&format=html"), xml);
    EXPECT_EQ(LoggedFailures(), 1);
    EXPECT_FALSE(fs::exists(written));
  }
}

TEST_F(HtmlViews, TheCorsOriginOnlyWhenConfigured) {
  for (const char* cors : {"https://squadron.example", "*", "bad origin"}) {
    WriteSettings(cors);
    const bool valid = std::string(cors) != "bad origin";
    for (const char* format : {"html", "json"}) {
      const std::string head = HeadOf(Fetch(std::string("/?cmd=show&srvid=1&format=") + format));
      EXPECT_EQ(head.find(std::string("\r\nAccess-Control-Allow-Origin: ") + cors + "\r\n") != std::string::npos,
                valid) << head;
    }
    EXPECT_EQ(HeadOf(Fetch("/?cmd=show&srvid=1")), test::kXmlHead) << "the XML answer is left as it was";
  }
}

}  // namespace
}  // namespace sky
