#include "http/http_response.h"

#include <utility>

namespace sky {

THttpResponse& THttpResponse::Header(std::string_view name, std::string_view value) {
  lines_.push_back(std::string(name).append(": ").append(value));
  return *this;
}

THttpResponse& THttpResponse::Body(std::string body) {
  body_ = std::move(body);
  return *this;
}

std::string THttpResponse::Head() const {
  std::string head = "HTTP/1.1 " + status_ + "\r\n";
  for (const std::string& line : lines_) head.append(line).append("\r\n");
  return head.append("\r\n");
}

void THttpResponse::Send(TConnection& connection) const { connection.Write(Head() + body_); }

void THttpResponse::Send(TConnection& connection, std::string_view body) const {
  connection.Write(Head());
  connection.Write(body);
}

THttpResponse HtmlResponse() {
  THttpResponse response;
  response.Header("Server", "skystat_warden embedded web server").Header("Connection", "close");
  return response;
}

THttpResponse XmlResponse() {
  THttpResponse response;
  response.Header("Connection", "close").Header("content-type", "Text/xml");
  return response;
}

THttpResponse FileResponse(std::size_t size) {
  THttpResponse response;
  response.Header("Connection", "close")
      .Header("content-length", std::to_string(size))
      .Header("content-type", "Application/data;");
  return response;
}

THttpResponse ImageResponse(std::size_t size, std::string_view content_type) {
  THttpResponse response;
  response.Header("Connection", "close")
      .Header("Content-Length", std::to_string(size))
      .Header("Content-Type", content_type);
  return response;
}

THttpResponse TypedHead(std::string_view content_type, std::size_t length, std::string_view status) {
  THttpResponse response(status);
  response.Header("Connection", "close")
      .Header("Content-Type", content_type)
      .Header("Content-Length", std::to_string(length));
  return response;
}

THttpResponse TypedResponse(std::string_view content_type, std::string body, std::string_view status) {
  THttpResponse response = TypedHead(content_type, body.size(), status);
  response.Body(std::move(body));
  return response;
}

THttpResponse PlainResponse(std::string_view status, std::string text) {
  return TypedResponse("text/plain; charset=utf-8", std::move(text), status);
}

}  // namespace sky
