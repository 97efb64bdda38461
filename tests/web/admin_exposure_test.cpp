// The admin side of the port on a hostile network, over real sockets:
// password guessers locked out by address, commands from other sites'
// pages, foreign host names, ambiguous framing and the log over HTTP.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>

#include "settings/settings_store.h"
#include "web/http_test_client.h"
#include "web/metrics_text.h"

namespace sky {
namespace {

const char kForm[] = "password=pintowel&actionid=pause";

// The fixture's settings with attributes added to <admin> and <log>.
void WriteSettings(test::WebServerFixture& web, const std::string& admin, const std::string& log = "") {
  std::string bytes = test::WebSettings().Bytes();
  if (!admin.empty()) bytes.replace(bytes.find("<admin "), 7, "<admin " + admin + " ");
  if (!log.empty()) bytes.replace(bytes.find("<log "), 5, "<log " + log + " ");
  test::WriteFileBytes(web.home.SettingsFile(), bytes);
  ReloadSettings();
}

// A control form posted with the given header lines, from `source`.
std::string PostForm(const test::WebServerFixture& web, const std::string& headers, const std::string& body = kForm,
                     const std::string& source = "127.0.0.1") {
  test::ClientSocket client("127.0.0.1", web.Port(), source);
  client.Send("POST /ctrl.sky HTTP/1.1\r\n" + headers + "Content-Length: " + std::to_string(body.size()) +
              "\r\n\r\n" + body);
  return client.ReadToEnd();
}

std::string Host(const test::WebServerFixture& web) { return "Host: 127.0.0.1:" + std::to_string(web.Port()) + "\r\n"; }

std::string PlainAnswer(const std::string& status, const std::string& text) {
  return "HTTP/1.1 " + status + "\r\nConnection: close\r\nContent-Type: text/plain; charset=utf-8\r\n"
         "Content-Length: " + std::to_string(text.size()) + "\r\n\r\n" + text;
}

bool StartsWith(const std::string& text, const std::string& start) { return text.rfind(start, 0) == 0; }

TEST(AdminExposure, AGuesserIsLockedOutWithoutLockingOutTheAdministrator) {
  test::WebServerFixture web;
  const test::MetricsText before = test::ScrapeMetrics(web.Port());
  for (int i = 0; i < 10; ++i) {
    EXPECT_NE(PostForm(web, Host(web), "password=guess&actionid=pause", "127.0.0.2").find("invalid password!"),
              std::string::npos) << i;
  }
  for (const std::string body : {kForm, "password=guess&actionid=pause"}) {
    const std::string refused = PostForm(web, Host(web), body, "127.0.0.2");
    EXPECT_TRUE(StartsWith(refused, "HTTP/1.1 429 Too Many Requests\r\n")) << refused;
    EXPECT_NE(refused.find("\r\nRetry-After: "), std::string::npos) << refused;
    EXPECT_NE(refused.find("locked out of the control commands for "), std::string::npos) << refused;
    EXPECT_EQ(refused.find("invalid password"), std::string::npos) << "the right password is refused alike";
  }
  EXPECT_TRUE(web.service.Events().empty());
  EXPECT_NE(PostForm(web, Host(web)).find("PAUSED"), std::string::npos) << "127.0.0.1 is not affected";

  const std::vector<std::string> log = web.home.LogLines();
  EXPECT_EQ(std::count(log.begin(), log.end(),
                       "TS\tToo many wrong passwords: control commands refused from IP = 127.0.0.2\tfor 60 seconds"),
            1);
  const test::MetricsText after = test::ScrapeMetrics(web.Port());
  EXPECT_EQ(after.Value("skyranks_admin_lockouts_total") - before.Value("skyranks_admin_lockouts_total"), 1);
  const std::string locked_out = "skyranks_http_rejected_total{reason=\"locked_out\"}";
  EXPECT_EQ(after.Value(locked_out) - before.Value(locked_out), 2);
}

TEST(AdminExposure, CommandsFromAnotherSitesPageAreRefused) {
  test::WebServerFixture web;
  WriteSettings(web, "origins=\"https://squadron.example\"");
  const std::string self = "http://127.0.0.1:" + std::to_string(web.Port());
  const struct {
    std::string headers;
    bool served;
  } cases[] = {
      {"", true},
      {"Origin: " + self + "\r\n", true},
      {"Referer: " + self + "/skyranks.htm\r\n", true},
      {"Origin: https://squadron.example\r\n", true},
      {"Origin: http://evil.example\r\n", false},
      {"Origin: null\r\n", false},
      {"Referer: http://evil.example/page.html\r\n", false},
      {"Origin: http://evil.example\r\nReferer: " + self + "/\r\n", false},
      {"Origin: http://127.0.0.1:1\r\n", false},
  };
  int served = 0;
  for (const auto& c : cases) {
    const std::string answer = PostForm(web, Host(web) + c.headers);
    EXPECT_EQ(StartsWith(answer, "HTTP/1.1 403 Forbidden\r\n"), !c.served) << c.headers << answer;
    EXPECT_EQ(answer.find("PAUSED") != std::string::npos, c.served) << c.headers;
    served += c.served;
  }
  EXPECT_EQ(web.service.Events().size(), static_cast<std::size_t>(served)) << "a refused command is not run";
}

TEST(AdminExposure, TheAdminPagesAnswerOnlyUnderKnownHostNames) {
  test::WebServerFixture web;
  WriteSettings(web, "hosts=\"stats.example.org\"");
  const std::string port = std::to_string(web.Port());
  char machine[256] = {};
  ASSERT_EQ(::gethostname(machine, sizeof machine - 1), 0);
  for (const std::string& host : {"127.0.0.1:" + port, "localhost:" + port, "[::1]:" + port,
                                 std::string(machine) + ":" + port, std::string("Stats.Example.org"), "evil.example:" + port}) {
    const bool allowed = host.find("evil") == std::string::npos;
    const std::string post = PostForm(web, "Host: " + host + "\r\n");
    const std::string status = test::Exchange(web.Port(), "GET /?cmd=config HTTP/1.1\r\nHost: " + host + "\r\n\r\n");
    EXPECT_EQ(post.find("PAUSED") != std::string::npos, allowed) << host;
    EXPECT_EQ(StartsWith(status, test::kHtmlHead), allowed) << host;
    for (const std::string& answer : {post, status}) {
      EXPECT_EQ(StartsWith(answer, "HTTP/1.1 421 Misdirected Request\r\n"), !allowed) << host << answer;
      EXPECT_EQ(answer.find("admin/@hosts") != std::string::npos, !allowed);
    }
  }
  // Everything else is public under any name, byte for byte as under an address.
  for (const char* target : {"/", "/sky.gif", "/?cmd=config&x=1", "/xsl/none.xsl"}) {
    EXPECT_EQ(test::Exchange(web.Port(), "GET " + std::string(target) + " HTTP/1.1\r\nHost: evil.example\r\n\r\n"),
              test::Get(web.Port(), target)) << target;
  }
}

TEST(AdminExposure, AmbiguousFramingIsRefusedBeforeAnythingRuns) {
  test::WebServerFixture web;
  const std::string conflicting = PlainAnswer("400 Bad Request", "The request's Content-Length headers name different lengths.\r\n");
  const std::string encoded = PlainAnswer(
      "501 Not Implemented", "Transfer-Encoding is not supported on requests: send the body with a Content-Length.\r\n");
  const struct {
    std::string request;
    std::string answer;
  } cases[] = {
      {"POST /ctrl.sky HTTP/1.1\r\nContent-Length: 32\r\nContent-Length: 3\r\n\r\n" + std::string(kForm), conflicting},
      {"POST /ctrl.sky HTTP/1.1\r\nContent-Length: 32, 0\r\n\r\n" + std::string(kForm), conflicting},
      {"POST /ctrl.sky HTTP/1.1\r\nTransfer-Encoding: chunked\r\nContent-Length: 32\r\n\r\n" + std::string(kForm),
       encoded},
      {"POST /ctrl.sky HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n20\r\n" + std::string(kForm) + "\r\n0\r\n\r\n",
       encoded},
      {"GET /?cmd=config HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n", encoded},
  };
  for (const auto& c : cases) EXPECT_EQ(test::Exchange(web.Port(), c.request), c.answer) << c.request;
  EXPECT_TRUE(web.service.Events().empty());
  EXPECT_NE(test::Exchange(web.Port(), "POST /ctrl.sky HTTP/1.1\r\nContent-Length: 32\r\nContent-Length: 032\r\n\r\n" +
                                           std::string(kForm))
                .find("PAUSED"),
            std::string::npos)
      << "one length, written twice";
}

TEST(AdminExposure, TheLogOverHttpCanBeTurnedOff) {
  test::WebServerFixture web;
  WriteSettings(web, "", "web=\"0\"");
  EXPECT_EQ(test::Get(web.Port(), "/skyranks.log"), web.DefaultPage());
  WriteSettings(web, "", "web=\"1\"");
  EXPECT_TRUE(StartsWith(test::Get(web.Port(), "/skyranks.log"), "HTTP/1.1 200 OK\r\nConnection: close\r\ncontent-length: "));
}

}  // namespace
}  // namespace sky
