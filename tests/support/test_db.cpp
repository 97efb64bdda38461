// The throwaway test server: one fresh database per TestDatabase.
#include "support/test_db.h"

#include <mysql.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <stdexcept>

#include "statsdb_schema.h"

namespace sky::test {
namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

struct ConnectionCloser {
  void operator()(MYSQL* connection) const { mysql_close(connection); }
};
using Connection = std::unique_ptr<MYSQL, ConnectionCloser>;

Connection Connect(const std::string& database) {
  Connection connection(mysql_init(nullptr));
  if (!connection) throw std::runtime_error("mysql_init failed");
  mysql_optionsv(connection.get(), MYSQL_SET_CHARSET_NAME, "utf8mb4");
  const std::string port = Env("SKY_TEST_DB_PORT");
  if (!mysql_real_connect(connection.get(), Env("SKY_TEST_DB_HOST").c_str(),
                          Env("SKY_TEST_DB_USER").c_str(), Env("SKY_TEST_DB_PASS").c_str(),
                          database.empty() ? nullptr : database.c_str(),
                          port.empty() ? 3306 : static_cast<unsigned>(std::stoul(port)), nullptr,
                          CLIENT_MULTI_STATEMENTS)) {
    throw std::runtime_error(std::string("test database: ") + mysql_error(connection.get()));
  }
  return connection;
}

// Runs one statement (or several separated by ';') and drains every result.
void Run(MYSQL* connection, const std::string& sql) {
  if (mysql_real_query(connection, sql.data(), sql.size()) != 0) {
    throw std::runtime_error(std::string(mysql_error(connection)) + " in: " + sql);
  }
  do {
    if (MYSQL_RES* result = mysql_store_result(connection)) mysql_free_result(result);
  } while (mysql_next_result(connection) == 0);
  if (mysql_errno(connection) != 0) {
    throw std::runtime_error(std::string(mysql_error(connection)) + " in: " + sql);
  }
}

std::string UniqueName() {
  static std::atomic<int> counter{0};
  const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  return "skytest_" + std::to_string(getpid()) + "_" + std::to_string(now % 1000000000) + "_" +
         std::to_string(counter++);
}

}  // namespace

bool DatabaseConfigured() { return !Env("SKY_TEST_DB_HOST").empty() && !Env("SKY_TEST_DB_PORT").empty(); }

bool RunningInCi() { return Env("CI") == "true"; }

TestDatabase::TestDatabase(bool with_tables) : name_(UniqueName()) {
  Connection server = Connect("");
  Run(server.get(), "create database " + name_ + " character set utf8mb4");
  if (with_tables) {
    Connection db = Connect(name_);
    Run(db.get(), sky::statsdb::kCreatePilots);
    Run(db.get(), sky::statsdb::kCreateSorties);
    Run(db.get(), sky::statsdb::kCreateSortiesIndex);
  }
}

TestDatabase::~TestDatabase() {
  try {
    Connection server = Connect("");
    Run(server.get(), "drop database if exists " + name_);
  } catch (const std::exception&) {
    // The server may already be gone at the end of a failing run.
  }
}

TServerEntry TestDatabase::Entry() const {
  TServerEntry entry;
  entry.Host = Env("SKY_TEST_DB_HOST");
  entry.User = Env("SKY_TEST_DB_USER");
  entry.Pass = Env("SKY_TEST_DB_PASS");
  entry.Db = name_;
  entry.Active = true;
  entry.Id = "1";
  const std::string port = Env("SKY_TEST_DB_PORT");
  if (!port.empty()) entry.Port = static_cast<uint16_t>(std::stoul(port));
  return entry;
}

TServerEntry TestDatabase::EntryWithPassword(const std::string& password) const {
  TServerEntry entry = Entry();
  entry.Pass = password;
  return entry;
}

void TestDatabase::Exec(const std::string& sql) const {
  Connection db = Connect(name_);
  Run(db.get(), sql);
}

std::vector<std::string> TestDatabase::Column(const std::string& sql) const {
  Connection db = Connect(name_);
  if (mysql_real_query(db.get(), sql.data(), sql.size()) != 0) {
    throw std::runtime_error(std::string(mysql_error(db.get())) + " in: " + sql);
  }
  std::unique_ptr<MYSQL_RES, decltype(&mysql_free_result)> result(mysql_store_result(db.get()),
                                                                  &mysql_free_result);
  std::vector<std::string> values;
  if (!result) return values;
  while (MYSQL_ROW row = mysql_fetch_row(result.get())) {
    const unsigned long* lengths = mysql_fetch_lengths(result.get());
    values.push_back(row[0] ? std::string(row[0], lengths[0]) : "NULL");
  }
  return values;
}

std::string TestDatabase::Value(const std::string& sql) const {
  const auto values = Column(sql);
  if (values.size() != 1) {
    throw std::runtime_error("expected one row, got " + std::to_string(values.size()) + " in: " + sql);
  }
  return values.front();
}

void TestDatabase::AddRankColumns() const { Exec(sky::statsdb::kAddRankColumns); }

}  // namespace sky::test
