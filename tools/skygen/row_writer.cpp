#include "row_writer.h"

#include <charconv>

#include "base/sql_literal.h"

namespace sky::skygen {
namespace {

void AppendInt(std::string& out, int64_t value) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
}

}  // namespace

void TabSeparatedWriter::Separate() {
  if (!first_) out_ += '\t';
  first_ = false;
}

void TabSeparatedWriter::Int(int64_t value) {
  Separate();
  AppendInt(out_, value);
}

void TabSeparatedWriter::Text(std::string_view value) {
  Separate();
  for (char c : value) {
    switch (c) {
      case '\\': out_ += "\\\\"; break;
      case '\t': out_ += "\\t"; break;
      case '\n': out_ += "\\n"; break;
      case '\r': out_ += "\\r"; break;
      case '\0': out_ += "\\0"; break;
      default: out_ += c;
    }
  }
}

void TabSeparatedWriter::Null() {
  Separate();
  out_ += "\\N";
}

void ValuesWriter::Begin() {
  if (rows_ > 0) out_ += ',';
  out_ += '(';
  first_ = true;
}

void ValuesWriter::Separate() {
  if (!first_) out_ += ',';
  first_ = false;
}

void ValuesWriter::Int(int64_t value) {
  Separate();
  AppendInt(out_, value);
}

void ValuesWriter::Text(std::string_view value) {
  Separate();
  AppendSqlText(out_, value, TBackslashes::kEscape);
}

void ValuesWriter::Null() {
  Separate();
  out_ += "NULL";
}

void ValuesWriter::End() {
  out_ += ')';
  ++rows_;
}

}  // namespace sky::skygen
