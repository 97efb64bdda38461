// What the server keeps between requests to answer faster: the bytes of
// static files, compiled stylesheets and the HTML pages made with them.
// One server owns one set; each member is safe to use from any number of
// threads.
#pragma once

#include "http/file_cache.h"
#include "http/page_cache.h"
#include "http/stylesheet_cache.h"

namespace sky {

struct THttpCaches {
  TFileCache files;
  TStylesheetCache stylesheets;
  TPageCache pages;
};

}  // namespace sky
