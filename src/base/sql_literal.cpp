#include "base/sql_literal.h"

namespace sky {

void AppendSqlText(std::string& out, std::string_view text, TBackslashes backslashes) {
  out.reserve(out.size() + text.size() + 2);
  out.push_back('\'');
  for (char c : text) {
    if (backslashes == TBackslashes::kLiteral) {
      if (c == '\'') out.push_back('\'');
      out.push_back(c);
      continue;
    }
    switch (c) {
      case '\0': out += "\\0"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\x1a': out += "\\Z"; break;
      case '"': out += "\\\""; break;
      case '\'': out += "\\'"; break;
      case '\\': out += "\\\\"; break;
      default: out.push_back(c);
    }
  }
  out.push_back('\'');
}

}  // namespace sky
