// The stylesheets the server renders HTML with, compiled once and kept by
// file: a file whose modification time or size changed is compiled again
// at its next use, so an administrator's edit shows at the next request.
// Files are read only inside the program folder (xml/xsl_stylesheet.h).
// Safe to call from any number of threads. The server owns one
// (http/http_caches.h).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "base/mutex.h"
#include "xml/xsl_stylesheet.h"

namespace sky {

// The compiled stylesheet of the file `name`, relative to the program
// folder. Raises TXmlError when the file is missing, does not compile, or
// is no name inside the folder.
class TStylesheetCache {
 public:
  std::shared_ptr<const TXslStylesheet> Compiled(const std::string& name) SKY_EXCLUDES(lock_);

 private:
  struct TCompiled {
    int64_t modified_ns = 0;
    int64_t size = 0;
    std::shared_ptr<const TXslStylesheet> stylesheet;
  };

  TMutex lock_;
  std::map<std::string, TCompiled> compiled_ SKY_GUARDED_BY(lock_);  // by absolute path
};

}  // namespace sky
