// The administrator's control commands, posted as a form to "/ctrl.sky".
//
// Fields: password (compared, after URL-decoding, exactly and in constant
// time with the settings' AdminPassword; an empty AdminPassword refuses every
// command), actionid (pause, resume, recalc or reset, tested in that order)
// and, for reset, srvid. recalc and reset run to their end before the answer
// is sent, unless the service's stop ends them early, which the answer then
// says. The answer is an HTML page titled "Result", except for an address
// that too many wrong passwords have locked out (web/guess_limit.h): it gets
// "429 Too Many Requests" with the seconds left, whatever it sent.
#pragma once

#include <string>
#include <string_view>

#include "http/connection.h"
#include "web/guess_limit.h"
#include "web/service_control.h"
#include "web/view_call.h"

namespace sky {

// The view of "POST /ctrl.sky": a foreign host name or another site's page
// (web/admin_guard.h) is refused, anything else is a control command.
void ServeControl(const TViewCall& call);

void ProcessControlCommand(TServiceControl& service, TConnection& connection, std::string_view body,
                           TGuessLimiter& guesses);

// True when the body's password field carries `admin_password`. The form's
// page is Windows-1251, so the decoded value is read as Windows-1251; a
// client that encoded UTF-8 is understood as well.
bool PasswordAccepted(std::string_view body, const std::string& admin_password);

}  // namespace sky
