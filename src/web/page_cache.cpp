#include "web/page_cache.h"

#include <functional>
#include <list>
#include <mutex>

namespace sky {

namespace {

struct TPage {
  std::shared_ptr<const TXslStylesheet> stylesheet;
  std::size_t document_hash = 0;
  std::string document;
  std::shared_ptr<const TXslOutput> page;
  std::size_t Bytes() const { return document.size() + page->bytes.size(); }
};

std::mutex g_lock;          // guards the two below
std::list<TPage> g_pages;   // most recently used first
std::size_t g_bytes = 0;

}  // namespace

std::shared_ptr<const TXslOutput> CachedPage(const std::shared_ptr<const TXslStylesheet>& stylesheet,
                                             std::string_view document) {
  const std::size_t hash = std::hash<std::string_view>()(document);
  std::lock_guard<std::mutex> hold(g_lock);
  for (auto page = g_pages.begin(); page != g_pages.end(); ++page) {
    if (page->stylesheet == stylesheet && page->document_hash == hash && page->document == document) {
      g_pages.splice(g_pages.begin(), g_pages, page);
      return g_pages.front().page;
    }
  }
  return nullptr;
}

void KeepPage(const std::shared_ptr<const TXslStylesheet>& stylesheet, std::string_view document,
              std::shared_ptr<const TXslOutput> page) {
  TPage kept{stylesheet, std::hash<std::string_view>()(document), std::string(document), std::move(page)};
  if (kept.Bytes() > kPageCacheBytes) return;
  std::lock_guard<std::mutex> hold(g_lock);
  g_bytes += kept.Bytes();
  g_pages.push_front(std::move(kept));
  while (g_bytes > kPageCacheBytes) {
    g_bytes -= g_pages.back().Bytes();
    g_pages.pop_back();
  }
}

}  // namespace sky
