#include "web/answer_format.h"

#include <algorithm>
#include <optional>
#include <string>

#include "web/request_parsing.h"
#include "xml/encoding.h"

namespace sky {

namespace {

// The value of `name` among the parameters after the path ("?a=1&b=2").
std::optional<std::string> ParameterValue(std::string_view params, std::string_view name) {
  const std::size_t query = params.find('?');
  if (query == std::string_view::npos) return std::nullopt;
  std::string_view rest = params.substr(query + 1);
  while (!rest.empty()) {
    const std::size_t end = std::min(rest.find('&'), rest.size());
    const std::string_view pair = rest.substr(0, end);
    const std::size_t equals = pair.find('=');
    if (equals != std::string_view::npos && EqualsIgnoreCase(pair.substr(0, equals), name)) {
      return AsciiLower(pair.substr(equals + 1));
    }
    rest.remove_prefix(std::min(end + 1, rest.size()));
  }
  return std::nullopt;
}

// The value of the first header line named `name`, without case.
std::optional<std::string_view> HeaderValue(std::string_view request, std::string_view name) {
  for (std::size_t begin = request.find("\r\n"); begin != std::string_view::npos;) {
    begin += 2;
    const std::size_t end = request.find("\r\n", begin);
    if (end == std::string_view::npos) break;
    const std::string_view line = request.substr(begin, end - begin);
    const std::size_t colon = line.find(':');
    if (colon != std::string_view::npos && EqualsIgnoreCase(TrimText(line.substr(0, colon)), name)) {
      return line.substr(colon + 1);
    }
    begin = end;
  }
  return std::nullopt;
}

// The weight of a media range ("text/html;q=0.9"): 1 unless a q says otherwise.
double Weight(std::string_view range) {
  double weight = 1.0;
  for (std::size_t semicolon = range.find(';'); semicolon != std::string_view::npos;
       semicolon = range.find(';', semicolon + 1)) {
    const std::string parameter = AsciiLower(TrimText(range.substr(semicolon + 1, range.find(';', semicolon + 1) -
                                                                                      semicolon - 1)));
    if (parameter.rfind("q=", 0) == 0) weight = ParseDecimal<double>(parameter.substr(2)).value_or(0.0);
  }
  return weight;
}

}  // namespace

bool AcceptPrefersHtml(std::string_view accept) {
  double html = 0.0;
  double xml = 0.0;
  while (!accept.empty()) {
    const std::size_t end = std::min(accept.find(','), accept.size());
    const std::string_view range = accept.substr(0, end);
    const std::string type = AsciiLower(TrimText(range.substr(0, range.find(';'))));
    const double weight = Weight(range);
    if (type == "text/html" || type == "application/xhtml+xml") html = std::max(html, weight);
    if (type == "application/xml" || type == "text/xml" || type == "*/*" || type == "text/*" ||
        type == "application/*") {
      xml = std::max(xml, weight);
    }
    accept.remove_prefix(std::min(end + 1, accept.size()));
  }
  return html > xml;
}

TAnswerFormat ChooseAnswerFormat(std::string_view request) {
  const std::optional<std::string> format = ParameterValue(GetRequestParams(request), "format");
  if (format == "xml") return {TAnswerKind::kXml, false};
  if (format == "html") return {TAnswerKind::kHtml, false};
  if (format == "json") return {TAnswerKind::kJson, false};
  const std::optional<std::string_view> accept = HeaderValue(request, "accept");
  if (accept && AcceptPrefersHtml(*accept)) return {TAnswerKind::kHtml, true};
  return {TAnswerKind::kXml, false};
}

}  // namespace sky
