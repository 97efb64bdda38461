#include "web/form_fields.h"

#include <cctype>
#include <cstdint>

namespace sky {

namespace {

constexpr std::string_view kMask = "********";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Calls visit(name_raw, value_start, value_end) for every "name=value" field
// of the body; value_start == value_end for a field without "=" or value.
template <typename Visit>
void ForEachField(std::string_view body, Visit visit) {
  std::size_t start = 0;
  while (start <= body.size()) {
    std::size_t end = body.find('&', start);
    if (end == std::string_view::npos) end = body.size();
    const std::string_view field = body.substr(start, end - start);
    const std::size_t eq = field.find('=');
    const std::size_t value_start = eq == std::string_view::npos ? end : start + eq + 1;
    visit(field.substr(0, eq), value_start, end);
    start = end + 1;
  }
}

}  // namespace

std::string UrlDecode(std::string_view text) {
  std::string decoded;
  decoded.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '+') {
      decoded += ' ';
    } else if (c == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      decoded += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      decoded += c;
    }
  }
  return decoded;
}

std::string UrlEncode(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isalnum(byte) || c == '-' || c == '.' || c == '_' || c == '~') {
      encoded += c;
    } else {
      encoded += {'%', kHex[byte >> 4], kHex[byte & 15]};
    }
  }
  return encoded;
}

std::optional<std::string> FormFieldValue(std::string_view body, std::string_view name) {
  std::optional<std::string> found;
  ForEachField(body, [&](std::string_view raw_name, std::size_t value_start, std::size_t value_end) {
    if (!found && UrlDecode(raw_name) == name) found = UrlDecode(body.substr(value_start, value_end - value_start));
  });
  return found;
}

std::string MaskFormValues(std::string_view body, std::initializer_list<std::string_view> shown) {
  std::string masked;
  std::size_t copied = 0;
  ForEachField(body, [&](std::string_view raw_name, std::size_t value_start, std::size_t value_end) {
    if (value_start == value_end) return;
    const std::string name = UrlDecode(raw_name);
    for (std::string_view visible : shown) {
      if (name == visible) return;
    }
    masked.append(body.substr(copied, value_start - copied)).append(kMask);
    copied = value_end;
  });
  masked.append(body.substr(copied));
  return masked;
}

bool ConstantTimeEquals(std::string_view supplied, std::string_view secret) {
  // Every byte of `supplied` is compared, against the secret's byte or 0
  // beyond its end; the lengths enter the result without a branch.
  std::size_t difference = supplied.size() ^ secret.size();
  for (std::size_t i = 0; i < supplied.size(); ++i) {
    const unsigned char expected = i < secret.size() ? static_cast<unsigned char>(secret[i]) : 0;
    difference |= static_cast<unsigned char>(supplied[i]) ^ expected;
  }
  return difference == 0;
}

}  // namespace sky
