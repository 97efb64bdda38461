#include "connection.h"

#include <memory>

namespace sky::skygen {
namespace {

const char* OrNull(const std::string& text) { return text.empty() ? nullptr : text.c_str(); }

struct TResultFreer {
  void operator()(MYSQL_RES* result) const { mysql_free_result(result); }
};
using TResult = std::unique_ptr<MYSQL_RES, TResultFreer>;

}  // namespace

Connection::Connection(const ConnectOptions& options) : mysql_(mysql_init(nullptr)) {
  if (mysql_ == nullptr) throw DatabaseError(0, "out of memory for a client connection");
  const unsigned allow_local_infile = 1;
  mysql_optionsv(mysql_, MYSQL_SET_CHARSET_NAME, "utf8mb4");
  mysql_optionsv(mysql_, MYSQL_OPT_LOCAL_INFILE, &allow_local_infile);
  if (mysql_real_connect(mysql_, OrNull(options.host), options.user.c_str(),
                         options.password.c_str(), nullptr, options.port,
                         OrNull(options.socket), 0) == nullptr) {
    const DatabaseError error(mysql_errno(mysql_),
                              std::string("cannot connect: ") + mysql_error(mysql_));
    mysql_close(mysql_);
    throw error;
  }
}

Connection::~Connection() { mysql_close(mysql_); }

void Connection::Fail(const std::string& context) {
  throw DatabaseError(mysql_errno(mysql_), context + ": " + mysql_error(mysql_));
}

void Connection::Exec(const std::string& sql) {
  if (mysql_real_query(mysql_, sql.data(), sql.size()) != 0) Fail(sql.substr(0, 120));
  // Statements that return rows must have them read before the next one.
  TResult result(mysql_store_result(mysql_));
  if (!result && mysql_field_count(mysql_) != 0) Fail(sql.substr(0, 120));
}

std::string Connection::Value(const std::string& sql) {
  if (mysql_real_query(mysql_, sql.data(), sql.size()) != 0) Fail(sql.substr(0, 120));
  TResult result(mysql_store_result(mysql_));
  if (!result) Fail(sql.substr(0, 120));
  MYSQL_ROW row = mysql_fetch_row(result.get());
  if (row == nullptr || row[0] == nullptr) return std::string();
  return std::string(row[0], mysql_fetch_lengths(result.get())[0]);
}

uint64_t Connection::AffectedRows() { return mysql_affected_rows(mysql_); }

unsigned Connection::WarningCount() { return mysql_warning_count(mysql_); }

std::string Connection::FirstWarning() {
  const char kShow[] = "show warnings limit 1";
  if (mysql_real_query(mysql_, kShow, sizeof kShow - 1) != 0) return mysql_error(mysql_);
  TResult result(mysql_store_result(mysql_));
  if (!result) return std::string();
  MYSQL_ROW row = mysql_fetch_row(result.get());
  if (row == nullptr || mysql_num_fields(result.get()) < 3 || row[2] == nullptr) return std::string();
  return row[2];
}

std::string QuoteIdentifier(const std::string& name) {
  if (name.empty() || name.size() > 64) {
    throw std::invalid_argument("a database name has 1 to 64 characters");
  }
  for (char c : name) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '_' || c == '$' || c == '-';
    if (!plain) {
      throw std::invalid_argument("database name '" + name +
                                  "' may hold only letters, digits, '_', '$' and '-'");
    }
  }
  return "`" + name + "`";
}

}  // namespace sky::skygen
