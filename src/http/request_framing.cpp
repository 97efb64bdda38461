#include "http/request_framing.h"

#include <string>
#include <vector>

#include "base/text.h"
#include "http/request_parsing.h"

namespace sky {

namespace {

// One written length as it is compared: digits without leading zeros, any
// other text as it stands (blanks around it removed).
std::string LengthKey(std::string_view text) {
  std::string key = TrimText(text);
  if (AllDigits(key)) {
    const std::size_t first = key.find_first_not_of('0');
    key = first == std::string::npos ? "0" : key.substr(first);
  }
  return key;
}

}  // namespace

TFramingFault CheckRequestFraming(std::string_view request) {
  if (!HeaderValues(request, "transfer-encoding").empty()) return TFramingFault::kTransferEncoding;
  std::optional<std::string> length;
  for (std::string_view value : HeaderValues(request, "content-length")) {
    for (;;) {
      const std::size_t comma = value.find(',');
      const std::string key = LengthKey(value.substr(0, comma));
      if (!length) length = key;
      if (key != *length) return TFramingFault::kConflictingLengths;
      if (comma == std::string_view::npos) break;
      value.remove_prefix(comma + 1);
    }
  }
  return TFramingFault::kNone;
}

}  // namespace sky
