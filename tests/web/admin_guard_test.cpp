// Which host names and origins the admin side of the port accepts, and how
// a request's framing is judged.
#include "web/admin_guard.h"

#include <gtest/gtest.h>

#include "http/request_framing.h"

namespace sky {
namespace {

TEST(AdminGuard, HostNames) {
  const struct {
    const char* host;
    const char* listed;
    bool allowed;
  } cases[] = {
      {"127.0.0.1", "", true},           {"127.0.0.1:21009", "", true},     {"10.1.2.3:80", "", true},
      {"[::1]:21009", "", true},         {"[fe80::1]", "", true},           {"::1", "", true},
      {"localhost:21009", "", true},     {"LOCALHOST.", "", true},          {"warden:21009", "", true},
      {"Warden", "", true},              {"", "", true},                    {"evil.example", "", false},
      {"evil.example:21009", "", false}, {"127.0.0.1.evil.example", "", false},
      {"[evil.example]", "", false},     {"1.2.3", "", false},              {"localhost.evil", "", false},
      {"stats.example.org:8443", "ranks.example.org, Stats.Example.org", true},
      {"ranks.example.org", "stats.example.org ranks.example.org:21009", true},
      {"example.org", "stats.example.org", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AdminHostAllowed(c.host, c.listed, "warden"), c.allowed) << c.host << " / " << c.listed;
  }
}

TEST(AdminGuard, Origins) {
  const struct {
    const char* origin;
    const char* host;
    const char* listed;
    bool allowed;
  } cases[] = {
      {"http://127.0.0.1:21009", "127.0.0.1:21009", "", true},
      {"HTTP://Stats.Example.org", "stats.example.org", "", true},
      {"http://stats.example.org", "stats.example.org:80", "", true},
      {"https://stats.example.org", "stats.example.org", "", true},
      {"https://stats.example.org:443", "stats.example.org", "", true},
      {"http://[::1]:21009", "[::1]:21009", "", true},
      {"http://127.0.0.1:8080", "127.0.0.1:21009", "", false},
      {"http://127.0.0.1", "127.0.0.1:21009", "", false},
      {"https://stats.example.org", "stats.example.org:80", "", false},
      {"http://evil.example", "127.0.0.1:21009", "", false},
      {"null", "127.0.0.1:21009", "", false},
      {"http://127.0.0.1:21009", "", "", false},
      {"https://squadron.example", "127.0.0.1:21009", "https://squadron.example", true},
      {"https://squadron.example", "127.0.0.1:21009", "https://squadron.example:443/", true},
      {"http://squadron.example", "127.0.0.1:21009", "https://squadron.example", false},
      {"http://squadron.example:8080", "127.0.0.1:21009", "a.example, squadron.example:8080", true},
      {"https://squadron.example", "127.0.0.1:21009", "squadron.example", true},
      {"https://squadron.example:8443", "127.0.0.1:21009", "squadron.example", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(OriginAllowed(c.origin, c.host, c.listed), c.allowed)
        << c.origin << " to " << c.host << " / " << c.listed;
  }
  EXPECT_EQ(UrlOrigin("http://user:pw@Stats.example.org:8080/ctrl?x=1#y"), "http://stats.example.org:8080");
  EXPECT_EQ(UrlOrigin("/ctrl.sky"), "");
}

TEST(RequestFraming, LengthsAndTransferCodings) {
  const struct {
    const char* head;
    TFramingFault fault;
  } cases[] = {
      {"", TFramingFault::kNone},
      {"Content-Length: 5\r\n", TFramingFault::kNone},
      {"Content-Length: 5\r\ncontent-length:005\r\n", TFramingFault::kNone},
      {"Content-Length: abc\r\n", TFramingFault::kNone},
      {"Content-Length: 5\r\nContent-Length: 6\r\n", TFramingFault::kConflictingLengths},
      {"Content-Length: 5, 6\r\n", TFramingFault::kConflictingLengths},
      {"Content-Length: 5\r\nContent-Length : 7\r\n", TFramingFault::kConflictingLengths},
      {"Content-Length: 5\r\nContent-Length: \r\n", TFramingFault::kConflictingLengths},
      {"Transfer-Encoding: chunked\r\n", TFramingFault::kTransferEncoding},
      {"Content-Length: 5\r\ntransfer-encoding: identity\r\n", TFramingFault::kTransferEncoding},
      {"X-Transfer-Encoding: chunked\r\n", TFramingFault::kNone},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CheckRequestFraming(std::string("POST /ctrl.sky HTTP/1.1\r\nHost: x\r\n") + c.head + "\r\n"), c.fault)
        << c.head;
  }
}

}  // namespace
}  // namespace sky
