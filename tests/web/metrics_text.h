// The metrics answer as a scraper reads it: the head, the families' HELP
// and TYPE lines and every sample, with whatever breaks the text format
// collected as faults.
#pragma once

#include <cmath>
#include <cstdlib>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "web/http_test_client.h"

namespace sky::test {

struct MetricsText {
  std::string body;
  std::map<std::string, double> samples;  // by series: name with its labels
  std::set<std::string> families;         // names with both HELP and TYPE
  std::vector<std::string> faults;

  // NaN when the series is not there.
  double Value(const std::string& series) const {
    const auto found = samples.find(series);
    return found == samples.end() ? std::nan("") : found->second;
  }
};

inline bool IsNumber(const std::string& text) {
  if (text == "NaN" || text == "+Inf" || text == "-Inf") return true;
  char* end = nullptr;
  std::strtod(text.c_str(), &end);
  return !text.empty() && end == text.c_str() + text.size();
}

inline MetricsText ParseMetrics(const std::string& body) {
  static const std::regex kComment(R"(# (HELP|TYPE) ([a-zA-Z_:][a-zA-Z0-9_:]*) (.+))");
  static const std::regex kSample(
      R"(([a-zA-Z_:][a-zA-Z0-9_:]*)(\{[a-zA-Z_]\w*="(?:[^"\\\n]|\\.)*"(?:,[a-zA-Z_]\w*="(?:[^"\\\n]|\\.)*")*\})? (\S+))");
  MetricsText parsed;
  parsed.body = body;
  std::map<std::string, std::string> help, type;
  std::istringstream lines(body);
  std::string line;
  std::smatch match;
  while (std::getline(lines, line)) {
    if (std::regex_match(line, match, kComment)) {
      (match[1] == "HELP" ? help : type)[match[2]] = match[3];
      if (help.count(match[2]) != 0 && type.count(match[2]) != 0) parsed.families.insert(match[2]);
    } else if (!std::regex_match(line, match, kSample) || !IsNumber(match[3])) {
      parsed.faults.push_back("not a sample: " + line);
    } else if (parsed.families.count(match[1]) == 0) {
      parsed.faults.push_back("no HELP and TYPE before: " + line);
    } else if ((type[match[1]] == "counter") != (match[1].str().ends_with("_total"))) {
      parsed.faults.push_back("counters and only counters end in _total: " + line);
    } else if (!parsed.samples.emplace(match[1].str() + match[2].str(), std::stod(match[3])).second) {
      parsed.faults.push_back("twice: " + line);
    }
  }
  for (const auto& [name, kind] : type) {
    if (kind != "counter" && kind != "gauge") parsed.faults.push_back("type of " + name + ": " + kind);
  }
  return parsed;
}

// GET /metrics: the parsed body, after checking the head and the length.
inline MetricsText ScrapeMetrics(uint16_t port) {
  const std::string answer = Get(port, "/metrics");
  const std::size_t head_end = answer.find("\r\n\r\n");
  const std::string body = head_end == std::string::npos ? "" : answer.substr(head_end + 4);
  MetricsText parsed = ParseMetrics(body);
  const std::string head = "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Type: text/plain; version=0.0.4\r\n"
                           "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
  if (answer.substr(0, head_end + 4) != head) parsed.faults.push_back("head: " + answer.substr(0, head_end));
  return parsed;
}

}  // namespace sky::test
