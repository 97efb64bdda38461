// Any statement's result as JSON, written straight from the query's rows:
//   {"rows":[{"col":value,...},...]}
// One object per result row in the statement's order, and in each one key
// per column name in column order: every column appears in every row, null
// where the value is NULL. A column name that occurs twice gives one key at
// the place of the first, with the last non-NULL value (null when all are
// NULL), as the XML packet does. Names are taken as they are (JSON can hold
// any), bytes that are not valid UTF-8 becoming '?'.
//
// Values by column type:
//   integer, decimal   a number, digit for digit as the server sends it
//   floating point     a number, the packet's shortest form ("1E20")
//   date               "yyyy-mm-dd"
//   date and time      "yyyy-mm-ddThh:mm:ss" (also at midnight)
//   time               "hh:mm:ss"
//   text and others    a string
//   binary             a string: the bytes when they are UTF-8 text, else
//                      upper-case hexadecimal digits
// Fractions of a second are dropped, as in the packet.
#pragma once

#include <string>

#include "db/query.h"
#include "db/session.h"

namespace sky {

// Appends the JSON of the query's rows, walked from its first row, to `out`.
// On an exception `out` holds a partial text.
void WriteJsonPacket(TQuery& query, std::string& out);

}  // namespace sky
