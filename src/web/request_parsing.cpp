#include "web/request_parsing.h"

#include "web/regex.h"
#include "xml/encoding.h"

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

}  // namespace sky
