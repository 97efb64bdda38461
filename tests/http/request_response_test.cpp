// The request parsed once and the heads the one response type writes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "http/http_request.h"
#include "http/http_response.h"

namespace sky {
namespace {

TEST(HttpRequest, OneParseGivesEveryPartTheRoutesRead) {
  const THttpRequest request = THttpRequest::Parse(
      "GET /?CMD=Info&PilotId=12&srvid=2&&q=Ab%20c HTTP/1.1\r\nHost: x\r\nContent-Length: 7\r\n\r\n", "10.0.0.9");
  EXPECT_EQ(request.kind, kGetRequest);
  EXPECT_EQ(request.path, "");
  EXPECT_EQ(request.target, "?CMD=Info&PilotId=12&srvid=2&&q=Ab%20c");
  EXPECT_EQ(request.params, "?cmd=info&pilotid=12&srvid=2&&q=ab%20c");
  EXPECT_EQ(request.query, (std::vector<std::string>{"CMD=Info", "PilotId=12", "srvid=2", "q=Ab%20c"}));
  EXPECT_EQ(request.Query("pilotid"), "12");
  EXPECT_EQ(request.Query("Q"), "Ab%20c") << "values as they arrived";
  EXPECT_EQ(request.LowerQuery("cmd"), "info");
  EXPECT_EQ(request.Query("none"), std::nullopt);
  EXPECT_EQ(request.command.cmd_name, "cmd");
  EXPECT_EQ(request.command.cmd_value, "info");
  EXPECT_EQ(request.command.params, (std::vector<std::string>{"pilotid=12", "srvid=2", "q=ab"}));
  EXPECT_EQ(request.Header("HOST"), " x");
  EXPECT_EQ(request.content_length, 7);
  EXPECT_EQ(request.client_ip, "10.0.0.9");

  const THttpRequest file = THttpRequest::Parse("GET /xsl/board.xsl HTTP/1.0\r\n\r\n");
  EXPECT_EQ(file.path, "xsl/board.xsl");
  EXPECT_EQ(THttpRequest::Parse("HEAD / HTTP/1.1\r\n\r\n").kind, kOtherRequest);
}

TEST(HttpResponse, HeadsKeepTheirLinesOrderAndLetterCase) {
  struct Case {
    THttpResponse response;
    std::string head;
  };
  const Case cases[] = {
      {HtmlResponse(), "HTTP/1.1 200 OK\r\nServer: skystat_warden embedded web server\r\nConnection: close\r\n\r\n"},
      {XmlResponse(), "HTTP/1.1 200 OK\r\nConnection: close\r\ncontent-type: Text/xml\r\n\r\n"},
      {FileResponse(12),
       "HTTP/1.1 200 OK\r\nConnection: close\r\ncontent-length: 12\r\ncontent-type: Application/data;\r\n\r\n"},
      {ImageResponse(3, "image/gif"),
       "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 3\r\nContent-Type: image/gif\r\n\r\n"},
      {PlainResponse("429 Too Many Requests", "wait\r\n").Header("Retry-After", "60"),
       "HTTP/1.1 429 Too Many Requests\r\nConnection: close\r\nContent-Type: text/plain; charset=utf-8\r\n"
       "Content-Length: 6\r\nRetry-After: 60\r\n\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.response.Head(), c.head);
}

}  // namespace
}  // namespace sky
