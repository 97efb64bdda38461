// One answer: its status, its head lines in the order and letter case they
// go out, and its body. This is the one place status lines and heads are
// written; every answer of the server is made through it.
//
// The head is "HTTP/1.1 " + status, each header line as "Name: value", then
// the empty line, every line ending in CR LF. Names keep the case they are
// given: clients have always seen "content-length" on files and
// "Content-Length" on pictures, and both stay as they were.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "http/connection.h"

namespace sky {

class THttpResponse {
 public:
  explicit THttpResponse(std::string_view status = "200 OK") : status_(status) {}

  // Appends the line "name: value".
  THttpResponse& Header(std::string_view name, std::string_view value);
  // The body sent after the head (none by default).
  THttpResponse& Body(std::string body);

  // The status line, the header lines and the empty line.
  std::string Head() const;
  // The head and the body in one write.
  void Send(TConnection& connection) const;
  // The head, then `body` in place of the body, without copying it (a
  // large document).
  void Send(TConnection& connection, std::string_view body) const;

 private:
  std::string status_;
  std::vector<std::string> lines_;
  std::string body_;
};

// The heads the server's answers have always carried, each with
// "Connection: close" (the end of the answer is the end of the connection).
// HTML pages: the server line, no type, no length.
THttpResponse HtmlResponse();
// XML documents: "content-type: Text/xml", no length.
THttpResponse XmlResponse();
// Static files: "content-length" and "content-type: Application/data;".
THttpResponse FileResponse(std::size_t size);
// Pictures a browser shows only when their type is named.
THttpResponse ImageResponse(std::size_t size, std::string_view content_type);
// The head of a typed body of `length` bytes ("Content-Type", "Content-Length").
THttpResponse TypedHead(std::string_view content_type, std::size_t length, std::string_view status = "200 OK");
// The same with its body.
THttpResponse TypedResponse(std::string_view content_type, std::string body, std::string_view status = "200 OK");
// A refusal ("403 Forbidden"): the plain `text` (ASCII), typed and measured.
THttpResponse PlainResponse(std::string_view status, std::string text);

}  // namespace sky
