// The routes of the server: for each, the method, what of the request it
// matches, the view that answers and the label the request is counted under
// in the process metrics. The first route that matches takes the request.
//
// GET routes look at the file name after "GET /" (`path`) first, then at
// the lower-cased parameter string (`params`), then at the command parsed
// from it (`command`, TGetCmdItem): the tests are those the server has
// always made, quirks included ("?cmd=show" anywhere in the parameters is
// the pilot list, "?cmd=config" must be all of them). The command routes are
// preceded by the level-10 log lines of the parsed command. A POST is routed
// once its body is read (web/request_router.h).
#pragma once

#include <span>
#include <string_view>

#include "http/http_request.h"
#include "settings/process_metrics.h"
#include "web/view_call.h"

namespace sky {

enum class TRouteMatch {
  kPathEquals,          // path == pattern
  kAnyPath,             // path not empty
  kParamsEqual,         // params == pattern
  kParamsCommand,       // params == pattern, or begins with pattern + "&"
  kParamsPrefix,        // params begins with pattern
  kParamsContain,       // pattern anywhere in params
  kCommand,             // command is "cmd" = pattern
  kTextContains,        // pattern anywhere in the lower-cased request text
  kAlways,
};

struct TRoute {
  TRequestKind method;
  TRouteMatch match;
  std::string_view pattern;
  TView view;
  TWebView label;
};

// The routes in the order they are tried; each method's list ends with a
// route that always matches.
std::span<const TRoute> Routes();

bool RouteMatches(const TRoute& route, const THttpRequest& request);
// Counts the request under the first route of its method that matches and
// runs that route's view.
void Dispatch(const TViewCall& call);

}  // namespace sky
