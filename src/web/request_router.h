// Serving one request per connection: reading the header (and a POST's
// body), classifying it and handing it to the status page, a control
// command, a view, or the default web page. "GET /metrics" (exactly that
// name) is the metrics view; every other file name goes to the file routing.
// Each request is counted in the process metrics by the view that took it.
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
#include "web/service_control.h"
#include "web/socket_connection.h"

namespace sky {

void TCPServerSKYExecute(TServiceControl& service, TConnection& connection, const THttpLimits& limits = {});

void DoProcessGetRequest(TServiceControl& service, TConnection& connection, const std::string& request);
void DoProcessPostRequest(TServiceControl& service, TConnection& connection, const std::string& request,
                          const THttpLimits& limits = {});
// The "?cmd=query" and "?cmd=info" commands; true when a view took the request.
bool cGetCmd(TConnection& connection, const std::string& params, const TAnswerFormat& format = {});

}  // namespace sky
