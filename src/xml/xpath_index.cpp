// Zero-based indexes of the system's path expressions, mapped to XPath.
#include <string>
#include <string_view>

#include "base/text.h"
#include "xml/xml_document.h"
#include "xml/xpath_index.h"

namespace sky {

namespace {

// Adds one to a decimal number of any length.
std::string Increment(std::string_view digits) {
  std::string out(digits);
  for (std::size_t i = out.size(); i-- > 0;) {
    if (out[i] != '9') {
      ++out[i];
      return out;
    }
    out[i] = '0';
  }
  return "1" + out;
}

}  // namespace

std::string ToXPath(std::string_view path) {
  std::string out;
  out.reserve(path.size() + 4);
  char quote = 0;
  for (std::size_t at = 0; at < path.size(); ++at) {
    const char c = path[at];
    if (quote != 0) {
      if (c == quote) quote = 0;
      out += c;
      continue;
    }
    if (c == '"' || c == '\'') {
      quote = c;
      out += c;
      continue;
    }
    if (c == '[') {
      const std::size_t close = path.find(']', at + 1);
      if (close != std::string_view::npos) {
        const std::string_view inside = path.substr(at + 1, close - at - 1);
        if (AllDigits(inside)) {
          out += '[';
          out += Increment(inside);
          out += ']';
          at = close;
          continue;
        }
      }
    }
    out += c;
  }
  return out;
}

}  // namespace sky
