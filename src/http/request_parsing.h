// Reading the parts of a request that the router needs.
//
// The request text is the header lines as received, each followed by CR LF,
// the final empty line included. Everything is matched as it arrived: there
// is no URL-decoding anywhere, so names and values made of letters, digits
// and underscores are what the routes understand.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "http/regex.h"

namespace sky {

enum TRequestKind { kGetRequest = 0, kPostRequest = 1, kOtherRequest = 2 };

TRequestKind GetRequestKind(std::string_view request);
// What follows "GET /" when it starts with a word character, trimmed; empty otherwise.
std::string GetRequestFileName(std::string_view request);
// Everything between "GET /" and " HTTP/x.y", trimmed; empty when absent.
std::string GetRequestParams(std::string_view request);
// The Content-Length header as a number; 0 when missing or not a number.
int64_t GetContentLength(std::string_view request);

// The parameters after the path ("/?a=1&b=2") as "name=value" lines in URL
// order, each as it arrived (not decoded); empty pieces left out.
std::vector<std::string> QueryParameterList(std::string_view params);
// The value of the first "name=value" line whose name equals `name` without
// case; nullopt when no line has that name.
std::optional<std::string> ListValue(const std::vector<std::string>& list, std::string_view name);
// The value of the first header line named `name`, without case.
std::optional<std::string_view> HeaderValue(std::string_view request, std::string_view name);
// The values of every header line named `name`, without case, in order.
std::vector<std::string_view> HeaderValues(std::string_view request, std::string_view name);
// The weight of one item of a weighted header list ("text/html;q=0.9",
// "en-GB;q=0.5"): 1 unless a q says otherwise.
double QualityWeight(std::string_view item);

// A number parameter of one fixed name. The pattern is compiled once, when
// the reader is made, and one reader serves any number of threads at once:
// keep readers in function-local statics, not per request.
class TNumberParam {
 public:
  enum class TPlacement {
    kFormField,      // "<name>=" anywhere, in any letter case (a control form body)
    kQueryParameter  // "<name>=" right after "?" or "&", exact case (a view's parameter string)
  };

  TNumberParam(std::string_view name, TPlacement placement);

  // The digits after the first match of the name, or nullopt when no match
  // is followed by at least one digit.
  std::optional<std::string> In(std::string_view text) const;

 private:
  TRegex pattern_;
};

// The parsed command of a GET parameter string: the first parameter as
// cmd_name/cmd_value, the ones after it as "name=value" lines in URL order.
// A first value must be followed by a non-word character to count, so
// "?cmd=info" yields an empty command.
struct TGetCmdItem {
  explicit TGetCmdItem(std::string_view params);

  std::string cmd_name;
  std::string cmd_value;
  std::vector<std::string> params;
};

}  // namespace sky
