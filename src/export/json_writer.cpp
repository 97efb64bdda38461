#include "export/json_writer.h"

#include "base/encoding.h"

namespace sky {

namespace {

std::size_t DigitsFrom(std::string_view text, std::size_t at) {
  while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
  return at;
}

// True when `text` from `at` on is a JSON number's fraction and exponent,
// each optional: [.digits][(e|E)[+|-]digits].
bool FractionAndExponent(std::string_view text, std::size_t at) {
  if (at < text.size() && text[at] == '.') {
    const std::size_t end = DigitsFrom(text, at + 1);
    if (end == at + 1) return false;
    at = end;
  }
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    ++at;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    const std::size_t end = DigitsFrom(text, at);
    if (end == at) return false;
    at = end;
  }
  return at == text.size();
}

}  // namespace

void WriteJsonText(TJsonWriter& writer, std::string_view text) {
  if (IsValidUtf8(text)) {
    writer.String(text.data(), static_cast<rapidjson::SizeType>(text.size()));
    return;
  }
  const std::string repaired = SanitizeUtf8(text);
  writer.String(repaired.data(), static_cast<rapidjson::SizeType>(repaired.size()));
}

void WriteJsonNumber(TJsonWriter& writer, std::string_view text) {
  const std::size_t sign = text.starts_with('-') ? 1 : 0;
  const std::size_t integer_end = DigitsFrom(text, sign);
  if (integer_end == sign || !FractionAndExponent(text, integer_end)) {
    WriteJsonText(writer, text);
    return;
  }
  std::size_t first = sign;  // the integer part's first digit kept
  while (first + 1 < integer_end && text[first] == '0') ++first;
  // RawValue, not RawNumber: this RapidJSON's RawNumber writes the digits
  // inside quotes.
  if (first == sign) {
    writer.RawValue(text.data(), text.size(), rapidjson::kNumberType);
    return;
  }
  std::string trimmed(text.substr(0, sign));
  trimmed.append(text.substr(first));
  writer.RawValue(trimmed.data(), trimmed.size(), rapidjson::kNumberType);
}

}  // namespace sky
