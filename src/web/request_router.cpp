#include "web/request_router.h"

#include <exception>
#include <optional>

#include "base/encoding.h"
#include "base/log.h"
#include "http/request_framing.h"
#include "settings/process_metrics.h"
#include "settings/settings_store.h"
#include "web/admin_guard.h"
#include "web/answer_format.h"
#include "web/form_fields.h"
#include "web/http_answer.h"
#include "web/route_table.h"

namespace sky {

namespace {

// The stored password is never written out, only whether there is one.
std::string MaskedPassword() { return CurrentSettings()->AdminPassword.empty() ? "" : "********"; }

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

TViewCall CallFor(const TWebContext& context, TConnection& connection, const THttpRequest& request,
                  TAnswerFormat format) {
  return TViewCall{context.service, connection, request, context.state, format};
}

}  // namespace

void TCPServerSKYExecute(const TWebContext& context, TConnection& connection) {
  try {
    THttpRequest request = ReadHttpRequest(connection, context.limits);
    if (const std::optional<TAdminRefusal> refusal = FramingRefusal(request.text)) {
      SendRefusal(connection, *refusal);
      return;
    }
    switch (request.kind) {
      case kGetRequest:
        DoProcessGetRequest(context, connection, request);
        break;
      case kPostRequest:
        DoProcessPostRequest(context, connection, request);
        break;
      case kOtherRequest:
        Dispatch(CallFor(context, connection, request, {}));
        break;
    }
  } catch (const TConnectionClosed& e) {
    // The client went away, sent too much or too slowly: nothing to answer.
    WriteLog(7, "HTTP connection closed:", e.what());
  } catch (const std::exception& e) {
    WriteLog(0, "TCPServerSKYExecute", e.what());
  }
}

void DoProcessGetRequest(const TWebContext& context, TConnection& connection, const THttpRequest& request) {
  WriteLog(10, "DoProcessGetRequest. Request = ", request.text);
  WriteLog(10, "DoProcessGetRequest. FileName = ", request.path);
  Dispatch(CallFor(context, connection, request, ChooseAnswerFormat(request)));
}

void DoProcessPostRequest(const TWebContext& context, TConnection& connection, THttpRequest& request) {
  WriteLog(8, "ARequest", request.text);
  if (request.content_length <= 0) {
    CountRequest(TWebView::kDefault);
    SendDefaultPage(connection);
    return;
  }
  ReadRequestBody(connection, request, context.limits);
  WriteLog(8, "PostData : " + Cp1251ToUtf8(MaskFormValues(request.body, {"actionid", "srvid"})));
  WriteLog(10, "Current admin password = " + MaskedPassword());
  Dispatch(CallFor(context, connection, request, {}));
}

}  // namespace sky
