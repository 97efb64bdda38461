// Parameter values and the literals they become in a statement's text.
#include "db/session.h"

#include <string>

namespace sky {

void TParam::SetInteger(int64_t value) {
  kind_ = Kind::Integer;
  integer_ = value;
  text_.clear();
}

void TParam::SetText(std::string value) {
  kind_ = Kind::Text;
  text_ = std::move(value);
}

void TParam::SetNull() {
  kind_ = Kind::Null;
  text_.clear();
}

std::string TParam::Literal() const {
  switch (kind_) {
    case Kind::Integer:
      return std::to_string(integer_);
    case Kind::Text: {
      std::string out;
      out.reserve(text_.size() + 2);
      out.push_back('\'');
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
    case Kind::Unassigned:
    case Kind::Null:
      break;
  }
  return "NULL";
}

}  // namespace sky
