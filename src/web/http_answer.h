// Framing of the HTML answers and the default web page.
//
// Texts are UTF-8 inside the program and Windows-1251 on the wire: WriteText
// and WriteLine convert, Connection::Write sends bytes as they are. Every
// HTML answer is "200 OK" without a length; its end is the end of the
// connection.
#pragma once

#include <string>
#include <string_view>

#include "http/connection.h"
#include "web/view_call.h"

namespace sky {

// The text in Windows-1251, as is / followed by CR LF.
void WriteText(TConnection& connection, std::string_view utf8);
void WriteLine(TConnection& connection, std::string_view utf8);

// "HTTP/1.1 200 OK", the server line, "Connection: close" and the empty line.
void WriteHTTPResp(TConnection& connection);
// The one-line HTML head with the title as heading.
void WriteHTMLHeader(TConnection& connection, std::string_view title);
void WriteHTMLEnd(TConnection& connection);
// A whole HTML answer; `body` is written as is, without a line end.
void SendHTTPAnswer(TConnection& connection, std::string_view title, std::string_view body);

// The page file beside the program (<base>.htm) with every "$$host" (any
// letter case) replaced by the connection's local address and port, its lines
// joined; "ERROR! Default web page not found!" without a head when it is
// missing. The banner link follows in both cases.
void SendDefaultPage(TConnection& connection);
// The default page as the view of the requests no route claims.
void ShowDefaultPage(const TViewCall& call);
// The HTML of the banner link.
std::string AddBannerStr();

}  // namespace sky
