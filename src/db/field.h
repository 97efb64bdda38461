// A column of an open result, read at its query's current row: NULL reads
// as 0, empty text or the zero date-time; a value that does not read as the
// type asked for raises TDbValueError.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/datetime.h"

namespace sky {

class TQuery;

// Kinds of result columns, as the data packet export writes them.
enum class TFieldType { kInteger, kFloat, kDecimal, kDate, kTime, kDateTime, kText, kBlob, kOther };

// A column of the open result, read at the query's current row.
class TField {
 public:
  TField(const TQuery& query, int index) : query_(&query), index_(index) {}
  const std::string& Name() const;
  TFieldType Type() const;
  bool IsNull() const;
  // Conversions raise TDbValueError for a value that does not read as the type.
  int64_t AsInteger() const;   // NULL -> 0; not a number or out of range raises
  double AsFloat() const;      // NULL -> 0
  std::string AsString() const;// NULL -> ""; the value's text as the server sent it
  TDateTime AsDateTime() const;// NULL -> 0
  // The value's text as the server sent it, without a copy (empty for
  // NULL); valid until the query is closed or opened again.
  std::string_view Text() const;

 private:
  const TQuery* query_;
  int index_;
};

}  // namespace sky
