// Whether a text has a fixed shape, for checking time stamps and version
// strings without a second regular-expression engine in the tests.
#pragma once

#include <string>
#include <string_view>

namespace sky::test {

// Every character of `shape` stands for one of `text`: '9' for a decimal
// digit, 'F' for an upper-case hexadecimal digit, any other for itself.
inline bool HasShape(std::string_view text, std::string_view shape) {
  if (text.size() != shape.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool digit = c >= '0' && c <= '9';
    const bool fits = shape[i] == '9'   ? digit
                      : shape[i] == 'F' ? digit || (c >= 'A' && c <= 'F')
                                        : c == shape[i];
    if (!fits) return false;
  }
  return true;
}

// Four groups of decimal digits joined by dots, as "1.0.12.3".
inline bool IsFourPartVersion(std::string_view text) {
  int parts = 1;
  bool digits_in_part = false;
  for (char c : text) {
    if (c == '.') {
      if (!digits_in_part) return false;
      ++parts;
      digits_in_part = false;
    } else if (c >= '0' && c <= '9') {
      digits_in_part = true;
    } else {
      return false;
    }
  }
  return parts == 4 && digits_in_part;
}

// The log's time stamp, as it starts every line.
inline constexpr std::string_view kLogStampShape = "99.99.9999 99:99:99\t";

// The text with the time stamp at the start of each line (at the start of
// the text or after a line feed) replaced by "TS\t".
inline std::string MaskLineStamps(std::string_view text) {
  std::string masked;
  masked.reserve(text.size());
  std::size_t line = 0;
  while (line < text.size()) {
    std::size_t next = text.find('\n', line);
    next = next == std::string_view::npos ? text.size() : next + 1;
    std::string_view content = text.substr(line, next - line);
    if (HasShape(content.substr(0, kLogStampShape.size()), kLogStampShape)) {
      masked += "TS\t";
      content.remove_prefix(kLogStampShape.size());
    }
    masked += content;
    line = next;
  }
  return masked;
}

}  // namespace sky::test
