// The read-only views and file serving that the request router calls.
// Each writes its whole answer (or nothing) to the connection, the data
// views in the format the request chose (web/answer_format.h).
#pragma once

#include <string>
#include <vector>

#include "web/answer_format.h"
#include "web/connection.h"
#include "web/service_control.h"

namespace sky {

// A GET naming a file (name relative to the program directory).
void ServeFileRequest(TConnection& connection, const std::string& name);
// "?cmd=show..." and "?history=N..." parameter strings.
void ShowPilotList(TConnection& connection, const std::string& params, const TAnswerFormat& format = {});
void ShowHistoryRequest(TServiceControl& service, TConnection& connection, const std::string& params,
                        const TAnswerFormat& format = {});
// From cGetCmd with the parameter list ("name=value" lines); false when the
// view did not take the request (the router then sends the default page).
bool ServeQuery(TConnection& connection, const std::vector<std::string>& params, const TAnswerFormat& format = {});
bool ServePilotInfo(TConnection& connection, const std::vector<std::string>& params,
                    const TAnswerFormat& format = {});
// "?cmd=dashboard...": the running pass and the last passes
// (engine/pass_progress.h, engine/pass_journal.h) as an XML document
// rendered by xsl/dashboard.xsl, or as JSON, in the language the request
// chose (web/page_language.h). `request` is the whole request text.
void ShowDashboard(TConnection& connection, const std::string& request, const TAnswerFormat& format = {});
// "?cmd=top...": the leaderboard of a database (web/leaderboard.h), served
// from the results its last pass kept, never from the database; rendered by
// xsl/board.xsl, or JSON. Before the first pass the answer says so.
void ShowLeaderboard(TConnection& connection, const std::string& request, const TAnswerFormat& format = {});
// "?pilot=N&srvid=S": one pilot's page (web/pilot_page.h): his kept results,
// ribbons, progress to the next rank and lives (read from his history while
// the schedule is held); rendered by xsl/pilot.xsl, or JSON.
void ShowPilotPage(TServiceControl& service, TConnection& connection, const std::string& request,
                   const TAnswerFormat& format = {});
// "GET /metrics": the process metrics (settings/process_metrics.h) in the
// text exposition format, UTF-8, with their length.
void ServeMetrics(TConnection& connection);

}  // namespace sky
