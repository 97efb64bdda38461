// Implements part of web/views.h (ServeFileRequest).
// Static files beside the program: stylesheets, XML files, JPEG images, the
// log file, SVG pictures and the banner. The settings file, which holds
// passwords, is never sent, and no name may lead out of the program directory.
#include <filesystem>

#include "base/paths.h"
#include "base/text.h"
#include "settings/settings_store.h"
#include "web/answer_framing.h"
#include "web/http_answer.h"
#include "web/view_params.h"
#include "web/views.h"

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

bool IsFile(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

}  // namespace

void ServeFileRequest(TConnection& connection, const std::string& name) {
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
    } else if (IsFile(path)) {
      SendFile(connection, path);
    }
    return;
  }
  if (extension == ".svg" && IsFile(path)) {
    // Rank insignia and ribbons (img/), shown by the pilot pages.
    SendImageFile(connection, path, "image/svg+xml");
    return;
  }
  // With log/@web="0" the log is answered as if it were not there.
  const std::string log_name = ProgramBaseName() + ".log";
  if (name == log_name && CurrentSettings()->LogWeb && IsFile(path)) {
    SendFile(connection, path);
  } else if (name.find(".gif") != std::string::npos) {
    // Only the banner is served among images of this kind.
  } else {
    SendDefaultPage(connection);
  }
}

}  // namespace sky
