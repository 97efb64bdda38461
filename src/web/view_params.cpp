// Implements part of web/view_operations.h (ListValue, ToInt32).
// Parameter helpers shared by the views.
#include <charconv>

#include "web/view_operations.h"
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

std::optional<int32_t> ToInt32(std::string_view text) {
  int32_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace sky
