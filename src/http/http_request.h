// One request, read and parsed once (http/request_parsing.h holds the
// readers), as every route and view sees it.
//
// `text` is the header lines as received, each followed by CR LF, the final
// empty line included; the wire carries Windows-1251, the text is UTF-8.
// Nothing is URL-decoded. The parts the routes and views read:
//   kind      GET, POST or other, by the request-line expressions
//   path      the file name after "GET /" when it starts with a word
//             character, trimmed; empty otherwise
//   target    everything between "GET /" and " HTTP/x.y", trimmed
//   params    the target in lower case: what the routes match and the
//             commands and number parameters are read from
//   query     the target's parameters as "name=value" lines in URL order,
//             as they arrived (the pages read their texts from these)
//   command   the command of `params` (TGetCmdItem)
//   body      a POST's body, once ReadRequestBody has read it
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "http/connection.h"
#include "http/request_parsing.h"
#include "http/socket_connection.h"

namespace sky {

struct THttpRequest {
  // Parses the request text; `client_ip` is the peer's address.
  static THttpRequest Parse(std::string text, std::string client_ip = {});

  // The value of the first header line named `name`, without case.
  std::optional<std::string_view> Header(std::string_view name) const { return HeaderValue(text, name); }
  // The value of the first query parameter named `name`, without case.
  std::optional<std::string> Query(std::string_view name) const { return ListValue(query, name); }
  // The same in lower case (the choices of format and language).
  std::optional<std::string> LowerQuery(std::string_view name) const;

  std::string text;
  TRequestKind kind = kOtherRequest;
  std::string path;
  std::string target;
  std::string params;
  std::vector<std::string> query;
  TGetCmdItem command{""};
  int64_t content_length = 0;
  std::string body;
  std::string client_ip;
};

// Reads the header lines (each logged at level 7 "HTTP REQUEST :") and parses
// them. More than limits.max_header_lines lines raise TConnectionClosed.
THttpRequest ReadHttpRequest(TConnection& connection, const THttpLimits& limits);
// Reads the body of content_length bytes (positive); a body larger than
// limits.max_body_bytes raises TConnectionClosed before anything is read.
void ReadRequestBody(TConnection& connection, THttpRequest& request, const THttpLimits& limits);

}  // namespace sky
