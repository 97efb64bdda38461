#include "web/view_params.h"

#include "xml/encoding.h"

namespace sky {

std::optional<std::string> ListValue(const std::vector<std::string>& list, std::string_view name) {
  for (const std::string& line : list) {
    std::size_t eq = line.find('=');
    if (eq != std::string::npos && EqualsIgnoreCase(std::string_view(line).substr(0, eq), name)) {
      return line.substr(eq + 1);
    }
  }
  return std::nullopt;
}

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

}  // namespace sky
