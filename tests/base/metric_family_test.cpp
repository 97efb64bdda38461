// The text of one family as a scraper reads it: escaping and numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "base/metric_family.h"

namespace sky {
namespace {

TEST(MetricFamily, LabelValuesAreEscapedAndSeriesSorted) {
  TMetricFamily family("sky_test_total", "Help with a \\ and\na line feed.", TMetricType::kCounter, {"host", "db"});
  family.With({"b\"quoted\"", "c:\\data"}).Add(2);
  family.With({"a", "line\nfeed"}).Add();
  family.With({"a", "line\nfeed"}).Add();
  EXPECT_THROW(family.With({"one value"}), std::invalid_argument);
  std::string text;
  family.Render(text);
  EXPECT_EQ(text,
            "# HELP sky_test_total Help with a \\\\ and\\na line feed.\n"
            "# TYPE sky_test_total counter\n"
            "sky_test_total{host=\"a\",db=\"line\\nfeed\"} 2\n"
            "sky_test_total{host=\"b\\\"quoted\\\"\",db=\"c:\\\\data\"} 2\n");
}

TEST(MetricFamily, NumbersAsTheFormatWritesThem) {
  const struct {
    double value;
    const char* text;
  } cases[] = {{0, "0"}, {12304384, "12304384"}, {0.25, "0.25"}, {1796786784.0453315, "1796786784.0453315"},
               {std::nan(""), "NaN"}, {-std::numeric_limits<double>::infinity(), "-Inf"}};
  for (const auto& c : cases) EXPECT_EQ(MetricNumberText(c.value), c.text) << c.text;
}

}  // namespace
}  // namespace sky
