#include "web/file_view.h"


#include "base/paths.h"
#include "base/text.h"
#include "http/file_name.h"
#include "http/static_file.h"
#include "settings/settings_store.h"
#include "web/banner.h"
#include "web/http_answer.h"

namespace sky {

namespace {

// The extension of the last path component from its last dot, in lower
// case; empty when that component has no dot.
std::string LowerExtension(std::string_view name) {
  std::size_t slash = name.find_last_of("/\\");
  std::string_view last = slash == std::string_view::npos ? name : name.substr(slash + 1);
  std::size_t dot = last.rfind('.');
  return dot == std::string_view::npos ? std::string() : AsciiLower(last.substr(dot));
}

std::string LastComponent(std::string_view name) {
  std::size_t slash = name.find_last_of("/\\");
  return std::string(slash == std::string_view::npos ? name : name.substr(slash + 1));
}

std::string InProgramDirectory(const std::string& name) { return ProgramDirectory() + "/" + name; }

}  // namespace

void ServeFileRequest(const TViewCall& call) {
  TConnection& connection = call.connection;
  TFileCache& cache = call.state.caches.files;
  const std::string& name = call.request.path;
  if (EqualsIgnoreCase(name, "sky.gif")) {
    SendBanner(connection);
    return;
  }
  if (!IsContainedFileName(name)) {
    SendDefaultPage(connection);
    return;
  }
  const std::string settings_name = ProgramBaseName() + ".xml";
  const std::string extension = LowerExtension(name);
  const std::string path = InProgramDirectory(name);
  if (extension == ".xsl" || extension == ".xml" || extension == ".jpg") {
    // The settings file is refused under any spelling of its name, also
    // where the file system tells letter cases apart and that spelling
    // names no file.
    if (EqualsIgnoreCase(LastComponent(name), settings_name)) {
      SendDefaultPage(connection);
    } else if (IsRegularFile(path)) {
      SendFile(connection, cache, path);
    }
    return;
  }
  if (extension == ".svg" && IsRegularFile(path)) {
    // Rank insignia and ribbons (img/), shown by the pilot pages.
    SendImageFile(connection, cache, path, "image/svg+xml");
    return;
  }
  // With log/@web="0" the log is answered as if it were not there.
  const std::string log_name = ProgramBaseName() + ".log";
  if (name == log_name && CurrentSettings()->LogWeb && IsRegularFile(path)) {
    SendFile(connection, cache, path);
  } else if (name.find(".gif") != std::string::npos) {
    // Only the banner is served among images of this kind.
  } else {
    SendDefaultPage(connection);
  }
}

}  // namespace sky
