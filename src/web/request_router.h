// Serving one request per connection: reading the header (and a POST's
// body), classifying it and handing it to the status page, a control
// command, a view, or the default web page. "GET /metrics" (exactly that
// name) is the metrics view; every other file name goes to the file routing.
// Each request is counted in the process metrics by the view that took it.
//
// Before anything is run, a request whose framing is ambiguous
// (web/request_framing.h) is answered 400 or 501 and its connection closed;
// the control form and the status page refuse foreign host names and other
// sites' pages (web/admin_guard.h), and the control form locked-out
// addresses (web/guess_limit.h, kept by the server across requests).
//
// Requests beyond the limits (THttpLimits: more header lines or a larger
// body than allowed, besides the connection's own line and time limits) end
// the connection without an answer. A request that is neither GET nor POST
// gets no answer either.
#pragma once

#include <string>
#include <string_view>

#include "web/answer_format.h"
#include "web/connection.h"
#include "web/guess_limit.h"
#include "web/service_control.h"
#include "web/socket_connection.h"

namespace sky {

void TCPServerSKYExecute(TServiceControl& service, TConnection& connection, TGuessLimiter& guesses,
                         const THttpLimits& limits = {});

void DoProcessGetRequest(TServiceControl& service, TConnection& connection, const std::string& request);
void DoProcessPostRequest(TServiceControl& service, TConnection& connection, const std::string& request,
                          TGuessLimiter& guesses, const THttpLimits& limits = {});
// The "?cmd=query" and "?cmd=info" commands; true when a view took the request.
bool cGetCmd(TConnection& connection, const std::string& params, const TAnswerFormat& format = {});

}  // namespace sky
