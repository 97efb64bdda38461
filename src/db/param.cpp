// Parameter values and the literals they become in a statement's text.
#include "db/param.h"

#include <string>

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
      out.reserve(text_.size() + 2);
      out.push_back('\'');
      if (!backslash_escapes) {
        // The server reads every byte between the quotes as it stands, so a
        // backslash cannot escape anything and would end up in the value.
        for (char c : text_) {
          if (c == '\'') out.push_back('\'');
          out.push_back(c);
        }
        out.push_back('\'');
        return out;
      }
      for (char c : text_) {
        switch (c) {
          case '\0': out += "\\0"; break;
          case '\t': out += "\\t"; break;
          case '\n': out += "\\n"; break;
          case '\r': out += "\\r"; break;
          case '"': out += "\\\""; break;
          case '\'': out += "\\'"; break;
          case '\\': out += "\\\\"; break;
          default: out.push_back(c);
        }
      }
      out.push_back('\'');
      return out;
    }
    case TKind::kUnassigned:
    case TKind::kNull:
      break;
  }
  return "NULL";
}

}  // namespace sky
