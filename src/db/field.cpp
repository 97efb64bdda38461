// Values of the current row, converted the way the readers expect: NULL is 0,
// empty text or the zero date-time.
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "db/field.h"
#include "db/query.h"

namespace sky {

const std::string& TField::Name() const { return query_->columns_[index_].name; }
TFieldType TField::Type() const { return query_->columns_[index_].type; }
bool TField::IsNull() const { return !query_->Value(index_).has_value(); }

std::string TField::AsString() const {
  const auto& value = query_->Value(index_);
  return value ? *value : std::string();
}

std::string_view TField::Text() const {
  const auto& value = query_->Value(index_);
  return value ? std::string_view(*value) : std::string_view();
}

int64_t TField::AsInteger() const {
  const auto& value = query_->Value(index_);
  if (!value || value->empty()) return 0;
  const char* begin = value->c_str();
  char* end = nullptr;
  errno = 0;
  const long long integer = std::strtoll(begin, &end, 10);
  if (*end == '\0' && errno == 0) return integer;
  const double number = std::strtod(begin, &end);
  // 2^63 is exact as a double; anything at or beyond it has no int64_t.
  constexpr double kLimit = 9223372036854775808.0;
  if (*end != '\0' || !std::isfinite(number) || number >= kLimit || number < -kLimit) {
    throw TDbValueError("'" + *value + "' is not a valid integer value for field '" + Name() + "'");
  }
  return static_cast<int64_t>(std::trunc(number));
}

double TField::AsFloat() const {
  const auto& value = query_->Value(index_);
  if (!value || value->empty()) return 0;
  char* end = nullptr;
  const double number = std::strtod(value->c_str(), &end);
  if (*end != '\0') {
    throw TDbValueError("'" + *value + "' is not a valid floating point value for field '" + Name() + "'");
  }
  return number;
}

TDateTime TField::AsDateTime() const {
  const auto& value = query_->Value(index_);
  if (!value) return 0;
  try {
    return ParseSqlDateTime(*value);
  } catch (const std::invalid_argument&) {
    throw TDbValueError("'" + *value + "' is not a valid date and time for field '" + Name() + "'");
  }
}

}  // namespace sky
