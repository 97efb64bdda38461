#include "base/datetime.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <stdexcept>

#include <fmt/format.h>

namespace sky {

namespace {

constexpr double kMsPerDay = 86400000.0;

// Days from 1970-01-01 of a proleptic Gregorian date (negative before it).
constexpr int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t y = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(y + (month <= 2));
}

// Day 0 of the date-time scale, 30.12.1899, counted from 1970-01-01.
constexpr int64_t kEpochOffset = DaysFromCivil(1899, 12, 30);

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

[[noreturn]] void NotADateTime(const std::string& text) {
  throw std::invalid_argument("not a date-time: \"" + text + "\"");
}

// Reads exactly `count` digits at `at`.
int Digits(const std::string& text, std::size_t& at, std::size_t count) {
  int value = 0;
  for (std::size_t i = 0; i < count; ++i, ++at) {
    if (at >= text.size() || text[at] < '0' || text[at] > '9') NotADateTime(text);
    value = value * 10 + (text[at] - '0');
  }
  return value;
}

void Expect(const std::string& text, std::size_t& at, char c) {
  if (at >= text.size() || text[at] != c) NotADateTime(text);
  ++at;
}

// "hh:mm:ss[.ffffff]" from `at` to the end, as a fraction of a day. Hours may
// exceed 23 (the server's time type runs to 838 hours).
double ParseTime(const std::string& text, std::size_t at) {
  std::size_t hour_digits = 0;
  while (at + hour_digits < text.size() && text[at + hour_digits] >= '0' && text[at + hour_digits] <= '9') {
    ++hour_digits;
  }
  if (hour_digits < 2 || hour_digits > 3) NotADateTime(text);
  const int hour = Digits(text, at, hour_digits);
  Expect(text, at, ':');
  const int minute = Digits(text, at, 2);
  Expect(text, at, ':');
  const int second = Digits(text, at, 2);
  if (minute > 59 || second > 59) NotADateTime(text);
  double fraction = 0.0;
  if (at < text.size()) {
    Expect(text, at, '.');
    double scale = 0.1;
    if (at >= text.size()) NotADateTime(text);
    for (; at < text.size(); ++at, scale /= 10) {
      if (text[at] < '0' || text[at] > '9') NotADateTime(text);
      fraction += (text[at] - '0') * scale;
    }
  }
  return ((hour * 60.0 + minute) * 60.0 + second + fraction) * 1000.0 / kMsPerDay;
}

}  // namespace

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second) {
  const double days = static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
                                          kEpochOffset);
  const double time = ((hour * 60.0 + minute) * 60.0 + second) * 1000.0 / kMsPerDay;
  // Before day 0 the fraction still counts forward from midnight.
  return days >= 0 ? days + time : days - time;
}

TCivilDateTime DecodeDateTime(TDateTime value) {
  // Beyond the years 0001..9999 a value is no date; it decodes as the zero date.
  if (!(std::fabs(value) < 3.0e6)) value = 0;
  double whole = std::trunc(value);
  int64_t ms = std::llround(std::fabs(value - whole) * kMsPerDay);
  if (ms >= static_cast<int64_t>(kMsPerDay)) {  // rounding reached the next midnight
    ms -= static_cast<int64_t>(kMsPerDay);
    whole += value >= 0 ? 1 : -1;
  }
  TCivilDateTime civil;
  CivilFromDays(static_cast<int64_t>(whole) + kEpochOffset, civil.year, civil.month, civil.day);
  const int64_t seconds = ms / 1000;
  civil.hour = static_cast<int>(seconds / 3600);
  civil.minute = static_cast<int>(seconds / 60 % 60);
  civil.second = static_cast<int>(seconds % 60);
  return civil;
}

TDateTime Now() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  return EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                        local.tm_sec) +
         static_cast<double>(ms < 0 ? ms + 1000 : ms) / kMsPerDay;
}

std::string FormatDateTime(TDateTime value) {
  const TCivilDateTime t = DecodeDateTime(value);
  return fmt::format("{:02}.{:02}.{:04} {:02}:{:02}:{:02}", t.day, t.month, t.year, t.hour, t.minute, t.second);
}

std::string FormatIsoDateTime(TDateTime value) {
  const TCivilDateTime t = DecodeDateTime(value);
  return fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}:{:02}", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

TDateTime ParseSqlDateTime(const std::string& text) {
  if (text.empty()) return 0;
  std::size_t at = 0;
  if (text.size() >= 3 && text[2] == ':') return ParseTime(text, 0);
  if (text.size() > 3 && text[3] == ':') return ParseTime(text, 0);
  const int year = Digits(text, at, 4);
  Expect(text, at, '-');
  const int month = Digits(text, at, 2);
  Expect(text, at, '-');
  const int day = Digits(text, at, 2);
  double time = 0.0;
  if (at < text.size()) {
    Expect(text, at, ' ');
    time = ParseTime(text, at);
  }
  if (year == 0 && month == 0 && day == 0) return 0;
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) NotADateTime(text);
  const double days = static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month),
                                                        static_cast<unsigned>(day)) - kEpochOffset);
  return days >= 0 ? days + time : days - time;
}

}  // namespace sky
