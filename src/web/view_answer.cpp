#include "web/view_answer.h"

#include <exception>
#include <optional>

#include "base/log.h"
#include "http/http_response.h"
#include "settings/settings_store.h"

namespace sky {

namespace {

// The program folder's file an href names, or the href itself when it
// names none (a URL, say), which the cache then refuses.
std::string FolderFileName(std::string_view href) {
  if (href.starts_with("./")) return std::string(href.substr(2));
  if (href.starts_with("/") && !href.starts_with("//")) return std::string(href.substr(1));
  return std::string(href);
}

bool IsHeaderToken(std::string_view value) {
  if (value.empty()) return false;
  for (char c : value) {
    if (c < 0x21 || c > 0x7e) return false;
  }
  return true;
}

void SendAnswer(const TViewCall& call, const std::string& content_type, std::string_view body) {
  THttpResponse response = TypedHead(content_type, body.size());
  if (call.format.negotiated) response.Header("Vary", "Accept");
  const std::string origin = CurrentSettings()->AdminCors;
  if (IsHeaderToken(origin)) response.Header("Access-Control-Allow-Origin", origin);
  response.Send(call.connection, body);
  call.connection.Disconnect();
}

std::shared_ptr<const TXslOutput> RenderHtml(THttpCaches& caches, std::string_view document) {
  const std::string href = StylesheetHref(document);
  const std::string name = href.empty() ? kTableStylesheet : FolderFileName(href);
  try {
    const std::shared_ptr<const TXslStylesheet> stylesheet = caches.stylesheets.Compiled(name);
    if (std::shared_ptr<const TXslOutput> kept = caches.pages.Kept(stylesheet, document)) return kept;
    auto page = std::make_shared<const TXslOutput>(stylesheet->Apply(document));
    caches.pages.Keep(stylesheet, document, page);
    return page;
  } catch (const std::exception& e) {
    WriteLog(0, "HTML not made with " + name + "; the XML answer is sent:", e.what());
    return nullptr;
  }
}

}  // namespace

std::string StylesheetHref(std::string_view document) {
  // The instruction stands in the prolog, before the root element.
  std::size_t at = 0;
  while ((at = document.find('<', at)) != std::string_view::npos) {
    if (document.compare(at, 16, "<?xml-stylesheet") == 0) {
      const std::size_t end = document.find("?>", at);
      const std::string_view instruction = document.substr(at, end == std::string_view::npos ? 0 : end - at);
      const std::size_t href = instruction.find("href=");
      if (href == std::string_view::npos || href + 5 >= instruction.size()) return {};
      const char quote = instruction[href + 5];
      const std::size_t close = instruction.find(quote, href + 6);
      if ((quote != '"' && quote != '\'') || close == std::string_view::npos) return {};
      return std::string(instruction.substr(href + 6, close - href - 6));
    }
    if (document.compare(at, 2, "<?") != 0 && document.compare(at, 2, "<!") != 0) return {};
    ++at;
  }
  return {};
}

void SendViewDocument(const TViewCall& call, std::string_view document) {
  if (call.format.kind == TAnswerKind::kHtml) {
    if (std::shared_ptr<const TXslOutput> page = RenderHtml(call.state.caches, document)) {
      SendAnswer(call, "text/html; charset=" + page->encoding, page->bytes);
      return;
    }
  }
  XmlResponse().Send(call.connection, document);
  call.connection.Disconnect();
}

void SendViewAnswer(const TViewCall& call, const std::function<std::string()>& json,
                    const std::function<std::string()>& document) {
  if (call.format.kind == TAnswerKind::kJson) {
    SendJsonAnswer(call, json());
  } else {
    SendViewDocument(call, document());
  }
}

void SendJsonAnswer(const TViewCall& call, std::string_view json) {
  SendAnswer(call, "application/json; charset=utf-8", json);
}

}  // namespace sky
