// Parameter values and the literals they become in a statement's text.
#include "db/param.h"

#include <string>

#include "base/sql_literal.h"

namespace sky {

void TParam::SetInteger(int64_t value) {
  kind_ = TKind::kInteger;
  integer_ = value;
  text_.clear();
}

void TParam::SetBoolean(bool value) {
  kind_ = TKind::kBoolean;
  integer_ = value ? 1 : 0;
  text_.clear();
}

void TParam::SetText(std::string value) {
  kind_ = TKind::kText;
  text_ = std::move(value);
}

void TParam::SetNull() {
  kind_ = TKind::kNull;
  text_.clear();
}

std::string TParam::Literal(bool backslash_escapes) const {
  switch (kind_) {
    case TKind::kInteger:
      return std::to_string(integer_);
    case TKind::kBoolean:
      return integer_ ? "'Y'" : "'N'";
    case TKind::kText: {
      std::string out;
      AppendSqlText(out, text_, backslash_escapes ? TBackslashes::kEscape : TBackslashes::kLiteral);
      return out;
    }
    case TKind::kUnassigned:
    case TKind::kNull:
      break;
  }
  return "NULL";
}

}  // namespace sky
