// Statement objects: named parameters, whole-result fetch, forward iteration.
#include <mysql.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>

#include "base/text.h"
#include "db/query.h"
#include "db/session.h"

namespace sky {
namespace {

// A parameter name runs over letters, digits, underscores and any non-ASCII
// byte; everything else (blank, comma, parenthesis, operator) ends it.
bool IsNameByte(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 0x80 || std::isalnum(u) || c == '_';
}

TFieldType TypeOf(const MYSQL_FIELD& field) {
  switch (field.type) {
    case MYSQL_TYPE_TINY:
    case MYSQL_TYPE_SHORT:
    case MYSQL_TYPE_LONG:
    case MYSQL_TYPE_LONGLONG:
    case MYSQL_TYPE_INT24:
    case MYSQL_TYPE_YEAR:
      return TFieldType::kInteger;
    case MYSQL_TYPE_FLOAT:
    case MYSQL_TYPE_DOUBLE:
      return TFieldType::kFloat;
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL:
      return TFieldType::kDecimal;
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE:
      return TFieldType::kDate;
    case MYSQL_TYPE_TIME:
      return TFieldType::kTime;
    case MYSQL_TYPE_DATETIME:
    case MYSQL_TYPE_TIMESTAMP:
      return TFieldType::kDateTime;
    case MYSQL_TYPE_VARCHAR:
    case MYSQL_TYPE_VAR_STRING:
    case MYSQL_TYPE_STRING:
    case MYSQL_TYPE_TINY_BLOB:
    case MYSQL_TYPE_MEDIUM_BLOB:
    case MYSQL_TYPE_LONG_BLOB:
    case MYSQL_TYPE_BLOB:
      return field.charsetnr == 63 ? TFieldType::kBlob : TFieldType::kText;
    default:
      return TFieldType::kOther;
  }
}

struct TResultFreer {
  void operator()(MYSQL_RES* result) const { mysql_free_result(result); }
};
using TResultPtr = std::unique_ptr<MYSQL_RES, TResultFreer>;

}  // namespace

TQuery::TQuery(TdmMySQL& session, std::string text) : session_(session) {
  SetText(std::move(text));
}

void TQuery::SetText(std::string text) {
  text_ = std::move(text);
  params_.clear();
  references_.clear();
  literal_colons_.clear();

  char quote = 0;
  for (std::size_t i = 0; i < text_.size(); ++i) {
    const char c = text_[i];
    if (quote) {
      if (c == '\\' && quote != '`') {
        ++i;  // the escaped byte cannot close the literal
      } else if (c == quote) {
        quote = 0;
      }
      continue;
    }
    if (c == '\'' || c == '"' || c == '`') {
      quote = c;
      continue;
    }
    if (c != ':') continue;
    if (i + 1 < text_.size() && text_[i + 1] == ':') {
      literal_colons_.push_back(i);
      ++i;
      continue;
    }
    std::size_t end = i + 1;
    while (end < text_.size() && IsNameByte(text_[end])) ++end;
    if (end == i + 1) continue;  // a lone colon stays as it is
    const std::string name = text_.substr(i + 1, end - i - 1);
    std::size_t index = params_.size();
    for (std::size_t p = 0; p < params_.size(); ++p) {
      if (EqualsIgnoreCase(params_[p].Name(), name)) {
        index = p;
        break;
      }
    }
    if (index == params_.size()) params_.emplace_back(name);
    references_.push_back(TReference{i, end - i, index});
    i = end - 1;
  }
}

TParam* TQuery::FindParam(std::string_view name) {
  for (auto& param : params_) {
    if (EqualsIgnoreCase(param.Name(), name)) return &param;
  }
  return nullptr;
}

TParam& TQuery::ParamByName(std::string_view name) {
  if (TParam* param = FindParam(name)) return *param;
  throw TDbError("Parameter '" + std::string(name) + "' not found");
}

std::string TQuery::BoundText() const {
  std::string out;
  out.reserve(text_.size() + 16 * references_.size());
  std::size_t pos = 0;
  std::size_t ref = 0;
  std::size_t colon = 0;
  const bool backslash_escapes = session_.BackslashEscapes();
  while (pos < text_.size()) {
    const std::size_t next_ref = ref < references_.size() ? references_[ref].offset : text_.size();
    const std::size_t next_colon =
        colon < literal_colons_.size() ? literal_colons_[colon] : text_.size();
    const std::size_t next = std::min(next_ref, next_colon);
    out.append(text_, pos, next - pos);
    if (next == text_.size()) break;
    if (next == next_ref) {
      out += params_[references_[ref].param].Literal(backslash_escapes);
      pos = next + references_[ref].length;
      ++ref;
    } else {
      out.push_back(':');
      pos = next + 2;
      ++colon;
    }
  }
  return out;
}

void TQuery::Open() {
  Close();
  session_.Send(BoundText());
  MYSQL* connection = session_.Connection();
  TResultPtr result(mysql_store_result(connection));
  if (!result) {
    if (mysql_field_count(connection) != 0) throw TDbError(mysql_error(connection));
    rows_affected_ = mysql_affected_rows(connection);
    active_ = true;  // a statement without a result set opens empty
    return;
  }
  const unsigned count = mysql_num_fields(result.get());
  const MYSQL_FIELD* fields = mysql_fetch_fields(result.get());
  columns_.reserve(count);
  for (unsigned i = 0; i < count; ++i) {
    columns_.push_back(TColumn{std::string(fields[i].name, fields[i].name_length), TypeOf(fields[i])});
  }
  NoteColumnNames();
  rows_.reserve(mysql_num_rows(result.get()));
  while (MYSQL_ROW row = mysql_fetch_row(result.get())) {
    const unsigned long* lengths = mysql_fetch_lengths(result.get());
    TRow values(count);
    for (unsigned i = 0; i < count; ++i) {
      if (row[i]) values[i].emplace(row[i], lengths[i]);
    }
    rows_.push_back(std::move(values));
  }
  if (mysql_errno(connection) != 0) {
    Close();
    throw TDbError(mysql_error(connection));
  }
  position_ = 0;
  window_begin_ = 0;
  window_end_ = rows_.size();
  active_ = true;
}

void TQuery::OpenRows(std::vector<std::string> columns, std::vector<TRowTexts> rows) {
  Close();
  for (const TRowTexts& row : rows) {
    if (row.size() != columns.size()) {
      throw TDbError("Row of " + std::to_string(row.size()) + " values for " +
                     std::to_string(columns.size()) + " columns");
    }
  }
  columns_.reserve(columns.size());
  for (std::string& name : columns) columns_.push_back(TColumn{std::move(name), TFieldType::kText});
  NoteColumnNames();
  rows_ = std::move(rows);
  rows_affected_ = 0;
  position_ = 0;
  window_begin_ = 0;
  window_end_ = rows_.size();
  active_ = true;
}

void TQuery::NoteColumnNames() {
  next_lookup_ = 0;
  unique_names_ = true;
  for (std::size_t i = 0; i < columns_.size() && unique_names_; ++i) {
    for (std::size_t j = i + 1; j < columns_.size(); ++j) {
      if (columns_[i].name == columns_[j].name) {
        unique_names_ = false;
        break;
      }
    }
  }
}

void TQuery::Close() {
  active_ = false;
  unique_names_ = false;
  columns_.clear();
  rows_.clear();
  rows_.shrink_to_fit();
  position_ = 0;
  window_begin_ = 0;
  window_end_ = 0;
}

bool TQuery::Eof() const { return !active_ || position_ >= window_end_; }
void TQuery::Next() {
  if (position_ < window_end_) ++position_;
}
void TQuery::First() { position_ = window_begin_; }
bool TQuery::IsEmpty() const { return window_begin_ >= window_end_; }

void TQuery::SetWindow(std::size_t begin, std::size_t end) {
  window_end_ = std::min(end, rows_.size());
  window_begin_ = std::min(begin, window_end_);
  position_ = window_begin_;
}

int TQuery::FieldCount() const { return static_cast<int>(columns_.size()); }

TField TQuery::Field(int index) const {
  if (index < 0 || index >= FieldCount()) throw TDbError("Field index out of range");
  return TField(*this, index);
}

TField TQuery::FieldByName(std::string_view name) const {
  // Readers nearly always spell a column as the table does; the exact pass
  // keeps the per-row lookups of a long walk cheap. They also read a row's
  // columns mostly in the result's order, so with names that are unique the
  // search starts after the column found last, and usually ends at once.
  const std::size_t count = columns_.size();
  if (unique_names_ && count > 0) {
    for (std::size_t step = 0, i = next_lookup_ % count; step < count; ++step, i = (i + 1) % count) {
      if (columns_[i].name == name) {
        next_lookup_ = i + 1;
        return TField(*this, static_cast<int>(i));
      }
    }
  } else {
    for (std::size_t i = 0; i < count; ++i) {
      if (columns_[i].name == name) return TField(*this, static_cast<int>(i));
    }
  }
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (EqualsIgnoreCase(columns_[i].name, name)) return TField(*this, static_cast<int>(i));
  }
  throw TDbError("Field '" + std::string(name) + "' not found");
}

const std::optional<std::string>& TQuery::Value(int column) const {
  if (!active_ || position_ >= window_end_) throw TDbError("No current record");
  return rows_[position_][column];
}

void TQuery::ExecSQL(std::string text) {
  Close();
  SetText(std::move(text));
  ExecSQL();
}

void TQuery::ExecSQL() {
  Close();
  session_.Send(BoundText());
  MYSQL* connection = session_.Connection();
  TResultPtr result(mysql_store_result(connection));
  if (!result && mysql_field_count(connection) != 0) throw TDbError(mysql_error(connection));
  rows_affected_ = result ? mysql_num_rows(result.get()) : mysql_affected_rows(connection);
}

}  // namespace sky
