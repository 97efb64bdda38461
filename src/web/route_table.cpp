#include "web/route_table.h"

#include <array>

#include "base/log.h"
#include "base/text.h"
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

namespace sky {

namespace {

using TMatch = TRouteMatch;

constexpr std::array<TRoute, 14> kRoutes = {{
    {kGetRequest, TMatch::kPathEquals, "metrics", ServeMetrics, TWebView::kMetrics},
    {kGetRequest, TMatch::kAnyPath, "", ServeFileRequest, TWebView::kFile},
    {kGetRequest, TMatch::kParamsEqual, "?cmd=config", ServeConfig, TWebView::kConfig},
    {kGetRequest, TMatch::kParamsCommand, "?cmd=dashboard", ShowDashboard, TWebView::kDashboard},
    {kGetRequest, TMatch::kParamsCommand, "?cmd=top", ShowLeaderboard, TWebView::kTop},
    {kGetRequest, TMatch::kParamsPrefix, "?pilot=", ShowPilotPage, TWebView::kPilot},
    {kGetRequest, TMatch::kParamsContain, "?cmd=show", ShowPilotList, TWebView::kShow},
    {kGetRequest, TMatch::kParamsContain, "?history=", ShowHistoryRequest, TWebView::kHistory},
    {kGetRequest, TMatch::kCommand, "query", ServeQuery, TWebView::kQuery},
    {kGetRequest, TMatch::kCommand, "info", ServePilotInfo, TWebView::kInfo},
    {kGetRequest, TMatch::kAlways, "", ShowDefaultPage, TWebView::kDefault},
    {kPostRequest, TMatch::kTextContains, "post /ctrl.sky", ServeControl, TWebView::kControl},
    {kPostRequest, TMatch::kAlways, "", ShowDefaultPage, TWebView::kDefault},
    {kOtherRequest, TMatch::kAlways, "", nullptr, TWebView::kOther},
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
    case TMatch::kPathEquals:
      return request.path == route.pattern;
    case TMatch::kAnyPath:
      return !request.path.empty();
    case TMatch::kParamsEqual:
      return params == route.pattern;
    case TMatch::kParamsCommand:
      return params == route.pattern ||
             (params.starts_with(route.pattern) && params.size() > route.pattern.size() &&
              params[route.pattern.size()] == '&');
    case TMatch::kParamsPrefix:
      return params.starts_with(route.pattern);
    case TMatch::kParamsContain:
      return params.find(route.pattern) != std::string::npos;
    case TMatch::kCommand:
      return request.command.cmd_name == "cmd" && request.command.cmd_value == route.pattern;
    case TMatch::kTextContains:
      return AsciiLower(request.text).find(route.pattern) != std::string::npos;
    case TMatch::kAlways:
      return true;
  }
  return false;
}

void Dispatch(const TViewCall& call) {
  bool command_logged = false;
  for (const TRoute& route : kRoutes) {
    if (route.method != call.request.kind) continue;
    if (route.match == TMatch::kCommand && !command_logged) {
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
