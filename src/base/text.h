// General text and number helpers: trimming, decimal numbers, ASCII case.
#pragma once

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sky {

// Removes leading and trailing blanks and control characters (bytes <= 0x20).
std::string TrimText(std::string_view text);

// True when the text is one or more ASCII decimal digits.
bool AllDigits(std::string_view text);

// The whole text as a decimal number of type T: digits, after a '-' for a
// signed T; no blanks, no '+'. nullopt when the text is anything else or the
// number is out of T's range.
template <typename T>
std::optional<T> ParseDecimal(std::string_view text) {
  T value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

inline std::optional<int32_t> ToInt32(std::string_view text) { return ParseDecimal<int32_t>(text); }

// ASCII-only case folding (enough for names, paths and commands on the wire).
std::string AsciiLower(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace sky
