// Running the service object as the program: in the foreground until a stop
// signal (as systemd runs it), or for one calculation cycle.
#pragma once

#include <string_view>

#include "service/tskyranks.h"

namespace sky {

// Create, start, execute until SIGTERM/SIGINT. 0 after a regular stop; 1
// after a failure of start or execute, which is reported on standard error
// and to syslog as "Service failed on start: ..." / "... on execute: ...".
// The caller has blocked the control signals (BlockControlSignals).
int RunServiceInForeground(Tskyranks& service);

// One calculation cycle over every active database. 0 when every active
// database was reached, 1 otherwise. A line on standard output says how many.
// SIGTERM or SIGINT ends the cycle at the next pilot, as in the service; a
// second line says so and the status is 1. On a terminal, standard error
// shows a progress bar per database (service/pass_bars.h).
int RunOnce(Tskyranks& service);

// "Service failed on <phase>: <text>" on standard error and to syslog.
void ReportServiceFailure(std::string_view phase, std::string_view text);

}  // namespace sky
