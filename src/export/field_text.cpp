// Implements part of export/dataset_xml.h (FieldValueText).
// The text a data packet gives each column value, by the column's type.
#include "db/session.h"
#include "export/dataset_xml.h"
#include "export/value_text.h"
#include "xml/encoding.h"

namespace sky {

std::string FieldValueText(const TField& field) {
  switch (field.Type()) {
    case TFieldType::Float:
      return FormatShortestFloat(field.AsFloat());
    case TFieldType::Date:
      return FormatSqlDate(field.AsString());
    case TFieldType::Time:
      return FormatSqlTime(field.AsString());
    case TFieldType::DateTime:
      return FormatSqlDateTime(field.AsString());
    case TFieldType::Blob: {
      // Binary data that is no text would not survive the trip through
      // Windows-1251 XML; it is written as hexadecimal digits instead.
      std::string bytes = field.AsString();
      return IsValidUtf8(bytes) ? bytes : HexText(bytes);
    }
    case TFieldType::Integer:  // the server sends the decimal digits
    case TFieldType::Decimal:  // written as sent, never through a double
    case TFieldType::Text:
    case TFieldType::Other:
      break;
  }
  return field.AsString();
}

}  // namespace sky
