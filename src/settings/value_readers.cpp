// Reading single values from a parsed settings document.
#include "settings/value_readers.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

#include "base/log.h"
#include "settings/settings.h"

namespace sky {

namespace {

// Optional sign, digits with an optional fraction (at least one digit in
// all), optional exponent; '.' is the separator by the time this runs.
bool IsDecimalNumber(std::string_view text) {
  std::size_t at = 0;
  const auto digits = [&] {
    const std::size_t start = at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
    return at - start;
  };
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
  std::size_t mantissa = digits();
  if (at < text.size() && text[at] == '.') {
    ++at;
    mantissa += digits();
  }
  if (mantissa == 0) return false;
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    ++at;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    if (digits() == 0) return false;
  }
  return at == text.size();
}

// Truncates toward zero and keeps the low 32 bits, as a 64-bit integer
// stored into a 32-bit field would. Values beyond 64 bits give 0.
int32_t TruncateToInt32(double value) {
  const double whole = std::trunc(value);
  if (!(std::fabs(whole) < 9.2e18)) return 0;
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(whole))));
}

}  // namespace

std::optional<double> ReadDecimal(std::string_view text) {
  if (text.empty()) return 0.0;
  std::string number(text);
  for (char& c : number) {
    if (c == ',') c = '.';
  }
  // Blanks around a number are tolerated, as hand-edited files have them.
  std::size_t begin = number.find_first_not_of(" \t");
  std::size_t end = number.find_last_not_of(" \t");
  std::string_view core = begin == std::string::npos
                              ? std::string_view()
                              : std::string_view(number).substr(begin, end - begin + 1);
  double value = 0.0;
  if (IsDecimalNumber(core)) {
    if (core.front() == '+') core.remove_prefix(1);
    const auto [rest, error] = std::from_chars(core.data(), core.data() + core.size(), value);
    if (error == std::errc() && rest == core.data() + core.size()) return value;
  }
  return std::nullopt;
}

double TextToFloat(std::string_view text) {
  if (const std::optional<double> value = ReadDecimal(text)) return *value;
  std::string number(text);
  for (char& c : number) {
    if (c == ',') c = '.';
  }
  WriteLog(0, "Ошибка преобразования стрк в число:", number);
  throw std::invalid_argument("\"" + number + "\" is not a number");
}

int32_t TextToInt32(std::string_view text) { return TruncateToInt32(TextToFloat(text)); }

std::string ReadNodeValue(const TXmlDocument& doc, std::string_view path) {
  return doc.SelectFirst(path).Value();
}

std::string ReadNodeText(const TXmlDocument& doc, std::string_view path) {
  return doc.SelectFirst(path).Text();
}

int32_t ReadIntValue(const TXmlDocument& doc, std::string_view path, int32_t default_value) {
  try {
    TXmlNode node = doc.SelectFirst(path);
    if (node.IsNull()) return default_value;
    return TextToInt32(node.Value());
  } catch (const std::invalid_argument&) {
    return default_value;  // the conversion has written its line
  } catch (const std::exception& e) {
    WriteLog(0, "ERROR! Reading integer value from xml attribute: ", e.what());
    return default_value;
  }
}

double ReadFloatValue(const TXmlDocument& doc, std::string_view path, double default_value) {
  std::string name;
  try {
    TXmlNode node = doc.SelectFirst(path);
    if (node.IsNull()) return default_value;
    name = node.Name();
    return TextToFloat(node.Value());
  } catch (const std::invalid_argument&) {
    return default_value;  // the conversion has written its line
  } catch (const std::exception& e) {
    WriteLog(0, "ERROR! Reading floating point value from xml attribute " + name + ":", e.what());
    return default_value;
  }
}

std::string ReadAttrText(TXmlNode element, std::string_view attribute) {
  return element.Attribute(attribute).value_or("");
}

}  // namespace sky
