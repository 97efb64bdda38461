// The database session: one connection to one statistics database and its
// named statement objects (db/query.h), owned by one operation on one thread.
// Every failure raises TDbError (db/db_error.h); nothing here writes to the
// log except ConnectDatabase.
//
// Texts are UTF-8 inside the program; the connection's character set is the
// entry's Charset (utf8mb4 by default).
#pragma once

#include <compare>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/datetime.h"
#include "db/query.h"
#include "settings/settings.h"

struct st_mysql;

namespace sky {

// The server and database a session is connected to (the host as the
// connection names it: an empty one is localhost).
struct TDatabaseAddress {
  std::string Host;
  uint16_t Port = 0;
  std::string Db;
  auto operator<=>(const TDatabaseAddress&) const = default;
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
