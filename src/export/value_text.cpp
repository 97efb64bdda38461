#include "export/value_text.h"

#include <cstdio>

#include "base/encoding.h"
#include "base/text.h"

namespace sky {

namespace {

// "yyyy-mm-dd" -> "dd.mm.yyyy"; empty when the text has another shape.
std::string ReorderDate(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return {};
  std::string_view year = text.substr(0, 4), month = text.substr(5, 2), day = text.substr(8, 2);
  if (!AllDigits(year) || !AllDigits(month) || !AllDigits(day)) return {};
  std::string out;
  out.append(day).append(".").append(month).append(".").append(year);
  return out;
}

// "hh:mm:ss" with an optional ".fraction"; gives the part before the
// fraction, or empty when the text has another shape. Hours may carry a sign
// and any number of digits (a TIME column holds durations too).
std::string TimeWithoutFraction(std::string_view text) {
  std::size_t dot = text.find('.');
  if (dot != std::string_view::npos) {
    if (!AllDigits(text.substr(dot + 1))) return {};
    text = text.substr(0, dot);
  }
  std::size_t first = text.find(':');
  if (first == std::string_view::npos || text.size() != first + 6 || text[first + 3] != ':') return {};
  std::string_view hours = text.substr(0, first);
  if (!hours.empty() && hours.front() == '-') hours.remove_prefix(1);
  if (!AllDigits(hours) || !AllDigits(text.substr(first + 1, 2)) || !AllDigits(text.substr(first + 4, 2))) {
    return {};
  }
  return std::string(text);
}

bool XmlAllows(char32_t cp) {
  return cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) ||
         (cp >= 0xE000 && cp <= 0xFFFD) || (cp >= 0x10000 && cp <= 0x10FFFF);
}

}  // namespace

std::string FormatShortestFloat(double value) {
  if (value == 0) return "0";  // also for -0
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  std::string text(buffer);
  std::size_t e = text.find('e');
  if (e == std::string::npos) return text;
  std::string mantissa = text.substr(0, e);
  std::string exponent = text.substr(e + 1);
  std::string sign;
  if (!exponent.empty() && (exponent[0] == '+' || exponent[0] == '-')) {
    if (exponent[0] == '-') sign = "-";
    exponent.erase(0, 1);
  }
  std::size_t digits = exponent.find_first_not_of('0');
  exponent = digits == std::string::npos ? "0" : exponent.substr(digits);
  return mantissa + "E" + sign + exponent;
}

std::string FormatSqlDate(std::string_view text) {
  std::string date = ReorderDate(text);
  return date.empty() ? std::string(text) : date;
}

std::string FormatSqlTime(std::string_view text) {
  std::string time = TimeWithoutFraction(text);
  return time.empty() ? std::string(text) : time;
}

std::string FormatSqlDateTime(std::string_view text) {
  if (text.size() == 10) return FormatSqlDate(text);
  if (text.size() < 19 || (text[10] != ' ' && text[10] != 'T')) return std::string(text);
  std::string date = ReorderDate(text.substr(0, 10));
  std::string time = TimeWithoutFraction(text.substr(11));
  if (date.empty() || time.size() != 8) return std::string(text);
  if (time == "00:00:00") return date;
  return date + " " + time;
}

std::string IsoSqlDateTime(std::string_view text) {
  if (text.size() < 19 || (text[10] != ' ' && text[10] != 'T') || ReorderDate(text.substr(0, 10)).empty()) {
    return std::string(text);
  }
  std::string time = TimeWithoutFraction(text.substr(11));
  if (time.size() != 8) return std::string(text);
  std::string iso(text.substr(0, 10));
  return iso.append("T").append(time);
}

std::string XmlSafeText(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  char32_t cp = 0;
  for (std::size_t at = 0; at < utf8.size();) {
    const std::size_t length = DecodeUtf8(utf8, at, cp);
    if (length == 0) {
      out.push_back('?');
      ++at;
      continue;
    }
    if (XmlAllows(cp)) out.append(utf8.substr(at, length));
    at += length;
  }
  return out;
}

std::string HexText(std::string_view bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) {
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 0x0F]);
  }
  return out;
}

}  // namespace sky
