// What every view is given, and the one signature every view has.
//
// A view writes its whole answer (or nothing) to the connection; the data
// views answer in the format the request chose (web/answer_format.h). What
// the server keeps across requests is `state` (web/server_state.h); the
// service outlives every request.
#pragma once

#include "http/connection.h"
#include "http/http_request.h"
#include "web/answer_format.h"
#include "web/server_state.h"
#include "web/service_control.h"

namespace sky {

struct TViewCall {
  TServiceControl& service;
  TConnection& connection;
  const THttpRequest& request;
  TServerState& state;
  TAnswerFormat format;
};

using TView = void (*)(const TViewCall& call);

}  // namespace sky
