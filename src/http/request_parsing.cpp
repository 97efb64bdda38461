#include "http/request_parsing.h"

#include <algorithm>

#include "base/text.h"
#include "http/regex.h"

namespace sky {

namespace {

const TRegex& GetPattern() {
  static const TRegex pattern(R"((?i)^get\s+/.*\s+http/\d.\d)");
  return pattern;
}
const TRegex& PostPattern() {
  static const TRegex pattern(R"((?i)^post\s+)");
  return pattern;
}
const TRegex& FileNamePattern() {
  static const TRegex pattern(R"((?im)^get\s+/(\w.+)\s+http/\d.\d\s*$)");
  return pattern;
}
const TRegex& ParamsPattern() {
  static const TRegex pattern(R"((?im)^get\s+/(.+)\s+http/\d.\d\s*$)");
  return pattern;
}
const TRegex& ContentLengthPattern() {
  static const TRegex pattern(R"((?im)^content-length:\s*(\d+)\s*$)");
  return pattern;
}
const TRegex& FirstParamPattern() {
  static const TRegex pattern(R"(\?(\w+)=(\w+)\W)");
  return pattern;
}
const TRegex& FurtherParamPattern() {
  static const TRegex pattern(R"(&(\w+)=(\w+)\W*)");
  return pattern;
}

std::string TrimmedGroup(const TRegex& pattern, std::string_view request) {
  std::optional<TRegexMatch> match = pattern.Search(request);
  return match ? TrimText(match->Group(1)) : std::string();
}

}  // namespace

TRequestKind GetRequestKind(std::string_view request) {
  if (GetPattern().Contains(request)) return kGetRequest;
  if (PostPattern().Contains(request)) return kPostRequest;
  return kOtherRequest;
}

std::string GetRequestFileName(std::string_view request) { return TrimmedGroup(FileNamePattern(), request); }

std::string GetRequestParams(std::string_view request) { return TrimmedGroup(ParamsPattern(), request); }

int64_t GetContentLength(std::string_view request) {
  std::optional<TRegexMatch> match = ContentLengthPattern().Search(request);
  if (!match) return 0;
  return ParseDecimal<int64_t>(match->Group(1)).value_or(0);
}

TNumberParam::TNumberParam(std::string_view name, TPlacement placement)
    : pattern_(placement == TPlacement::kFormField ? "(?i)" + TRegex::Quote(name) + R"(=(\d+))"
                                                   : R"((?:\?|&))" + TRegex::Quote(name) + R"(=(\d+))") {}

std::optional<std::string> TNumberParam::In(std::string_view text) const {
  std::optional<TRegexMatch> match = pattern_.Search(text);
  if (!match) return std::nullopt;
  return match->Group(1);
}

TGetCmdItem::TGetCmdItem(std::string_view text) {
  std::optional<TRegexMatch> first = FirstParamPattern().Search(text);
  if (!first) return;
  cmd_name = first->Group(1);
  cmd_value = first->Group(2);
  // Each search starts right after the previous value, not after the whole
  // match, so an "&" swallowed by \W* stays available to the next one.
  std::size_t position = first->End(2);
  while (std::optional<TRegexMatch> next = FurtherParamPattern().Search(text, position)) {
    params.push_back(next->Group(1) + "=" + next->Group(2));
    position = next->End(2);
  }
}

std::optional<std::string> ListValue(const std::vector<std::string>& list, std::string_view name) {
  for (const std::string& line : list) {
    std::size_t eq = line.find('=');
    if (eq != std::string::npos && EqualsIgnoreCase(std::string_view(line).substr(0, eq), name)) {
      return line.substr(eq + 1);
    }
  }
  return std::nullopt;
}

std::vector<std::string> QueryParameterList(std::string_view params) {
  std::vector<std::string> list;
  const std::size_t query = params.find('?');
  if (query == std::string_view::npos) return list;
  std::string_view rest = params.substr(query + 1);
  while (!rest.empty()) {
    const std::size_t end = std::min(rest.find('&'), rest.size());
    if (end > 0) list.emplace_back(rest.substr(0, end));
    rest.remove_prefix(std::min(end + 1, rest.size()));
  }
  return list;
}

// The values of every header line named `name`, without case, in order.
std::vector<std::string_view> HeaderValues(std::string_view request, std::string_view name) {
  std::vector<std::string_view> values;
  for (std::size_t begin = request.find("\r\n"); begin != std::string_view::npos;) {
    begin += 2;
    const std::size_t end = request.find("\r\n", begin);
    if (end == std::string_view::npos) break;
    const std::string_view line = request.substr(begin, end - begin);
    const std::size_t colon = line.find(':');
    if (colon != std::string_view::npos && EqualsIgnoreCase(TrimText(line.substr(0, colon)), name)) {
      values.push_back(line.substr(colon + 1));
    }
    begin = end;
  }
  return values;
}

// The value of the first header line named `name`, without case.
std::optional<std::string_view> HeaderValue(std::string_view request, std::string_view name) {
  const std::vector<std::string_view> values = HeaderValues(request, name);
  if (values.empty()) return std::nullopt;
  return values.front();
}

// The weight of a media range ("text/html;q=0.9"): 1 unless a q says otherwise.
double QualityWeight(std::string_view range) {
  double weight = 1.0;
  for (std::size_t semicolon = range.find(';'); semicolon != std::string_view::npos;
       semicolon = range.find(';', semicolon + 1)) {
    const std::string parameter = AsciiLower(TrimText(range.substr(semicolon + 1, range.find(';', semicolon + 1) -
                                                                                      semicolon - 1)));
    if (parameter.rfind("q=", 0) == 0) weight = ParseDecimal<double>(parameter.substr(2)).value_or(0.0);
  }
  return weight;
}

}  // namespace sky
