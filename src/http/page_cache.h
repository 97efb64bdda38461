// The HTML pages made lately, kept so that the same document rendered with
// the same compiled stylesheet is not transformed again: between two passes
// every pilot who opens the pilot list asks for the same page, and the
// transformation costs many times what reading the rows does.
//
// A page is found by the document's bytes and the stylesheet object (a
// changed stylesheet file is a new object, so its pages are never reused).
// The pages are kept up to kPageCacheBytes in all, the least recently used
// given up first. Safe to use from any number of threads. The server owns
// one (http/http_caches.h).
#pragma once

#include <cstddef>
#include <list>
#include <memory>
#include <string>
#include <string_view>

#include "base/mutex.h"
#include "xml/xsl_stylesheet.h"

namespace sky {

inline constexpr std::size_t kPageCacheBytes = 64u << 20;

class TPageCache {
 public:
  // The page made from `document` with `stylesheet`, if it is kept.
  std::shared_ptr<const TXslOutput> Kept(const std::shared_ptr<const TXslStylesheet>& stylesheet,
                                         std::string_view document) SKY_EXCLUDES(lock_);
  // Keeps a page; one larger than the whole cache is not kept.
  void Keep(const std::shared_ptr<const TXslStylesheet>& stylesheet, std::string_view document,
            std::shared_ptr<const TXslOutput> page) SKY_EXCLUDES(lock_);

 private:
  struct TPage {
    std::shared_ptr<const TXslStylesheet> stylesheet;
    std::size_t document_hash = 0;
    std::string document;
    std::shared_ptr<const TXslOutput> page;
    std::size_t Bytes() const { return document.size() + page->bytes.size(); }
  };

  TMutex lock_;
  std::list<TPage> pages_ SKY_GUARDED_BY(lock_);  // most recently used first
  std::size_t bytes_ SKY_GUARDED_BY(lock_) = 0;
};

}  // namespace sky
