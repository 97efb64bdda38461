// Which format a request gets: the parameter first, then the Accept header.
#include <gtest/gtest.h>

#include "web/answer_format.h"

namespace sky {
namespace {

TEST(AnswerFormat, ParameterThenAcceptHeader) {
  const struct {
    const char* request;
    TAnswerKind kind;
    bool negotiated;
  } cases[] = {
      {"GET /?cmd=show HTTP/1.1\r\n\r\n", TAnswerKind::kXml, false},
      {"GET /?cmd=show&format=json HTTP/1.1\r\n\r\n", TAnswerKind::kJson, false},
      {"GET /?format=Html&cmd=show HTTP/1.1\r\n\r\n", TAnswerKind::kHtml, false},
      {"GET /?cmd=show&format=xml HTTP/1.1\r\naccept: text/html\r\n\r\n", TAnswerKind::kXml, false},
      {"GET /?cmd=show&format= HTTP/1.1\r\nAccept: text/html\r\n\r\n", TAnswerKind::kHtml, true},
      {"GET /?cmd=show&xformat=json HTTP/1.1\r\n\r\n", TAnswerKind::kXml, false},
      {"GET /?cmd=show HTTP/1.1\r\nX-Accept: text/html\r\n\r\n", TAnswerKind::kXml, false},
  };
  for (const auto& c : cases) {
    const TAnswerFormat format = ChooseAnswerFormat(THttpRequest::Parse(c.request));
    EXPECT_EQ(format.kind, c.kind) << c.request;
    EXPECT_EQ(format.negotiated, c.negotiated) << c.request;
  }
}

TEST(AnswerFormat, AcceptPrefersHtmlOnlyAboveEveryXmlWeight) {
  const struct {
    const char* accept;
    bool html;
  } cases[] = {
      {"text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8", true},
      {"text/html", true},
      {" TEXT/HTML ; level=1", true},
      {"*/*", false},
      {"text/html, */*", false},
      {"text/html;q=0.5, application/xml", false},
      {"application/xml;q=0.4, text/html;q=0.6", true},
      {"text/*;q=0.3, application/xhtml+xml;q=0.4", true},
      {"text/html;q=0", false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(AcceptPrefersHtml(c.accept), c.html) << c.accept;
}

}  // namespace
}  // namespace sky
