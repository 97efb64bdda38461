#include "civil_time.h"

namespace sky::skygen {
namespace {

constexpr int64_t kSecondsPerDay = 86400;

// Days since 1970-01-01 of a date, counting years from March so that the
// leap day is the last day of its year.
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

struct Date {
  int64_t year;
  int month;
  int day;
};

Date CivilFromDays(int64_t z) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  return {yoe + era * 400 + (month <= 2), month, day};
}

void PutDigits(char* out, int64_t value, int width) {
  for (int i = width - 1; i >= 0; --i) {
    out[i] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
}

}  // namespace

int64_t SecondsFromCivil(int year, int month, int day, int hour, int minute, int second) {
  return DaysFromCivil(year, month, day) * kSecondsPerDay + hour * 3600 + minute * 60 + second;
}

void FormatDateTime(int64_t seconds, char (&out)[19]) {
  int64_t days = seconds / kSecondsPerDay;
  int64_t rest = seconds % kSecondsPerDay;
  if (rest < 0) {
    rest += kSecondsPerDay;
    --days;
  }
  const Date date = CivilFromDays(days);
  PutDigits(&out[0], date.year, 4);
  PutDigits(&out[5], date.month, 2);
  PutDigits(&out[8], date.day, 2);
  PutDigits(&out[11], rest / 3600, 2);
  PutDigits(&out[14], rest % 3600 / 60, 2);
  PutDigits(&out[17], rest % 60, 2);
  out[4] = out[7] = '-';
  out[10] = ' ';
  out[13] = out[16] = ':';
}

std::string FormatDateTime(int64_t seconds) {
  char text[19];
  FormatDateTime(seconds, text);
  return std::string(text, sizeof text);
}

}  // namespace sky::skygen
