#include "web/route_table.h"

#include <array>

#include "settings/log.h"
#include "web/admin_control.h"
#include "web/board_view.h"
#include "web/dashboard_view.h"
#include "web/file_view.h"
#include "web/history_view.h"
#include "web/http_answer.h"
#include "web/metrics_view.h"
#include "web/pilot_info_view.h"
#include "web/pilot_list_view.h"
#include "web/pilot_page_view.h"
#include "web/query_view.h"
#include "web/status_page.h"
#include "xml/encoding.h"

namespace sky {

namespace {

using M = TRouteMatch;

constexpr std::array<TRoute, 14> kRoutes = {{
    {kGetRequest, M::kPathEquals, "metrics", ServeMetrics, TWebView::kMetrics},
    {kGetRequest, M::kAnyPath, "", ServeFileRequest, TWebView::kFile},
    {kGetRequest, M::kParamsEqual, "?cmd=config", ServeConfig, TWebView::kConfig},
    {kGetRequest, M::kParamsCommand, "?cmd=dashboard", ShowDashboard, TWebView::kDashboard},
    {kGetRequest, M::kParamsCommand, "?cmd=top", ShowLeaderboard, TWebView::kTop},
    {kGetRequest, M::kParamsPrefix, "?pilot=", ShowPilotPage, TWebView::kPilot},
    {kGetRequest, M::kParamsContain, "?cmd=show", ShowPilotList, TWebView::kShow},
    {kGetRequest, M::kParamsContain, "?history=", ShowHistoryRequest, TWebView::kHistory},
    {kGetRequest, M::kCommand, "query", ServeQuery, TWebView::kQuery},
    {kGetRequest, M::kCommand, "info", ServePilotInfo, TWebView::kInfo},
    {kGetRequest, M::kAlways, "", ShowDefaultPage, TWebView::kDefault},
    {kPostRequest, M::kTextContains, "post /ctrl.sky", ServeControl, TWebView::kControl},
    {kPostRequest, M::kAlways, "", ShowDefaultPage, TWebView::kDefault},
    {kOtherRequest, M::kAlways, "", nullptr, TWebView::kOther},
}};

// The parsed command, logged once before the first command route is tried.
void LogCommand(const TGetCmdItem& command) {
  WriteLog(10, "cGetCmd.cmd_name", command.cmd_name);
  WriteLog(10, "cGetCmd.cmd_value", command.cmd_value);
}

}  // namespace

std::span<const TRoute> Routes() { return kRoutes; }

bool RouteMatches(const TRoute& route, const THttpRequest& request) {
  const std::string& params = request.params;
  switch (route.match) {
    case M::kPathEquals:
      return request.path == route.pattern;
    case M::kAnyPath:
      return !request.path.empty();
    case M::kParamsEqual:
      return params == route.pattern;
    case M::kParamsCommand:
      return params == route.pattern ||
             (params.starts_with(route.pattern) && params.size() > route.pattern.size() &&
              params[route.pattern.size()] == '&');
    case M::kParamsPrefix:
      return params.starts_with(route.pattern);
    case M::kParamsContain:
      return params.find(route.pattern) != std::string::npos;
    case M::kCommand:
      return request.command.cmd_name == "cmd" && request.command.cmd_value == route.pattern;
    case M::kTextContains:
      return AsciiLower(request.text).find(route.pattern) != std::string::npos;
    case M::kAlways:
      return true;
  }
  return false;
}

void Dispatch(const TViewCall& call) {
  bool command_logged = false;
  for (const TRoute& route : kRoutes) {
    if (route.method != call.request.kind) continue;
    if (route.match == M::kCommand && !command_logged) {
      LogCommand(call.request.command);
      command_logged = true;
    }
    if (!RouteMatches(route, call.request)) continue;
    CountRequest(route.label);
    if (route.view) route.view(call);
    return;
  }
}

}  // namespace sky
