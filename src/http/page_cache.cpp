#include "http/page_cache.h"

#include <functional>
#include <utility>

namespace sky {

std::shared_ptr<const TXslOutput> TPageCache::Kept(const std::shared_ptr<const TXslStylesheet>& stylesheet,
                                                   std::string_view document) {
  const std::size_t hash = std::hash<std::string_view>()(document);
  TMutexLock hold(lock_);
  for (auto page = pages_.begin(); page != pages_.end(); ++page) {
    if (page->stylesheet == stylesheet && page->document_hash == hash && page->document == document) {
      pages_.splice(pages_.begin(), pages_, page);
      return pages_.front().page;
    }
  }
  return nullptr;
}

void TPageCache::Keep(const std::shared_ptr<const TXslStylesheet>& stylesheet, std::string_view document,
                      std::shared_ptr<const TXslOutput> page) {
  TPage kept{stylesheet, std::hash<std::string_view>()(document), std::string(document), std::move(page)};
  if (kept.Bytes() > kPageCacheBytes) return;
  TMutexLock hold(lock_);
  bytes_ += kept.Bytes();
  pages_.push_front(std::move(kept));
  while (bytes_ > kPageCacheBytes) {
    bytes_ -= pages_.back().Bytes();
    pages_.pop_back();
  }
}

}  // namespace sky
