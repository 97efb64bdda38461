// The request readers on arbitrary text: the request's kind, file name,
// parameters and content length, the command item of a parameter string,
// and the form fields of a body. Besides not crashing: the command item only
// ever holds word characters, a masked field never shows its value, and the
// constant-time comparison is equality.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/text.h"
#include "fuzz_check.h"
#include "http/request_framing.h"
#include "http/request_parsing.h"
#include "web/admin_control.h"
#include "web/admin_guard.h"
#include "web/form_fields.h"

using namespace sky;

namespace {

bool WordText(std::string_view text) {
  for (char c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (!(u == '_' || (u >= '0' && u <= '9') || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u >= 0x80))
      return false;
  }
  return true;
}

// The text as the server holds a request: lines split at LF, a CR before
// it dropped, each followed by CR LF.
std::string AsRequestText(std::string_view text) {
  std::string request;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    if (line.ends_with('\r')) line.remove_suffix(1);
    request.append(line).append("\r\n");
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  return request;
}

void CheckFraming(std::string_view text) {
  const std::string request = AsRequestText(text);
  const TFramingFault fault = CheckRequestFraming(request);
  FUZZ_CHECK((fault == TFramingFault::kTransferEncoding) == !HeaderValues(request, "transfer-encoding").empty());
  const int64_t length = GetContentLength(request);
  if (fault != TFramingFault::kNone || length <= 0) return;
  for (std::string_view value : HeaderValues(request, "content-length")) {
    std::string digits = TrimText(value);
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
    FUZZ_CHECK(digits == std::to_string(length));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  (void)GetRequestKind(text);
  (void)GetRequestFileName(text);
  (void)GetRequestParams(text);
  FUZZ_CHECK(GetContentLength(text) >= 0);
  static const TNumberParam srvid_field("srvid", TNumberParam::TPlacement::kFormField);
  static const TNumberParam srvid_param("srvid", TNumberParam::TPlacement::kQueryParameter);
  for (const TNumberParam* reader : {&srvid_field, &srvid_param}) {
    const std::optional<std::string> digits = reader->In(text);
    if (!digits) continue;
    FUZZ_CHECK(!digits->empty());
    for (char c : *digits) FUZZ_CHECK(c >= '0' && c <= '9');
  }

  const TGetCmdItem item(text);
  FUZZ_CHECK(WordText(item.cmd_name));
  FUZZ_CHECK(WordText(item.cmd_value));
  (void)item.params.size();

  (void)UrlDecode(text);
  (void)FormFieldValue(text, "actionid");
  const std::string masked = MaskFormValues(text, {"actionid", "srvid"});
  for (const char* hidden : {"password", "xpassword"}) {
    if (const std::optional<std::string> value = FormFieldValue(masked, hidden)) {
      for (char c : *value) FUZZ_CHECK(c == '*');
    }
  }
  (void)PasswordAccepted(text, "pintowel");
  FUZZ_CHECK(!PasswordAccepted(text, ""));

  CheckFraming(text);
  TSettings settings;
  (void)ForeignHostRefusal(text, settings);
  (void)ForeignOriginRefusal(text, settings);
  (void)UrlOrigin(text);

  const std::size_t half = size / 2;
  FUZZ_CHECK(ConstantTimeEquals(text.substr(0, half), text.substr(half)) ==
             (text.substr(0, half) == text.substr(half)));
  return 0;
}
