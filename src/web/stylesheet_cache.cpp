#include "web/stylesheet_cache.h"

#include <sys/stat.h>

#include <map>
#include <mutex>

#include "base/paths.h"
#include "web/view_params.h"
#include "xml/xml_document.h"

namespace sky {

namespace {

struct TCompiled {
  int64_t modified_ns = 0;
  int64_t size = 0;
  std::shared_ptr<const TXslStylesheet> stylesheet;
};

std::mutex g_lock;                          // guards g_compiled
std::map<std::string, TCompiled> g_compiled;  // by absolute path

}  // namespace

std::shared_ptr<const TXslStylesheet> CompiledStylesheet(const std::string& name) {
  if (!IsContainedFileName(name)) throw TXmlError("the stylesheet " + name + " is not inside the program folder");
  const std::string root = ProgramDirectory();
  const std::string path = root + "/" + name;
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    throw TXmlError("the stylesheet " + path + " is missing");
  }
  const int64_t modified_ns = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
  {
    std::lock_guard<std::mutex> hold(g_lock);
    const auto found = g_compiled.find(path);
    if (found != g_compiled.end() && found->second.modified_ns == modified_ns && found->second.size == info.st_size) {
      return found->second.stylesheet;
    }
  }
  // Compiled outside the lock: other stylesheets stay available meanwhile,
  // and two requests that race compile the same file twice, harmlessly.
  std::shared_ptr<const TXslStylesheet> stylesheet = TXslStylesheet::Compile(path, root);
  std::lock_guard<std::mutex> hold(g_lock);
  g_compiled[path] = {modified_ns, static_cast<int64_t>(info.st_size), stylesheet};
  return stylesheet;
}

}  // namespace sky
