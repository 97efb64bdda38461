#include "http/request_parsing.h"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <thread>

#include "web/form_fields.h"
#include "http/regex.h"

namespace sky {
namespace {

std::string Request(const std::string& first_line, const std::string& more = "") {
  return first_line + "\r\nHost: example\r\n" + more + "\r\n";
}

TEST(HttpRequestKind, GetPostAndEverythingElse) {
  EXPECT_EQ(GetRequestKind(Request("GET / HTTP/1.1")), kGetRequest);
  EXPECT_EQ(GetRequestKind(Request("get /?cmd=config http/1.0")), kGetRequest);
  EXPECT_EQ(GetRequestKind(Request("POST /ctrl.sky HTTP/1.1")), kPostRequest);
  EXPECT_EQ(GetRequestKind(Request("HEAD / HTTP/1.1")), kOtherRequest);
  EXPECT_EQ(GetRequestKind(Request("GET /")), kOtherRequest) << "no protocol version";
  EXPECT_EQ(GetRequestKind(Request("OPTIONS * HTTP/1.1", "X: GET / HTTP/1.1\r\n")), kOtherRequest)
      << "only the first line counts";
}

TEST(HttpRequestParts, FileNameNeedsAWordCharacterAfterTheSlash) {
  EXPECT_EQ(GetRequestFileName(Request("GET /xsl/history.xsl HTTP/1.1")), "xsl/history.xsl");
  EXPECT_EQ(GetRequestFileName(Request("GET /index.html HTTP/1.1")), "index.html");
  EXPECT_EQ(GetRequestFileName(Request("GET /xsl/history.xsl?v=2 HTTP/1.1")), "xsl/history.xsl?v=2");
  EXPECT_EQ(GetRequestFileName(Request("GET /?cmd=config HTTP/1.1")), "");
  EXPECT_EQ(GetRequestFileName(Request("GET / HTTP/1.1")), "");
  EXPECT_EQ(GetRequestFileName(Request("GET /../etc/passwd HTTP/1.1")), "");
}

TEST(HttpRequestParts, ParamsAreEverythingAfterTheSlash) {
  EXPECT_EQ(GetRequestParams(Request("GET /?cmd=config HTTP/1.1")), "?cmd=config");
  EXPECT_EQ(GetRequestParams(Request("GET /?CMD=SHOW&SRVID=2 HTTP/1.1")), "?CMD=SHOW&SRVID=2");
  EXPECT_EQ(GetRequestParams(Request("GET / HTTP/1.1")), "");
}

TEST(HttpRequestParts, ContentLength) {
  EXPECT_EQ(GetContentLength(Request("POST /ctrl.sky HTTP/1.1", "Content-Length: 42\r\n")), 42);
  EXPECT_EQ(GetContentLength(Request("POST /ctrl.sky HTTP/1.1", "content-length:   17   \r\n")), 17);
  EXPECT_EQ(GetContentLength(Request("POST /ctrl.sky HTTP/1.1")), 0);
  EXPECT_EQ(GetContentLength(Request("POST /ctrl.sky HTTP/1.1", "Content-Length: 12a\r\n")), 0);
  EXPECT_EQ(GetContentLength(Request("POST /ctrl.sky HTTP/1.1", "Content-Length: -5\r\n")), 0);
  EXPECT_EQ(GetContentLength(Request("POST /ctrl.sky HTTP/1.1", "Content-Length: 99999999999999999999999\r\n")), 0)
      << "a number too large for any body is no number";
}

TEST(HttpRequestParts, NumberParamTakesTheDigitsOfTheFirstPlaceThatFits) {
  using P = TNumberParam::TPlacement;
  const struct {
    const char* name;
    P placement;
    const char* text;
    std::optional<std::string> digits;
  } kCases[] = {
      {"srvid", P::kFormField, "password=x&actionid=reset&SRVID=12&srvid=3", "12"},
      {"srvid", P::kFormField, "actionid=reset&srvid=x", std::nullopt},
      {"srvid", P::kFormField, "actionid=reset", std::nullopt},
      {"srvid", P::kFormField, "xsrvid=4", "4"},
      {"a.b", P::kFormField, "axb=1&a.b=2", "2"},  // the name is literal text
      {"srvid", P::kQueryParameter, "?cmd=show&srvid=2", "2"},
      {"srvid", P::kQueryParameter, "?srvid=07&srvid=3", "07"},
      {"srvid", P::kQueryParameter, "?cmd=show&SRVID=2", std::nullopt},
      {"srvid", P::kQueryParameter, "?cmd=show&xsrvid=2&srvid=5", "5"},
      {"history", P::kQueryParameter, "?history=&history=9", "9"},
      {"history", P::kQueryParameter, "?history=12x", "12"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(TNumberParam(c.name, c.placement).In(c.text), c.digits) << c.name << " in " << c.text;
  }
}

TEST(HttpRequestParts, OneNumberParamServesManyThreadsAtOnce) {
  static const TNumberParam srvid("srvid", TNumberParam::TPlacement::kQueryParameter);
  std::vector<std::thread> readers;
  std::atomic<int> wrong{0};
  for (int t = 0; t < 4; ++t) {
    readers.emplace_back([&, t] {
      for (int i = 0; i < 500; ++i) {
        const std::string value = std::to_string(t * 1000 + i);
        if (srvid.In("?cmd=show&srvid=" + value) != value) ++wrong;
      }
    });
  }
  for (std::thread& reader : readers) reader.join();
  EXPECT_EQ(wrong.load(), 0);
}

TEST(HttpCommandItem, FirstParameterAndTheListInUrlOrder) {
  const TGetCmdItem query("?cmd=query&qid=7");
  EXPECT_EQ(query.cmd_name, "cmd");
  EXPECT_EQ(query.cmd_value, "query");
  EXPECT_EQ(query.params, std::vector<std::string>{"qid=7"});

  const TGetCmdItem info("?cmd=info&pilotid=12&srvid=2");
  EXPECT_EQ(info.cmd_value, "info");
  EXPECT_EQ(info.params, (std::vector<std::string>{"pilotid=12", "srvid=2"}));

  const TGetCmdItem config("?cmd=config&x=1");
  EXPECT_EQ(config.cmd_value, "config");
  EXPECT_EQ(config.params, std::vector<std::string>{"x=1"});
}

TEST(HttpCommandItem, ValuesAreWordCharactersOnly) {
  const TGetCmdItem bare("?cmd=info");
  EXPECT_EQ(bare.cmd_name, "") << "the first value needs a following non-word character";
  EXPECT_TRUE(bare.params.empty());

  const TGetCmdItem cut("?cmd=query&qid=3&name=a-b&x=%41&last=z");
  EXPECT_EQ(cut.params, (std::vector<std::string>{"qid=3", "name=a", "last=z"}));

  const TGetCmdItem none("cmd=query&qid=3");
  EXPECT_EQ(none.cmd_name, "");
  EXPECT_TRUE(none.params.empty()) << "without a first parameter nothing is read";
}

TEST(HttpRegex, SearchFromAPositionAndUnsetGroups) {
  const TRegex pattern(R"((a)|(b))");
  const auto match = pattern.Search("xxb", 1);
  ASSERT_TRUE(match);
  EXPECT_FALSE(match->Matched(1));
  EXPECT_EQ(match->Group(2), "b");
  EXPECT_EQ(match->Start(0), 2u);
  EXPECT_FALSE(pattern.Search("ab", 3));
  EXPECT_THROW(TRegex("(unclosed"), std::invalid_argument);
}

TEST(HttpFormFields, DecodingAndLookup) {
  EXPECT_EQ(UrlDecode("a+b%20c%3D%26%25%zz%4"), "a b c=&%%zz%4");
  EXPECT_EQ(FormFieldValue("actionid=pause&password=pin+towel%21&password=second", "password"), "pin towel!");
  EXPECT_EQ(FormFieldValue("pass%77ord=x", "password"), "x") << "names are decoded too";
  EXPECT_EQ(FormFieldValue("password", "password"), "");
  EXPECT_FALSE(FormFieldValue("xpassword=1&apassword=2", "password"));
}

TEST(HttpFormFields, MaskingShowsOnlyTheNamedFields) {
  const struct {
    const char* body;
    const char* logged;
  } cases[] = {
      {"password=secret&actionid=reset&srvid=2", "password=********&actionid=reset&srvid=2"},
      {"actionid=x&password=a%20b&password=c", "actionid=x&password=********&password=********"},
      {"xpassword=typed+here&actionid=pause", "xpassword=********&actionid=pause"},
      {"password=&mypassword=visible", "password=&mypassword=********"},
      {"action%69d=reset&srvid", "action%69d=reset&srvid"},
  };
  for (const auto& c : cases) EXPECT_EQ(MaskFormValues(c.body, {"actionid", "srvid"}), c.logged) << c.body;
}

TEST(HttpFormFields, ConstantTimeEquality) {
  EXPECT_TRUE(ConstantTimeEquals("pintowel", "pintowel"));
  EXPECT_FALSE(ConstantTimeEquals("pintowelX", "pintowel"));
  EXPECT_FALSE(ConstantTimeEquals("pintowe", "pintowel"));
  EXPECT_FALSE(ConstantTimeEquals("", "pintowel"));
  EXPECT_TRUE(ConstantTimeEquals("", ""));
  EXPECT_FALSE(ConstantTimeEquals(std::string("pin\0towel", 9), "pin"));
}

}  // namespace
}  // namespace sky
