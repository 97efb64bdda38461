#include "http/file_name.h"

#include <filesystem>

namespace sky {

bool IsContainedFileName(std::string_view name) {
  if (name.empty() || name.front() == '/') return false;
  for (char c : name) {
    if (c == '\\' || static_cast<unsigned char>(c) < 0x20) return false;
  }
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t slash = name.find('/', start);
    if (slash == std::string_view::npos) slash = name.size();
    if (name.substr(start, slash - start) == "..") return false;
    start = slash + 1;
  }
  return true;
}

bool IsRegularFile(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

}  // namespace sky
