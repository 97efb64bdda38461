#include "http/stylesheet_cache.h"

#include <sys/stat.h>

#include "base/paths.h"
#include "http/file_name.h"
#include "xml/xml_document.h"

namespace sky {

std::shared_ptr<const TXslStylesheet> TStylesheetCache::Compiled(const std::string& name) {
  if (!IsContainedFileName(name)) throw TXmlError("the stylesheet " + name + " is not inside the program folder");
  const std::string root = ProgramDirectory();
  const std::string path = root + "/" + name;
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    throw TXmlError("the stylesheet " + path + " is missing");
  }
  const int64_t modified_ns = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
  {
    TMutexLock hold(lock_);
    const auto found = compiled_.find(path);
    if (found != compiled_.end() && found->second.modified_ns == modified_ns && found->second.size == info.st_size) {
      return found->second.stylesheet;
    }
  }
  // Compiled outside the lock: other stylesheets stay available meanwhile,
  // and two requests that race compile the same file twice, harmlessly.
  std::shared_ptr<const TXslStylesheet> stylesheet = TXslStylesheet::Compile(path, root);
  TMutexLock hold(lock_);
  compiled_[path] = {modified_ns, static_cast<int64_t>(info.st_size), stylesheet};
  return stylesheet;
}

}  // namespace sky
