// One client connection to the statistics server, owned for its lifetime.
//
// Contract: the constructor connects (raising DatabaseError on failure) with
// the utf8mb4 character set and LOCAL INFILE allowed on the client side; the
// destructor closes. Exec runs one statement and discards any result;
// failures raise DatabaseError carrying the server's or client's error
// number and text. Not shareable between threads.
#pragma once

#include <mysql.h>

#include <cstdint>
#include <stdexcept>
#include <string>

namespace sky::skygen {

struct ConnectOptions {
  std::string host;      // empty: the client library's default (local socket)
  unsigned port = 0;     // 0: the default port
  std::string user;
  std::string password;
  std::string socket;    // empty: the default socket
};

class DatabaseError : public std::runtime_error {
 public:
  DatabaseError(unsigned code, const std::string& what) : std::runtime_error(what), code_(code) {}
  unsigned Code() const { return code_; }

 private:
  unsigned code_;
};

class Connection {
 public:
  explicit Connection(const ConnectOptions& options);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  void Exec(const std::string& sql);
  // The first column of the first row of a query's result; empty for NULL or no rows.
  std::string Value(const std::string& sql);
  // Rows changed by the last statement and the warnings it left.
  uint64_t AffectedRows();
  unsigned WarningCount();
  // The first warning of the last statement, for error messages.
  std::string FirstWarning();

  MYSQL* Handle() { return mysql_; }
  [[noreturn]] void Fail(const std::string& context);

 private:
  MYSQL* mysql_;
};

// `name` quoted as an identifier; rejects names that could not be quoted safely.
std::string QuoteIdentifier(const std::string& name);

}  // namespace sky::skygen
