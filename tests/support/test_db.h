// The throwaway MariaDB that scripts/test starts, as tests use it.
//
// The server's address comes from SKY_TEST_DB_HOST, SKY_TEST_DB_PORT,
// SKY_TEST_DB_USER, SKY_TEST_DB_PASS (set by scripts/test and by
// `eval "$(scripts/db-start)"`). Without them a test that needs the database
// is skipped, except with CI=true, where it fails.
//
// TestDatabase creates a fresh, uniquely named database on construction and
// drops it on destruction, so tests never see each other's data.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "settings/settings.h"

namespace sky::test {

// True when the environment names a server. Use through SKY_REQUIRE_DB().
bool DatabaseConfigured();

// Skips (or, with CI=true, fails) the current test when no server is configured.
#define SKY_REQUIRE_DB()                                                        \
  do {                                                                          \
    if (!::sky::test::DatabaseConfigured()) {                                   \
      if (::sky::test::RunningInCi()) FAIL() << "CI=true but no test database"; \
      GTEST_SKIP() << "no test database (run scripts/test)";                    \
    }                                                                           \
  } while (0)
bool RunningInCi();

class TestDatabase {
 public:
  // Creates the database; with `with_tables` also the statistics program's
  // `pilots` and `sorties` tables (without the service's extra columns).
  explicit TestDatabase(bool with_tables = true);
  ~TestDatabase();
  TestDatabase(const TestDatabase&) = delete;
  TestDatabase& operator=(const TestDatabase&) = delete;

  const std::string& Name() const { return name_; }
  // An entry for ConnectDatabase / the settings file (id "1", active).
  TServerEntry Entry() const;
  // The same entry with a wrong password.
  TServerEntry EntryWithPassword(const std::string& password) const;

  // Runs statements on a connection of its own (raises std::runtime_error).
  void Exec(const std::string& sql) const;
  // First column of every row of the result, NULL as "NULL".
  std::vector<std::string> Column(const std::string& sql) const;
  // The single value of a one-row, one-column result.
  std::string Value(const std::string& sql) const;

  // Adds the service's realrank, lastsortie, awards columns.
  void AddRankColumns() const;

 private:
  std::string name_;
};

}  // namespace sky::test
