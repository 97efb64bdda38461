#include "web/view_params.h"

#include <algorithm>

#include "base/text.h"

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

std::vector<std::string> QueryParameterList(std::string_view params) {
  std::vector<std::string> list;
  const std::size_t query = params.find('?');
  if (query == std::string_view::npos) return list;
  std::string_view rest = params.substr(query + 1);
  while (!rest.empty()) {
    const std::size_t end = std::min(rest.find('&'), rest.size());
    if (end > 0) list.emplace_back(rest.substr(0, end));
    rest.remove_prefix(std::min(end + 1, rest.size()));
  }
  return list;
}

std::string SrvidValue(const std::vector<std::string>& list) {
  const std::string srvid = TrimText(ListValue(list, "srvid").value_or(""));
  const bool digits = !srvid.empty() && srvid.find_first_not_of("0123456789") == std::string::npos;
  return digits && ToInt32(srvid) ? srvid : "1";
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
