// What the web server keeps across requests: the count of wrong passwords
// per client address (web/guess_limit.h), the caches of files, stylesheets
// and pages (http/http_caches.h) and the leaderboard's orders
// (web/leaderboard.h). The server owns one for as long as it lives, and a
// request still running after a stop keeps it alive.
#pragma once

#include "http/http_caches.h"
#include "web/guess_limit.h"
#include "web/leaderboard.h"

namespace sky {

struct TServerState {
  TGuessLimiter guesses;
  THttpCaches caches;
  TBoardOrders board_orders;
};

}  // namespace sky
