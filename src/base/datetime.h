// Date-times as the statistics program and the pages count them: a double
// holding days since 30.12.1899 00:00 (local time), the fraction being the
// time of day. 0 is the "zero date-time" 30.12.1899 00:00:00.
#pragma once

#include <string>

namespace sky {

using TDateTime = double;

TDateTime EncodeDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

// A date-time's calendar fields, as EncodeDateTime takes them.
struct TCivilDateTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
TCivilDateTime DecodeDateTime(TDateTime value);

// Current local date and time.
TDateTime Now();

// "dd.mm.yyyy hh:nn:ss" (log lines, pages, XML documents).
std::string FormatDateTime(TDateTime value);
// "yyyy-mm-ddThh:nn:ss", for documents read by programs.
std::string FormatIsoDateTime(TDateTime value);

// Parses the server's text form "yyyy-mm-dd hh:mm:ss[.ffffff]", "yyyy-mm-dd"
// or "hh:mm:ss"; empty text and the zero date 0000-00-00 give 0.
// Throws std::invalid_argument for anything else.
TDateTime ParseSqlDateTime(const std::string& text);

// Until the first calculation `LastCalcTime` holds this date (14.01.1966 00:00);
// any value at or before it means "never".
constexpr TDateTime kNeverCalculated = 24121.0;

}  // namespace sky
