// The database session: one connection to one statistics database and its
// named statement objects, owned by one operation on one thread.
//
// Contract of a statement object (TQuery):
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
//    library's message; nothing here writes to the log except ConnectDatabase.
//
// Texts are UTF-8 inside the program; the connection's character set is the
// entry's Charset (utf8mb4 by default).
#pragma once

#include <compare>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "base/datetime.h"
#include "settings/settings.h"

struct st_mysql;

namespace sky {

class TDbError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A stored value that does not read as the type asked for: a fault of one
// row's data, not of the session or the statement.
class TDbValueError : public TDbError {
 public:
  using TDbError::TDbError;
};

class TdmMySQL;

// The server and database a session is connected to (the host as the
// connection names it: an empty one is localhost).
struct TDatabaseAddress {
  std::string Host;
  uint16_t Port = 0;
  std::string Db;
  auto operator<=>(const TDatabaseAddress&) const = default;
};

// Kinds of result columns, as the data packet export writes them.
enum class TFieldType { kInteger, kFloat, kDecimal, kDate, kTime, kDateTime, kText, kBlob, kOther };

// One named parameter of a statement.
class TParam {
 public:
  explicit TParam(std::string name) : name_(std::move(name)) {}
  const std::string& Name() const { return name_; }
  void SetInteger(int64_t value);
  void SetBoolean(bool value);
  void SetText(std::string value);
  void SetNull();
  // The literal written into the statement text for the current value;
  // `backslash_escapes` false when the server takes backslashes literally.
  std::string Literal(bool backslash_escapes = true) const;

 private:
  enum class TKind { kUnassigned, kNull, kInteger, kBoolean, kText };
  std::string name_;
  TKind kind_ = TKind::kUnassigned;
  int64_t integer_ = 0;
  std::string text_;
};

class TQuery;

// A column of the open result, read at the query's current row.
class TField {
 public:
  TField(const TQuery& query, int index) : query_(&query), index_(index) {}
  const std::string& Name() const;
  TFieldType Type() const;
  bool IsNull() const;
  // Conversions raise TDbValueError for a value that does not read as the type.
  int64_t AsInteger() const;   // NULL -> 0; not a number or out of range raises
  double AsFloat() const;      // NULL -> 0
  std::string AsString() const;// NULL -> ""; the value's text as the server sent it
  TDateTime AsDateTime() const;// NULL -> 0
  // The value's text as the server sent it, without a copy (empty for
  // NULL); valid until the query is closed or opened again.
  std::string_view Text() const;

 private:
  const TQuery* query_;
  int index_;
};

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

// The data module: one connection and its statement objects.
class TdmMySQL {
 public:
  TdmMySQL();
  ~TdmMySQL();  // closes every statement object and the connection
  TdmMySQL(const TdmMySQL&) = delete;
  TdmMySQL& operator=(const TdmMySQL&) = delete;

  bool Connected() const { return connection_ != nullptr; }
  // Where the last connection went; empty before the first.
  const TDatabaseAddress& Address() const { return address_; }
  st_mysql* Connection() const { return connection_; }

  // False while the connected server runs with NO_BACKSLASH_ESCAPES (as last
  // reported by it); texts are then quoted without backslash escapes.
  bool BackslashEscapes() const;

  // Sends one statement text; raises TDbError with the server's message.
  // Used by TQuery; every statement of the session passes through here.
  void Send(const std::string& sql);

  // Sends a statement and hands its rows to `row` one at a time as they
  // arrive, without holding the result: for long narrow results read once.
  // Each value is null for NULL. No other statement may be sent from inside
  // `row`. Raises TDbError like Send; an exception from `row` ends the read
  // (the rest of the result is discarded) and propagates.
  using TRowValues = std::vector<std::optional<std::string_view>>;
  void StreamRows(const std::string& sql, const std::function<void(const TRowValues&)>& row);

  // Tests and diagnostics: called with every statement text before it is sent.
  void SetStatementObserver(std::function<void(const std::string&)> observer) {
    observer_ = std::move(observer);
  }

  TQuery SQLQueryPilots;
  TQuery SQLQueryService;
  TQuery SQLQueryCheckPilot;
  TQuery SQLQueryGetPilot;
  TQuery SQLQueryUpdate;
  TQuery mySQLQuery1;

 private:
  friend void OpenDatabase(TdmMySQL& session, const TServerEntry& entry);
  void Disconnect();

  st_mysql* connection_ = nullptr;
  TDatabaseAddress address_;
  std::function<void(const std::string&)> observer_;
};

// Connects to the entry's database (empty host = localhost, the entry's port,
// 30 seconds to connect, 600 seconds for each read or write, no prompt,
// LOAD DATA LOCAL refused). False after the level-0 line
// "ERROR connecting to MySQL:" with the client's message.
bool ConnectDatabase(TdmMySQL& session, const TServerEntry& entry);
// The same, raising TDbError with the client's message instead; never logs.
void OpenDatabase(TdmMySQL& session, const TServerEntry& entry);

// True when `pilots` has the column; never logs.
bool PilotFieldExists(TdmMySQL& session, std::string_view column);

// Sets up the client library for the calling thread for the scope's life
// (the library itself is initialised once per process on first use).
class TDbThreadScope {
 public:
  TDbThreadScope();
  ~TDbThreadScope();
  TDbThreadScope(const TDbThreadScope&) = delete;
  TDbThreadScope& operator=(const TDbThreadScope&) = delete;
};

}  // namespace sky
