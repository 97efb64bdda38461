// Requests through real sockets against a running web server: routes,
// answer bytes and the default page.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/paths.h"
#include "web/banner.h"
#include "web/http_answer.h"
#include "web/http_test_client.h"
#include "web/view_params.h"

namespace sky {
namespace {

using test::Exchange;
using test::Get;
using test::Post;

bool IsStatusPage(const std::string& answer) {
  return answer.find(Utf8ToCp1251("<h1>Текущие настройки</h1>")) != std::string::npos;
}

TEST(HttpRouting, DefaultPageWithTheHostPlaceholderReplaced) {
  test::WebServerFixture web;
  EXPECT_EQ(Get(web.Port(), "/"), web.DefaultPage());
  EXPECT_EQ(Get(web.Port(), "/index.html"), web.DefaultPage()) << "through the file routing";
  EXPECT_EQ(Get(web.Port(), "/?nothing=here"), web.DefaultPage());
}

TEST(HttpRouting, MissingDefaultPageGivesTheBareErrorText) {
  test::WebServerFixture web;
  std::filesystem::remove(DefaultPageFileName());
  EXPECT_EQ(Get(web.Port(), "/"), std::string("ERROR! Default web page not found!") + test::kBannerLink);
}

TEST(HttpRouting, StatusPageOnlyForTheExactParameterString) {
  test::WebServerFixture web;
  EXPECT_TRUE(IsStatusPage(Get(web.Port(), "/?cmd=config")));
  EXPECT_TRUE(IsStatusPage(Get(web.Port(), "/?CMD=CONFIG"))) << "parameters are lowered first";
  EXPECT_EQ(Get(web.Port(), "/?cmd=config&x=1"), web.DefaultPage());
}

TEST(HttpRouting, CommandsNeedACharacterAfterTheirValue) {
  test::WebServerFixture web;
  EXPECT_EQ(Get(web.Port(), "/?cmd=info"), web.DefaultPage());
  EXPECT_EQ(Get(web.Port(), "/?cmd=query&qid=9"), web.DefaultPage()) << "no query 9 in the settings";
}

TEST(HttpRouting, RequestsThatAreNeitherGetNorPostGetNothing) {
  test::WebServerFixture web;
  EXPECT_EQ(Exchange(web.Port(), "HEAD / HTTP/1.1\r\nHost: x\r\n\r\n"), "");
  EXPECT_EQ(Exchange(web.Port(), "PUT /ctrl.sky HTTP/1.1\r\nContent-Length: 3\r\n\r\nabc"), "");
}

TEST(HttpRouting, PostsWithoutABodyOrToAnotherPathGetTheDefaultPage) {
  test::WebServerFixture web;
  EXPECT_EQ(Exchange(web.Port(), "POST /ctrl.sky HTTP/1.1\r\nContent-Length: 0\r\n\r\n"), web.DefaultPage());
  EXPECT_EQ(Exchange(web.Port(), "POST /ctrl.sky HTTP/1.1\r\nHost: x\r\n\r\n"), web.DefaultPage());
  EXPECT_EQ(Post(web.Port(), "/other", "password=pintowel&actionid=pause"), web.DefaultPage());
  EXPECT_TRUE(web.service.Events().empty());
}

TEST(HttpRouting, ContentLengthWithBlanksAroundTheNumber) {
  test::WebServerFixture web;
  const std::string body = "password=pintowel&actionid=pause";
  const std::string answer = Exchange(web.Port(), "POST /CTRL.SKY HTTP/1.1\r\ncontent-length:   " +
                                                      std::to_string(body.size()) + "  \r\n\r\n" + body);
  EXPECT_NE(answer.find("PAUSED"), std::string::npos) << answer;
  EXPECT_EQ(web.service.Events(), std::vector<std::string>{"timer off"});
}

TEST(HttpRouting, BannerAndRequestLogLines) {
  test::WebServerFixture web;
  const std::string banner = Get(web.Port(), "/SKY.GIF");
  EXPECT_EQ(banner.substr(0, banner.find("\r\n\r\n") + 4),
            "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: " + std::to_string(BannerImage().size()) +
                "\r\nContent-Type: image/gif\r\n\r\n");
  web.home.ClearLog();
  Get(web.Port(), "/?cmd=config");
  const std::vector<std::string> lines = web.home.LogLines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "TS\tHTTP REQUEST :\tGET /?cmd=config HTTP/1.1");
  EXPECT_EQ(lines[1], "TS\tHTTP REQUEST :\tHost: 127.0.0.1");
  EXPECT_EQ(lines[2], "TS\tHTTP REQUEST :\t");
}

// The framing functions as one answer, byte for byte.
TEST(HttpAnswer, FramedHtmlAnswerBytes) {
  struct Recorder : TConnection {
    std::string ReadLine() override { return {}; }
    std::string ReadBytes(std::size_t) override { return {}; }
    void Write(std::string_view bytes) override { written.append(bytes); }
    void Disconnect() override {}
    bool Connected() const override { return true; }
    std::string LocalIp() const override { return "10.0.0.5"; }
    uint16_t LocalPort() const override { return 21009; }
    std::string PeerIp() const override { return "10.0.0.9"; }
    std::string written;
  } connection;
  SendHTTPAnswer(connection, "Заголовок", "тело <b>ответа</b>");
  EXPECT_EQ(connection.written,
            "HTTP/1.1 200 OK\r\n"
            "Server: skystat_warden embedded web server\r\n"
            "Connection: close\r\n"
            "\r\n"
            "<html><title>sky ranks response page</title><meta http-equiv=\"Content-Type\" "
            "content=\"text/html; charset=windows-1251\"><h1>\xC7\xE0\xE3\xEE\xEB\xEE\xE2\xEE\xEA</h1>\r\n"
            "\xF2\xE5\xEB\xEE <b>\xEE\xF2\xE2\xE5\xF2\xE0</b></html>\r\n");
}

}  // namespace
}  // namespace sky
