// The text a data packet gives each column value, by the column's type.
#include "base/encoding.h"
#include "db/field.h"
#include "db/session.h"
#include "export/field_text.h"
#include "export/value_text.h"

namespace sky {

std::string FieldValueText(const TField& field) {
  switch (field.Type()) {
    case TFieldType::kFloat:
      return FormatShortestFloat(field.AsFloat());
    case TFieldType::kDate:
      return FormatSqlDate(field.AsString());
    case TFieldType::kTime:
      return FormatSqlTime(field.AsString());
    case TFieldType::kDateTime:
      return FormatSqlDateTime(field.AsString());
    case TFieldType::kBlob: {
      // Binary data that is no text would not survive the trip through
      // Windows-1251 XML; it is written as hexadecimal digits instead.
      std::string bytes = field.AsString();
      return IsValidUtf8(bytes) ? bytes : HexText(bytes);
    }
    case TFieldType::kInteger:  // the server sends the decimal digits
    case TFieldType::kDecimal:  // written as sent, never through a double
    case TFieldType::kText:
    case TFieldType::kOther:
      break;
  }
  return field.AsString();
}

}  // namespace sky
