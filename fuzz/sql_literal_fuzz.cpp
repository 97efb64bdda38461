// Statement texts and parameter values on arbitrary bytes, without a server.
// A text parameter's literal, read back the way the server reads a quoted
// string, gives exactly the value and ends where the literal ends: no value
// can close the quote and go on as statement text.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "db/param.h"
#include "db/query.h"
#include "db/session.h"
#include "fuzz_check.h"

using namespace sky;

namespace {

// The server's reading of a '...' literal, with backslash escapes (the
// default SQL mode) or without them (NO_BACKSLASH_ESCAPES); nullopt when the
// quote is not closed exactly at the end.
std::optional<std::string> ReadQuotedLiteral(std::string_view literal, bool backslash_escapes) {
  if (literal.size() < 2 || literal.front() != '\'') return std::nullopt;
  std::string value;
  for (std::size_t i = 1; i < literal.size(); ++i) {
    const char c = literal[i];
    if (c == '\\' && backslash_escapes) {
      if (++i >= literal.size()) return std::nullopt;
      switch (literal[i]) {
        case '0': value += '\0'; break;
        case 'n': value += '\n'; break;
        case 'r': value += '\r'; break;
        case 't': value += '\t'; break;
        case 'Z': value += '\x1a'; break;
        case 'b': value += '\b'; break;
        default: value += literal[i]; break;
      }
    } else if (c == '\'') {
      if (i + 1 < literal.size() && literal[i + 1] == '\'') {
        value += '\'';
        ++i;
      } else {
        return i + 1 == literal.size() ? std::optional<std::string>(value) : std::nullopt;
      }
    } else {
      value += c;
    }
  }
  return std::nullopt;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string value(reinterpret_cast<const char*>(data), size);

  TParam param("p");
  param.SetText(value);
  for (bool backslash_escapes : {true, false}) {
    const std::optional<std::string> read_back = ReadQuotedLiteral(param.Literal(backslash_escapes), backslash_escapes);
    FUZZ_CHECK(read_back.has_value());
    FUZZ_CHECK(*read_back == value);
  }

  // The same bytes as a statement text: every parameter it names gets a value.
  TdmMySQL session;
  TQuery query(session, value);
  for (int i = 0; i < query.ParamCount(); ++i) {
    if (TParam* named = query.FindParam(query.Param(i).Name())) named->SetText(value);
  }
  (void)query.BoundText();
  return 0;
}
