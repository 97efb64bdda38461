#include "web/admin_guard.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <unistd.h>

#include <vector>

#include "base/log.h"
#include "base/text.h"
#include "http/http_response.h"
#include "http/request_parsing.h"

namespace sky {

namespace {

// A host and port as written in a Host header, an origin or a listed name:
// the name in lower case without a final dot, an IPv6 address with its
// brackets; the port as written, empty when there is none.
struct TAuthority {
  std::string scheme;  // empty when not written
  std::string host;
  std::string port;
};

TAuthority SplitAuthority(std::string_view text) {
  TAuthority authority;
  std::string_view host = text;
  if (host.starts_with('[')) {
    const std::size_t close = host.find(']');
    if (close != std::string_view::npos) {
      if (close + 1 < host.size() && host[close + 1] == ':') authority.port = std::string(host.substr(close + 2));
      host = host.substr(0, close + 1);
    }
  } else if (const std::size_t colon = host.rfind(':');
             colon != std::string_view::npos && host.find(':') == colon) {
    // One colon: a name and its port. More than one: a bare IPv6 address.
    authority.port = std::string(host.substr(colon + 1));
    host = host.substr(0, colon);
  }
  authority.host = AsciiLower(host);
  if (authority.host.size() > 1 && authority.host.back() == '.') authority.host.pop_back();
  return authority;
}

// "scheme://authority..." split; the host empty when the text is no such URL.
TAuthority ParseOrigin(std::string_view text) {
  const std::size_t separator = text.find("://");
  if (separator == std::string_view::npos || separator == 0) return {};
  std::string_view authority = text.substr(separator + 3);
  authority = authority.substr(0, authority.find_first_of("/?#"));
  if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) authority.remove_prefix(at + 1);
  TAuthority origin = SplitAuthority(authority);
  origin.scheme = AsciiLower(text.substr(0, separator));
  return origin;
}

std::string_view DefaultPort(std::string_view scheme) {
  if (scheme == "http") return "80";
  if (scheme == "https") return "443";
  return {};
}

// The port a request to the origin goes to.
std::string_view EffectivePort(const TAuthority& origin) {
  return origin.port.empty() ? DefaultPort(origin.scheme) : std::string_view(origin.port);
}

// Whether `host` (a Host header or a listed name without a scheme) names the
// origin's host and port; without a port it stands for the scheme's default.
bool SameAuthority(const TAuthority& origin, const TAuthority& host) {
  if (origin.host.empty() || origin.host != host.host) return false;
  if (host.port.empty()) return EffectivePort(origin) == DefaultPort(origin.scheme);
  return host.port == EffectivePort(origin);
}

bool IsIpLiteral(const std::string& host) {
  in6_addr address6{};
  in_addr address4{};
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
    return ::inet_pton(AF_INET6, host.substr(1, host.size() - 2).c_str(), &address6) == 1;
  }
  return ::inet_pton(AF_INET, host.c_str(), &address4) == 1 || ::inet_pton(AF_INET6, host.c_str(), &address6) == 1;
}

// The entries of a list attribute, separated by blanks or commas.
std::vector<std::string_view> ListEntries(std::string_view listed) {
  std::vector<std::string_view> entries;
  for (;;) {
    const std::size_t begin = listed.find_first_not_of(" \t\r\n,");
    if (begin == std::string_view::npos) return entries;
    listed.remove_prefix(begin);
    const std::size_t end = std::min(listed.find_first_of(" \t\r\n,"), listed.size());
    entries.push_back(listed.substr(0, end));
    listed.remove_prefix(end);
  }
}

std::string MachineName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

}  // namespace

bool AdminHostAllowed(std::string_view host, std::string_view listed, std::string_view machine_name) {
  const std::string name = SplitAuthority(TrimText(host)).host;
  if (name.empty() || name == "localhost" || IsIpLiteral(name)) return true;
  if (!machine_name.empty() && name == SplitAuthority(machine_name).host) return true;
  for (std::string_view entry : ListEntries(listed)) {
    if (name == SplitAuthority(entry).host) return true;
  }
  return false;
}

bool OriginAllowed(std::string_view origin_text, std::string_view host, std::string_view listed) {
  const TAuthority origin = ParseOrigin(TrimText(origin_text));
  if (origin.host.empty()) return false;
  const std::string host_text = TrimText(host);
  if (!host_text.empty() && SameAuthority(origin, SplitAuthority(host_text))) return true;
  for (std::string_view entry : ListEntries(listed)) {
    if (entry.find("://") == std::string_view::npos) {
      if (SameAuthority(origin, SplitAuthority(entry))) return true;
      continue;
    }
    const TAuthority allowed = ParseOrigin(entry);
    if (allowed.scheme == origin.scheme && allowed.host == origin.host &&
        EffectivePort(allowed) == EffectivePort(origin)) {
      return true;
    }
  }
  return false;
}

std::string UrlOrigin(std::string_view url) {
  const std::string text = TrimText(url);
  const TAuthority origin = ParseOrigin(text);
  if (origin.host.empty()) return {};
  std::string result = origin.scheme + "://" + origin.host;
  if (!origin.port.empty()) result += ":" + origin.port;
  return result;
}

std::optional<TAdminRefusal> ForeignHostRefusal(std::string_view request, const TSettings& settings) {
  const std::string machine = MachineName();
  for (std::string_view host : HeaderValues(request, "host")) {
    if (AdminHostAllowed(host, settings.AdminHosts, machine)) continue;
    return TAdminRefusal{"421 Misdirected Request",
                         "The control form and the status page are served only under an IP address, localhost, "
                         "this machine's host name or a name listed in the admin/@hosts attribute of the settings "
                         "file. To use this name, add it there: <admin hosts=\"stats.example.org\"/>\r\n",
                         THttpRejection::kForeignHost};
  }
  return std::nullopt;
}

std::optional<TAdminRefusal> ForeignOriginRefusal(std::string_view request, const TSettings& settings) {
  std::string origin;
  if (const std::optional<std::string_view> header = HeaderValue(request, "origin")) {
    origin = TrimText(*header);
  } else if (const std::optional<std::string_view> referer = HeaderValue(request, "referer")) {
    origin = UrlOrigin(*referer);
  } else {
    return std::nullopt;
  }
  const std::string_view host = HeaderValue(request, "host").value_or("");
  if (OriginAllowed(origin, host, settings.AdminOrigins)) return std::nullopt;
  return TAdminRefusal{"403 Forbidden",
                       "This control request comes from a page of another site: its Origin (or Referer) names "
                       "another origin than the address it was sent to. Commands are taken only from the port's "
                       "own pages, from clients that send neither header, or from origins listed in the "
                       "admin/@origins attribute of the settings file.\r\n",
                       THttpRejection::kForeignOrigin};
}

void SendRefusal(TConnection& connection, const TAdminRefusal& refusal) {
  CountRejection(refusal.reason);
  WriteLog(2, "HTTP request refused: " + refusal.status + " IP = " + connection.PeerIp());
  PlainResponse(refusal.status, refusal.text).Send(connection);
  connection.Disconnect();
}

}  // namespace sky
