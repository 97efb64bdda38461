#include "web/http_answer.h"

#include <fstream>

#include "base/encoding.h"
#include "base/paths.h"
#include "base/text.h"
#include "http/http_response.h"

#include "version_constants.h"

namespace sky {

namespace {

constexpr std::string_view kBannerLinkTarget = SKY_CONTACT_WEB;
constexpr std::string_view kHostPlaceholder = "$$host";

// `line` with every occurrence of the placeholder, in any letter case,
// replaced by `host`. The page is Windows-1251; the placeholder is ASCII, so
// comparing bytes is enough.
std::string ReplaceHost(const std::string& line, const std::string& host) {
  const std::string lowered = AsciiLower(line);
  std::string result;
  std::size_t from = 0;
  for (std::size_t at = lowered.find(kHostPlaceholder); at != std::string::npos;
       at = lowered.find(kHostPlaceholder, from)) {
    result.append(line, from, at - from).append(host);
    from = at + kHostPlaceholder.size();
  }
  result.append(line, from, std::string::npos);
  return result;
}

}  // namespace

void WriteText(TConnection& connection, std::string_view utf8) { connection.Write(Utf8ToCp1251(utf8)); }

void WriteLine(TConnection& connection, std::string_view utf8) {
  connection.Write(Utf8ToCp1251(utf8) + "\r\n");
}

void WriteHTTPResp(TConnection& connection) { connection.Write(HtmlResponse().Head()); }

void WriteHTMLHeader(TConnection& connection, std::string_view title) {
  WriteLine(connection,
            "<html><title>sky ranks response page</title><meta http-equiv=\"Content-Type\" "
            "content=\"text/html; charset=windows-1251\"><h1>" +
                std::string(title) + "</h1>");
}

void WriteHTMLEnd(TConnection& connection) { WriteLine(connection, "</html>"); }

void SendHTTPAnswer(TConnection& connection, std::string_view title, std::string_view body) {
  WriteHTTPResp(connection);
  WriteHTMLHeader(connection, title);
  WriteText(connection, body);
  WriteHTMLEnd(connection);
}

std::string AddBannerStr() {
  const std::string image = "<img src=\"/sky.gif\" border=\"0\" alt=\"banner\"/>";
  if (kBannerLinkTarget.empty()) return "<br>" + image;
  return "<br><a href=\"" + std::string(kBannerLinkTarget) + "\" target='_blank'>" + image + "</a>";
}

void SendDefaultPage(TConnection& connection) {
  std::ifstream page(DefaultPageFileName(), std::ios::binary);
  if (page) {
    const std::string host = connection.LocalIp() + ":" + std::to_string(connection.LocalPort());
    std::string body;
    std::string line;
    while (std::getline(page, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      body += ReplaceHost(line, host);
    }
    WriteHTTPResp(connection);
    connection.Write(body);
  } else {
    WriteText(connection, "ERROR! Default web page not found!");
  }
  WriteText(connection, AddBannerStr());
}

void ShowDefaultPage(const TViewCall& call) { SendDefaultPage(call.connection); }

}  // namespace sky
