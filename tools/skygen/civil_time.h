// Calendar arithmetic for generated timestamps, independent of time zones.
//
// Contract: times are whole seconds since 1970-01-01 00:00:00 on a plain
// proleptic Gregorian calendar without zones or leap seconds, which is what a
// DATETIME column stores. FormatDateTime writes exactly 19 characters
// "YYYY-MM-DD HH:MM:SS" for years 1970 to 9999.
#pragma once

#include <cstdint>
#include <string>

namespace sky::skygen {

int64_t SecondsFromCivil(int year, int month, int day, int hour = 0, int minute = 0,
                         int second = 0);
void FormatDateTime(int64_t seconds, char (&out)[19]);
std::string FormatDateTime(int64_t seconds);

}  // namespace sky::skygen
