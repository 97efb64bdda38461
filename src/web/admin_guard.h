// Which requests may reach the admin side of the port: the control form
// (POST /ctrl.sky) and the status page (?cmd=config). The data views, the
// files, pictures and stylesheets, the dashboard and the metrics stay
// public under any host name and from any page.
//
// Host names. A browser sends to whatever address a name resolves to, so a
// name an attacker controls that resolves to this machine would make any
// browser on the network a client of the admin side ("DNS rebinding"). The
// admin side is served only when the Host header names an IP address (with
// or without a port, an IPv6 address in brackets), "localhost", this
// machine's host name, or a name listed in admin/@hosts (names separated by
// blanks or commas; a port after a name is ignored); letter case does not
// matter. A request without a Host header (no browser sends one) is served.
//
// Other sites' pages. A page of any site can post a form to the port. A
// control request whose Origin header (or, without one, Referer) names
// another origin than the one the request was sent to (its Host) is refused,
// unless admin/@origins lists that origin ("https://site.example" matches
// that scheme, name and port; "site.example:8080" any scheme). Default ports
// (80 for http, 443 for https) may be written or left out on either side.
// A request with neither header (scripts, curl) is served.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "http/connection.h"
#include "settings/process_metrics.h"
#include "settings/settings.h"

namespace sky {

// A refusal with its status line ("421 Misdirected Request") and its text.
struct TAdminRefusal {
  std::string status;
  std::string text;
  THttpRejection reason;
};

// `request` is the request text; nullopt when the request may be served.
std::optional<TAdminRefusal> ForeignHostRefusal(std::string_view request, const TSettings& settings);
std::optional<TAdminRefusal> ForeignOriginRefusal(std::string_view request, const TSettings& settings);

// Counts the refusal, logs it at level 2 and sends it as a plain answer;
// the connection is then ended.
void SendRefusal(TConnection& connection, const TAdminRefusal& refusal);

// The rules themselves, `listed` being the attribute's text.
bool AdminHostAllowed(std::string_view host, std::string_view listed, std::string_view machine_name);
bool OriginAllowed(std::string_view origin, std::string_view host, std::string_view listed);
// The origin ("scheme://authority") of a URL; empty when it has none.
std::string UrlOrigin(std::string_view url);

}  // namespace sky
