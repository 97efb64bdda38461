#include "web/answer_format.h"

#include <algorithm>
#include <optional>
#include <string>

#include "base/text.h"
#include "http/request_parsing.h"

namespace sky {

bool AcceptPrefersHtml(std::string_view accept) {
  double html = 0.0;
  double xml = 0.0;
  while (!accept.empty()) {
    const std::size_t end = std::min(accept.find(','), accept.size());
    const std::string_view range = accept.substr(0, end);
    const std::string type = AsciiLower(TrimText(range.substr(0, range.find(';'))));
    const double weight = QualityWeight(range);
    if (type == "text/html" || type == "application/xhtml+xml") html = std::max(html, weight);
    if (type == "application/xml" || type == "text/xml" || type == "*/*" || type == "text/*" ||
        type == "application/*") {
      xml = std::max(xml, weight);
    }
    accept.remove_prefix(std::min(end + 1, accept.size()));
  }
  return html > xml;
}

TAnswerFormat ChooseAnswerFormat(const THttpRequest& request) {
  const std::optional<std::string> format = request.LowerQuery("format");
  if (format == "xml") return {TAnswerKind::kXml, false};
  if (format == "html") return {TAnswerKind::kHtml, false};
  if (format == "json") return {TAnswerKind::kJson, false};
  const std::optional<std::string_view> accept = request.Header("accept");
  if (accept && AcceptPrefersHtml(*accept)) return {TAnswerKind::kHtml, true};
  return {TAnswerKind::kXml, false};
}

}  // namespace sky
