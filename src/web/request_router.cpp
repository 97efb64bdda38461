#include "web/request_router.h"

#include <exception>

#include "base/encoding.h"
#include "base/log.h"
#include "base/text.h"
#include "settings/process_metrics.h"
#include "settings/settings_store.h"
#include "web/admin_control.h"
#include "web/admin_guard.h"
#include "web/answer_format.h"
#include "web/answer_framing.h"
#include "web/form_fields.h"
#include "web/http_answer.h"
#include "web/request_framing.h"
#include "web/request_parsing.h"
#include "web/status_page.h"
#include "web/views.h"

namespace sky {

namespace {

// The request's header lines, each followed by CR LF, the empty line
// included. The wire carries Windows-1251; inside the program it is UTF-8.
std::string ReadRequestText(TConnection& connection, const THttpLimits& limits) {
  std::string request;
  for (std::size_t lines = 0;; ++lines) {
    const std::string line = Cp1251ToUtf8(connection.ReadLine());
    if (!line.empty() && lines >= limits.max_header_lines) {
      throw RefusedRequest(THttpRefusal::kTooManyHeaders, "too many header lines");
    }
    request += line + "\r\n";
    WriteLog(7, "HTTP REQUEST :", line);
    if (line.empty()) return request;
  }
}

// The stored password is never written out, only whether there is one.
std::string MaskedPassword() { return CurrentSettings()->AdminPassword.empty() ? "" : "********"; }

void Refuse(TConnection& connection, const TAdminRefusal& refusal) {
  CountRejection(refusal.reason);
  WriteLog(2, "HTTP request refused: " + refusal.status + " IP = " + connection.PeerIp());
  SendPlainStatus(connection, refusal.status, refusal.text);
}

std::optional<TAdminRefusal> FramingRefusal(std::string_view request) {
  switch (CheckRequestFraming(request)) {
    case TFramingFault::kNone:
      return std::nullopt;
    case TFramingFault::kConflictingLengths:
      return TAdminRefusal{"400 Bad Request",
                           "The request's Content-Length headers name different lengths.\r\n",
                           THttpRejection::kConflictingLengths};
    case TFramingFault::kTransferEncoding:
      return TAdminRefusal{"501 Not Implemented",
                           "Transfer-Encoding is not supported on requests: send the body with a "
                           "Content-Length.\r\n",
                           THttpRejection::kTransferEncoding};
  }
  return std::nullopt;
}

}  // namespace

void TCPServerSKYExecute(TServiceControl& service, TConnection& connection, TGuessLimiter& guesses,
                         const THttpLimits& limits) {
  try {
    const std::string request = ReadRequestText(connection, limits);
    if (const std::optional<TAdminRefusal> refusal = FramingRefusal(request)) {
      Refuse(connection, *refusal);
      return;
    }
    switch (GetRequestKind(request)) {
      case kGetRequest:
        DoProcessGetRequest(service, connection, request);
        break;
      case kPostRequest:
        DoProcessPostRequest(service, connection, request, guesses, limits);
        break;
      case kOtherRequest:
        CountRequest(TWebView::kOther);
        break;
    }
  } catch (const TConnectionClosed& e) {
    // The client went away, sent too much or too slowly: nothing to answer.
    WriteLog(7, "HTTP connection closed:", e.what());
  } catch (const std::exception& e) {
    WriteLog(0, "TCPServerSKYExecute", e.what());
  }
}

void DoProcessGetRequest(TServiceControl& service, TConnection& connection, const std::string& request) {
  WriteLog(10, "DoProcessGetRequest. Request = ", request);
  const std::string file_name = GetRequestFileName(request);
  WriteLog(10, "DoProcessGetRequest. FileName = ", file_name);
  if (file_name == "metrics") {
    CountRequest(TWebView::kMetrics);
    ServeMetrics(connection);
    return;
  }
  if (!file_name.empty()) {
    CountRequest(TWebView::kFile);
    ServeFileRequest(connection, file_name);
    return;
  }
  const std::string params = AsciiLower(TrimText(GetRequestParams(request)));
  const TAnswerFormat format = ChooseAnswerFormat(request);
  if (params == "?cmd=config") {
    CountRequest(TWebView::kConfig);
    if (const std::optional<TAdminRefusal> refusal = ForeignHostRefusal(request, *CurrentSettings())) {
      Refuse(connection, *refusal);
      return;
    }
    ShowConfig(connection);
  } else if (params == "?cmd=dashboard" || params.rfind("?cmd=dashboard&", 0) == 0) {
    CountRequest(TWebView::kDashboard);
    ShowDashboard(connection, request, format);
  } else if (params == "?cmd=top" || params.rfind("?cmd=top&", 0) == 0) {
    CountRequest(TWebView::kTop);
    ShowLeaderboard(connection, request, format);
  } else if (params.rfind("?pilot=", 0) == 0) {
    CountRequest(TWebView::kPilot);
    ShowPilotPage(service, connection, request, format);
  } else if (params.find("?cmd=show") != std::string::npos) {
    CountRequest(TWebView::kShow);
    ShowPilotList(connection, params, format);
  } else if (params.find("?history=") != std::string::npos) {
    CountRequest(TWebView::kHistory);
    ShowHistoryRequest(service, connection, params, format);
  } else if (!cGetCmd(connection, params, format)) {
    SendDefaultPage(connection);
  }
}

bool cGetCmd(TConnection& connection, const std::string& params, const TAnswerFormat& format) {
  const TGetCmdItem item(params);
  WriteLog(10, "cGetCmd.cmd_name", item.cmd_name);
  WriteLog(10, "cGetCmd.cmd_value", item.cmd_value);
  // Counted as what was asked for: a command that does not take the request
  // (the caller then sends the default page) as that command, anything else
  // as the default page.
  if (item.cmd_name == "cmd" && item.cmd_value == "query") {
    CountRequest(TWebView::kQuery);
    return ServeQuery(connection, item.params, format);
  }
  if (item.cmd_name == "cmd" && item.cmd_value == "info") {
    CountRequest(TWebView::kInfo);
    return ServePilotInfo(connection, item.params, format);
  }
  CountRequest(TWebView::kDefault);
  return false;
}

void DoProcessPostRequest(TServiceControl& service, TConnection& connection, const std::string& request,
                          TGuessLimiter& guesses, const THttpLimits& limits) {
  WriteLog(8, "ARequest", request);
  const int64_t length = GetContentLength(request);
  if (length <= 0) {
    CountRequest(TWebView::kDefault);
    SendDefaultPage(connection);
    return;
  }
  if (static_cast<uint64_t>(length) > limits.max_body_bytes) {
    throw RefusedRequest(THttpRefusal::kBodyTooLarge, "request body too large");
  }
  const std::string body = connection.ReadBytes(static_cast<std::size_t>(length));
  WriteLog(8, "PostData : " + Cp1251ToUtf8(MaskFormValues(body, {"actionid", "srvid"})));
  WriteLog(10, "Current admin password = " + MaskedPassword());
  if (AsciiLower(request).find("post /ctrl.sky") != std::string::npos) {
    CountRequest(TWebView::kControl);
    const TSettingsSnapshot settings = CurrentSettings();
    std::optional<TAdminRefusal> refusal = ForeignHostRefusal(request, *settings);
    if (!refusal) refusal = ForeignOriginRefusal(request, *settings);
    if (refusal) {
      Refuse(connection, *refusal);
      return;
    }
    ProcessControlCommand(service, connection, body, guesses);
  } else {
    CountRequest(TWebView::kDefault);
    SendDefaultPage(connection);
  }
}

}  // namespace sky
