// Serving one request per connection: reading the header (and a POST's
// body) into one THttpRequest, and handing it to the first route of the
// route table (web/route_table.h) that takes it: the status page, a control
// command, a view, a file or the default web page. Each request is counted
// in the process metrics by the route that took it.
//
// Before anything is run, a request whose framing is ambiguous
// (http/request_framing.h) is answered 400 or 501 and its connection closed;
// the control form and the status page refuse foreign host names and other
// sites' pages (web/admin_guard.h), and the control form locked-out
// addresses (web/guess_limit.h, kept by the server across requests).
//
// Requests beyond the limits (THttpLimits: more header lines or a larger
// body than allowed, besides the connection's own line and time limits) end
// the connection without an answer. A request that is neither GET nor POST
// gets no answer either.
#pragma once

#include "http/connection.h"
#include "http/http_request.h"
#include "http/socket_connection.h"
#include "web/server_state.h"
#include "web/service_control.h"

namespace sky {

// What a request is served with; service and state outlive it.
struct TWebContext {
  TServiceControl& service;
  TServerState& state;
  THttpLimits limits;
};

void TCPServerSKYExecute(const TWebContext& context, TConnection& connection);

void DoProcessGetRequest(const TWebContext& context, TConnection& connection, const THttpRequest& request);
void DoProcessPostRequest(const TWebContext& context, TConnection& connection, THttpRequest& request);

}  // namespace sky
