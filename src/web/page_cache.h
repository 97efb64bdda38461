// The HTML pages made lately, kept so that the same document rendered with
// the same compiled stylesheet is not transformed again: between two passes
// every pilot who opens the pilot list asks for the same page, and the
// transformation costs many times what reading the rows does.
//
// A page is found by the document's bytes and the stylesheet object (a
// changed stylesheet file is a new object, so its pages are never reused).
// The pages are kept up to kPageCacheBytes in all, the least recently used
// given up first. Safe to use from any number of threads.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "xml/xsl_stylesheet.h"

namespace sky {

inline constexpr std::size_t kPageCacheBytes = 64u << 20;

// The page made from `document` with `stylesheet`, if it is kept.
std::shared_ptr<const TXslOutput> CachedPage(const std::shared_ptr<const TXslStylesheet>& stylesheet,
                                             std::string_view document);
// Keeps a page; one larger than the whole cache is not kept.
void KeepPage(const std::shared_ptr<const TXslStylesheet>& stylesheet, std::string_view document,
              std::shared_ptr<const TXslOutput> page);

}  // namespace sky
