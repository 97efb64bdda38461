// The metrics view over real sockets: the text format, what it counts, and
// that no other request's answer changes.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "web/http_test_client.h"
#include "web/metrics_text.h"

namespace sky {
namespace {

using namespace std::chrono_literals;
using test::ScrapeMetrics;

const std::vector<std::string> kViews = {"config", "show",    "history", "query",   "info",
                                         "file",   "metrics", "control", "default", "other"};
const std::vector<std::string> kReasons = {"line_too_long", "too_many_headers", "body_too_large",
                                           "request_timeout", "write_timeout"};

double Requests(const test::MetricsText& metrics, const std::string& view) {
  return metrics.Value("skyranks_http_requests_total{view=\"" + view + "\"}");
}
double Refused(const test::MetricsText& metrics, const std::string& reason) {
  return metrics.Value("skyranks_http_refused_total{reason=\"" + reason + "\"}");
}

TEST(MetricsView, EveryFamilyInTheTextFormatWithoutSecrets) {
  test::WebServerFixture web;
  const test::MetricsText metrics = ScrapeMetrics(web.Port());
  EXPECT_EQ(metrics.faults, std::vector<std::string>{});
  for (const char* family :
       {"skyranks_passes_total", "skyranks_passes_failed_total", "skyranks_last_pass_duration_seconds",
        "skyranks_last_pass_pilots_examined", "skyranks_last_pass_rows_written",
        "skyranks_last_success_timestamp_seconds", "skyranks_http_requests_total", "skyranks_http_refused_total",
        "skyranks_http_connection_limit_reached_total", "skyranks_resident_memory_bytes"}) {
    EXPECT_EQ(metrics.families.count(family), 1u) << family;
  }
  EXPECT_GT(metrics.Value("skyranks_resident_memory_bytes"), 1024 * 1024);
  for (const char* secret : {"pintowel", "secret-db"}) {
    EXPECT_EQ(metrics.body.find(secret), std::string::npos) << secret;
  }
}

TEST(MetricsView, OnlyTheExactNameIsTheView) {
  test::WebServerFixture web;
  for (const char* target : {"/METRICS", "/metrics?x=1", "/metrics.txt", "/xsl/metrics", "/?metrics"}) {
    EXPECT_EQ(test::Get(web.Port(), target), web.DefaultPage()) << target;
  }
}

TEST(MetricsView, RequestsAreCountedByTheViewThatTookThem) {
  test::WebServerFixture web;
  struct Case {
    std::string request;
    std::string view;
  };
  const std::vector<Case> cases = {
      {"GET /?cmd=config HTTP/1.1\r\n\r\n", "config"},
      {"GET /?CMD=QUERY&qid=9 HTTP/1.1\r\n\r\n", "query"},  // no query 9: the default page answers
      {"GET /xsl/missing.xsl HTTP/1.1\r\n\r\n", "file"},
      {"GET / HTTP/1.1\r\n\r\n", "default"},
      {"GET /?cmd=info HTTP/1.1\r\n\r\n", "default"},  // no character after the value: no command
      {"POST /ctrl.sky HTTP/1.1\r\nContent-Length: 14\r\n\r\npassword=wrong", "control"},
      {"POST /other HTTP/1.1\r\nContent-Length: 1\r\n\r\nx", "default"},
      {"HEAD / HTTP/1.1\r\n\r\n", "other"},
      {"GET /metrics HTTP/1.1\r\n\r\n", "metrics"},
  };
  for (const Case& c : cases) {
    const test::MetricsText before = ScrapeMetrics(web.Port());
    test::Exchange(web.Port(), c.request);
    const test::MetricsText after = ScrapeMetrics(web.Port());
    for (const std::string& view : kViews) {
      // The second scrape counts itself.
      const double expected = (view == c.view) + (view == "metrics");
      EXPECT_EQ(Requests(after, view) - Requests(before, view), expected) << c.request << "counted as " << view;
    }
  }
}

TEST(MetricsView, RefusalsAreCountedByTheLimitBroken) {
  THttpLimits limits;
  limits.request_timeout = 500ms;
  test::WebServerFixture web(limits);
  std::string headers;
  for (int i = 0; i <= 100; ++i) headers += "X-Line-" + std::to_string(i) + ": 1\r\n";
  struct Case {
    std::string request;
    std::string reason;
  };
  const std::vector<Case> cases = {
      {"GET /?" + std::string(9000, 'a') + " HTTP/1.1\r\n\r\n", "line_too_long"},
      {"GET / HTTP/1.1\r\n" + headers + "\r\n", "too_many_headers"},
      {"POST /ctrl.sky HTTP/1.1\r\nContent-Length: 70000\r\n\r\n", "body_too_large"},
      {"GET / HTTP/1.1\r\n", "request_timeout"},  // the empty line never comes
  };
  for (const Case& c : cases) {
    const test::MetricsText before = ScrapeMetrics(web.Port());
    EXPECT_EQ(test::Exchange(web.Port(), c.request), "");
    const test::MetricsText after = ScrapeMetrics(web.Port());
    for (const std::string& reason : kReasons) {
      EXPECT_EQ(Refused(after, reason) - Refused(before, reason), reason == c.reason) << c.reason << " / " << reason;
    }
    EXPECT_EQ(Requests(after, "default"), Requests(before, "default")) << "a refused request is not answered";
  }
}

TEST(MetricsView, ReachingTheConnectionLimitIsCounted) {
  THttpLimits limits;
  limits.max_connections = 1;
  limits.request_timeout = 1s;
  test::WebServerFixture web(limits);
  const char kReached[] = "skyranks_http_connection_limit_reached_total";
  const double before = ScrapeMetrics(web.Port()).Value(kReached);
  test::ClientSocket silent(web.Port());  // holds the one connection until its deadline
  const double after = ScrapeMetrics(web.Port()).Value(kReached);  // waits for it in the listen queue
  EXPECT_GE(after - before, 1);
}

}  // namespace
}  // namespace sky
