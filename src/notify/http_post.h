// One POST of a JSON body, as delivery sends it (libcurl).
//
// The connect and the whole exchange have time-outs; `stop` aborts a
// transfer under way within a fraction of a second. The error texts name the
// address's host at most, never its path (which holds a webhook's token).
#pragma once

#include <atomic>
#include <chrono>
#include <optional>
#include <string>

namespace sky {

struct TPostResult {
  long status = 0;                                   // the HTTP status; 0 when none was had
  std::optional<std::chrono::seconds> retry_after;   // the Retry-After of the answer
  std::string error;                                 // empty when an answer came
};

struct TPostTimeouts {
  std::chrono::milliseconds connect{10000};
  std::chrono::milliseconds total{30000};
};

// Once per process, before any thread posts.
void InitHttpPost();
TPostResult PostJson(const std::string& url, const std::string& body, const TPostTimeouts& timeouts,
                     const std::atomic<bool>& stop);
// A Retry-After value: seconds, or an HTTP date (`now` the unix time).
std::optional<std::chrono::seconds> ParseRetryAfter(std::string_view value, int64_t now);

}  // namespace sky
