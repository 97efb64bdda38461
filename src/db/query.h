// A statement object of a session (TQuery):
//  - SetText replaces the whole text and rebuilds the parameter list: every
//    ":name" outside quoted literals is a parameter (names compare without
//    case; "::" is one literal colon). Values are written into the text as
//    literals when the statement is sent: unassigned -> NULL, integers as
//    decimal digits, booleans 'Y' / 'N', texts quoted with ' and the bytes
//    NUL, TAB, LF, CR, ", ' and \ escaped with a backslash. A server running
//    with NO_BACKSLASH_ESCAPES would read those escapes as plain text, so for
//    it the only escape is a doubled '. A request value never becomes SQL text.
//  - Open sends the statement and fetches the whole result, then stands on
//    the first row; other statement objects of the same session can be opened
//    while this one stays positioned. Close is a no-op when closed.
//  - Fields are looked up by name without case; NULL reads as 0, empty text
//    or the zero date-time. A missing field or parameter raises TDbError.
//  - SetWindow narrows the open result to a run of its rows (a batch fetched
//    for many pilots is walked one pilot at a time); Eof, First and IsEmpty
//    then refer to the window. Open and Close reset it.
//  - ExecSQL sends a statement that returns no rows; RowsAffected gives the
//    server's count for it.
//  - Every failure raises TDbError carrying the server's or the client
//    library's message; nothing here writes to the log.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/db_error.h"
#include "db/field.h"
#include "db/param.h"

namespace sky {

class TdmMySQL;

class TQuery {
 public:
  explicit TQuery(TdmMySQL& session, std::string text = {});
  TQuery(const TQuery&) = delete;
  TQuery& operator=(const TQuery&) = delete;

  void SetText(std::string text);
  const std::string& Text() const { return text_; }

  TParam& ParamByName(std::string_view name);          // raises when missing
  TParam* FindParam(std::string_view name);            // nullptr when missing
  int ParamCount() const { return static_cast<int>(params_.size()); }
  const TParam& Param(int index) const { return params_.at(index); }

  // The text as it is sent: every parameter reference replaced by its literal.
  std::string BoundText() const;

  void Open();
  // Opens on rows held in memory instead of a statement: nothing is sent, so
  // the session need not be connected. `columns` name the result's columns
  // (all of kind Text); each row holds one value per column, nullopt for
  // NULL. Afterwards the query is as after Open: it stands on the first row,
  // fields read and convert the texts as they do the server's, windows and
  // iteration work the same, Close drops the rows. A row whose size differs
  // from the number of columns raises TDbError and leaves the query closed.
  using TRowTexts = std::vector<std::optional<std::string>>;
  void OpenRows(std::vector<std::string> columns, std::vector<TRowTexts> rows);
  bool Active() const { return active_; }
  void Close();
  bool Eof() const;
  void Next();
  void First();
  bool IsEmpty() const;

  // Rows of the whole result, whatever the window.
  std::size_t RowCount() const { return rows_.size(); }
  // Index of the current row in the whole result.
  std::size_t RowIndex() const { return position_; }
  // Makes rows [begin, end) of the result (clamped to it) the visible ones
  // and stands on `begin`.
  void SetWindow(std::size_t begin, std::size_t end);

  int FieldCount() const;
  TField Field(int index) const;
  TField FieldByName(std::string_view name) const;     // raises when missing

  void ExecSQL();
  // Closes the query, takes `text` (without parameters) as its statement and
  // runs it.
  void ExecSQL(std::string text);
  uint64_t RowsAffected() const { return rows_affected_; }

 private:
  friend class TField;
  struct TColumn {
    std::string name;
    TFieldType type = TFieldType::kOther;
  };
  using TRow = std::vector<std::optional<std::string>>;

  struct TReference {            // one ":name" in text_
    std::size_t offset = 0;
    std::size_t length = 0;     // including the colon
    std::size_t param = 0;      // index into params_
  };

  const std::optional<std::string>& Value(int column) const;
  void NoteColumnNames();  // after the columns are set

  TdmMySQL& session_;
  std::string text_;
  std::vector<TParam> params_;
  std::vector<TReference> references_;
  std::vector<std::size_t> literal_colons_;  // offsets of "::" pairs
  bool active_ = false;
  std::vector<TColumn> columns_;
  bool unique_names_ = false;            // no two columns share an exact name
  mutable std::size_t next_lookup_ = 0;  // where FieldByName starts looking
  std::vector<TRow> rows_;
  std::size_t position_ = 0;
  std::size_t window_begin_ = 0;
  std::size_t window_end_ = 0;
  uint64_t rows_affected_ = 0;
};

}  // namespace sky
