#include "web/admin_control.h"

#include <fmt/format.h>

#include "base/encoding.h"
#include "base/log.h"
#include "http/http_response.h"
#include "http/request_parsing.h"
#include "settings/process_metrics.h"
#include "settings/settings_store.h"
#include "web/admin_guard.h"
#include "web/form_fields.h"
#include "web/http_answer.h"

namespace sky {

namespace {

// A recalc or reset that the service's stop ended early, or kept from starting.
constexpr char kStoppedAnswer[] =
    "The service is <font color = \"$FF0000\">STOPPING</font>: the work has been interrupted, "
    "it goes on at the next start";

bool HasAction(std::string_view body, std::string_view action) {
  return body.find("actionid=" + std::string(action)) != std::string_view::npos;
}

// The answer text and its effect for the command in the body.
std::string RunAction(TServiceControl& service, std::string_view body, const std::string& ip_text) {
  if (HasAction(body, "pause")) {
    WriteLog(2, "Сервис поставлен в паузу." + ip_text);
    service.Pause();
    return "Service has been <font color = \"$FF0000\">PAUSED</font>";
  }
  if (HasAction(body, "resume")) {
    WriteLog(2, "Сервис снят с паузы." + ip_text);
    service.Resume();
    return "Service has been <font color = \"$0000FF\">Resumed</font>";
  }
  if (HasAction(body, "recalc")) {
    WriteLog(2, "Запрошен внеочередной пересчет." + ip_text);
    if (!service.RunCalculationCycle()) return kStoppedAnswer;
    return "All ranks have been <font color = \"$0000FF\">Calculated</font>";
  }
  if (HasAction(body, "reset")) {
    static const TNumberParam srvid_field("srvid", TNumberParam::TPlacement::kFormField);
    const std::string id = srvid_field.In(body).value_or("");
    WriteLog(2, "Запрошен сброс данных." + ip_text, "ServerID = " + id);
    if (!service.ResetServer(id) && service.StopRequested()) return kStoppedAnswer;
    return "All ranks have been <font color = \"$0000FF\">DELETED</font><br>"
           "Press \"recalc\" to start from the begining";
  }
  WriteLog(2, "КТО-ТО ДОЛБИТСЯ НА СЕРВЕР С НЕПОНЯТНОЙ КОМАНДОЙ " + ip_text);
  return "<font color = \"$FF0000\">Unknown command!</font>";
}

// The same plain answer for every request of a locked-out address, so that
// it tells nothing about the password sent.
void RefuseLockedOut(TConnection& connection, std::chrono::seconds left) {
  CountRejection(THttpRejection::kLockedOut);
  const std::string seconds = std::to_string(left.count());
  PlainResponse("429 Too Many Requests", "This address is locked out of the control commands for " + seconds +
                                            " seconds after too many wrong passwords.\r\n")
      .Header("Retry-After", seconds)
      .Send(connection);
  connection.Disconnect();
}

}  // namespace

bool PasswordAccepted(std::string_view body, const std::string& admin_password) {
  // Without a password nobody may control the service.
  if (admin_password.empty()) return false;
  const std::optional<std::string> supplied = FormFieldValue(body, "password");
  if (!supplied) return false;
  // Both readings are compared every time, so the time taken does not tell
  // which charset the client used.
  const bool as_cp1251 = ConstantTimeEquals(Cp1251ToUtf8(*supplied), admin_password);
  const bool as_utf8 = ConstantTimeEquals(*supplied, admin_password);
  return as_cp1251 | as_utf8;
}

void ProcessControlCommand(TServiceControl& service, TConnection& connection, std::string_view body,
                           TGuessLimiter& guesses) {
  const std::string peer = connection.PeerIp();
  const std::string ip_text = " IP = " + peer;
  const TGuessLimiter::TVerdict verdict =
      guesses.Try(peer, [&] { return PasswordAccepted(body, CurrentSettings()->AdminPassword); });
  if (verdict.outcome == TGuessLimiter::TOutcome::kLockedOut) {
    RefuseLockedOut(connection, verdict.seconds);
    return;
  }
  WriteLog(3, "Обработка данных формы");
  std::string answer;
  if (verdict.outcome == TGuessLimiter::TOutcome::kWrong) {
    WriteLog(2, "КТО-ТО ДОЛБИТСЯ НА СЕРВЕР С НЕПРАВИЛЬНЫМ ПАРОЛЕМ " + ip_text);
    if (verdict.seconds.count() > 0) {
      CountLockout();
      WriteLog(0, "Too many wrong passwords: control commands refused from" + ip_text,
               "for " + std::to_string(verdict.seconds.count()) + " seconds");
    }
    answer = "<font color = \"$FF0000\">invalid password!</font>";
  } else {
    answer = RunAction(service, body, ip_text);
  }
  answer += fmt::format("<p><a href=\"http://{}:{}\">Вернуться</a>", connection.LocalIp(), connection.LocalPort());
  SendHTTPAnswer(connection, "Result", answer);
}

void ServeControl(const TViewCall& call) {
  const TSettingsSnapshot settings = CurrentSettings();
  std::optional<TAdminRefusal> refusal = ForeignHostRefusal(call.request.text, *settings);
  if (!refusal) refusal = ForeignOriginRefusal(call.request.text, *settings);
  if (refusal) {
    SendRefusal(call.connection, *refusal);
    return;
  }
  ProcessControlCommand(call.service, call.connection, call.request.body, call.state.guesses);
}

}  // namespace sky
