// Text forms of the values a data packet carries, and the guard that keeps
// any value text fit for an XML attribute.
//
//  - FormatShortestFloat: general form with at most 15 significant digits,
//    no trailing zeros, "." as decimal separator and exponents written as
//    "E" with no plus sign or leading zeros ("1E20", "2.5E-7").
//  - FormatSqlDate / FormatSqlTime / FormatSqlDateTime turn the server's text
//    ("yyyy-mm-dd", "hh:mm:ss", "yyyy-mm-dd hh:mm:ss", each possibly with a
//    fraction of a second) into "dd.mm.yyyy", "hh:nn:ss" and
//    "dd.mm.yyyy hh:nn:ss"; a date-time at midnight gives the date alone.
//    Fractions of a second are dropped. A text of any other shape is
//    returned unchanged, so nothing the server sends is ever lost.
//  - IsoSqlDateTime: the server's date-time text as ISO 8601,
//    "yyyy-mm-ddThh:mm:ss" (midnight included, the fraction dropped); a date
//    alone and a text of any other shape stay as they are.
//  - XmlSafeText: valid UTF-8 holding only characters XML 1.0 allows;
//    invalid bytes become '?', forbidden control characters are dropped.
//  - HexText: upper-case hexadecimal digits of raw bytes.
#pragma once

#include <string>
#include <string_view>

namespace sky {

std::string FormatShortestFloat(double value);
std::string FormatSqlDate(std::string_view text);
std::string FormatSqlTime(std::string_view text);
std::string FormatSqlDateTime(std::string_view text);
std::string IsoSqlDateTime(std::string_view text);
std::string XmlSafeText(std::string_view utf8);
std::string HexText(std::string_view bytes);

}  // namespace sky
