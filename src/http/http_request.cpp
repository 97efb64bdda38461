#include "http/http_request.h"

#include <utility>

#include "base/encoding.h"
#include "base/log.h"
#include "base/text.h"

namespace sky {

THttpRequest THttpRequest::Parse(std::string text, std::string client_ip) {
  THttpRequest request;
  request.kind = GetRequestKind(text);
  request.path = GetRequestFileName(text);
  request.target = GetRequestParams(text);
  request.params = AsciiLower(TrimText(request.target));
  request.query = QueryParameterList(request.target);
  request.command = TGetCmdItem(request.params);
  request.content_length = GetContentLength(text);
  request.text = std::move(text);
  request.client_ip = std::move(client_ip);
  return request;
}

std::optional<std::string> THttpRequest::LowerQuery(std::string_view name) const {
  std::optional<std::string> value = Query(name);
  if (value) *value = AsciiLower(*value);
  return value;
}

THttpRequest ReadHttpRequest(TConnection& connection, const THttpLimits& limits) {
  std::string text;
  for (std::size_t lines = 0;; ++lines) {
    const std::string line = Cp1251ToUtf8(connection.ReadLine());
    if (!line.empty() && lines >= limits.max_header_lines) {
      throw RefusedRequest(THttpRefusal::kTooManyHeaders, "too many header lines");
    }
    text += line + "\r\n";
    WriteLog(7, "HTTP REQUEST :", line);
    if (line.empty()) return THttpRequest::Parse(std::move(text), connection.PeerIp());
  }
}

void ReadRequestBody(TConnection& connection, THttpRequest& request, const THttpLimits& limits) {
  if (static_cast<uint64_t>(request.content_length) > limits.max_body_bytes) {
    throw RefusedRequest(THttpRefusal::kBodyTooLarge, "request body too large");
  }
  request.body = connection.ReadBytes(static_cast<std::size_t>(request.content_length));
}

}  // namespace sky
