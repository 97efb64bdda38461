#include "notify/http_post.h"

#include <curl/curl.h>

#include <cctype>
#include <ctime>
#include <memory>
#include <mutex>

#include <fmt/format.h>

#include "settings/settings.h"
#include "settings/webhook_entry.h"

namespace sky {

namespace {

struct TTransfer {
  const std::atomic<bool>* stop;
  std::optional<std::chrono::seconds> retry_after;
};

size_t Discard(char*, size_t size, size_t count, void*) { return size * count; }

size_t ReadHeader(char* data, size_t size, size_t count, void* user) {
  const std::string_view line(data, size * count);
  constexpr std::string_view kName = "retry-after:";
  if (line.size() > kName.size()) {
    bool match = true;
    for (std::size_t i = 0; i < kName.size() && match; ++i) {
      match = std::tolower(static_cast<unsigned char>(line[i])) == kName[i];
    }
    if (match) {
      static_cast<TTransfer*>(user)->retry_after = ParseRetryAfter(line.substr(kName.size()), std::time(nullptr));
    }
  }
  return size * count;
}

int Progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return static_cast<TTransfer*>(user)->stop->load() ? 1 : 0;
}

struct TCurlFree {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct TListFree {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

}  // namespace

void InitHttpPost() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::optional<std::chrono::seconds> ParseRetryAfter(std::string_view value, int64_t now) {
  while (!value.empty() && std::isspace(static_cast<unsigned char>(value.front())) != 0) value.remove_prefix(1);
  while (!value.empty() && std::isspace(static_cast<unsigned char>(value.back())) != 0) value.remove_suffix(1);
  if (value.empty()) return std::nullopt;
  if (value.find_first_not_of("0123456789") == std::string_view::npos) {
    if (value.size() > 9) return std::chrono::seconds(999999999);
    return std::chrono::seconds(std::stoll(std::string(value)));
  }
  const time_t when = curl_getdate(std::string(value).c_str(), nullptr);
  if (when < 0) return std::nullopt;
  return std::chrono::seconds(when > now ? when - now : 0);
}

TPostResult PostJson(const std::string& url, const std::string& body, const TPostTimeouts& timeouts,
                     const std::atomic<bool>& stop) {
  TPostResult result;
  const std::unique_ptr<CURL, TCurlFree> curl(curl_easy_init());
  if (!curl) {
    result.error = "cannot start a transfer";
    return result;
  }
  TTransfer transfer{&stop, std::nullopt};
  const std::unique_ptr<curl_slist, TListFree> headers(
      curl_slist_append(curl_slist_append(nullptr, "Content-Type: application/json"), "Expect:"));
  CURL* const c = curl.get();
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(c, CURLOPT_USERAGENT, "skyranks");
  curl_easy_setopt(c, CURLOPT_POSTFIELDS, body.c_str());
  curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeouts.connect.count()));
  curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(timeouts.total.count()));
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &Discard);
  curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &ReadHeader);
  curl_easy_setopt(c, CURLOPT_HEADERDATA, &transfer);
  curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &Progress);
  curl_easy_setopt(c, CURLOPT_XFERINFODATA, &transfer);
  const CURLcode code = curl_easy_perform(c);
  if (code != CURLE_OK) {
    // curl's own texts ("Couldn't connect to server") never hold the
    // address; its error buffer, which may, is not used.
    result.error = code == CURLE_ABORTED_BY_CALLBACK ? std::string("stopped")
                                                    : fmt::format("{} ({})", curl_easy_strerror(code),
                                                                  WebhookHost(url));
    return result;
  }
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &result.status);
  result.retry_after = transfer.retry_after;
  return result;
}

}  // namespace sky
