// What every view is given, and the one signature every view has.
//
// A view writes its whole answer (or nothing) to the connection; the data
// views answer in the format the request chose (web/answer_format.h). The
// caches belong to the server (http/http_caches.h), the count of wrong
// passwords too (web/guess_limit.h); the service outlives every request.
#pragma once

#include "http/connection.h"
#include "http/http_caches.h"
#include "http/http_request.h"
#include "web/answer_format.h"
#include "web/guess_limit.h"
#include "web/service_control.h"

namespace sky {

struct TViewCall {
  TServiceControl& service;
  TConnection& connection;
  const THttpRequest& request;
  THttpCaches& caches;
  TGuessLimiter& guesses;
  TAnswerFormat format;
};

using TView = void (*)(const TViewCall& call);

}  // namespace sky
