// Generation against a real server (the throwaway MariaDB of the test run,
// addressed by SKY_TEST_DB_*). Skipped without one, except under CI=true.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "connection.h"
#include "generator.h"
#include "population.h"

namespace sky::skygen {
namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : value;
}

#define REQUIRE_SERVER()                                                            \
  do {                                                                              \
    if (Env("SKY_TEST_DB_HOST").empty() && Env("SKY_TEST_DB_SOCKET").empty()) {     \
      if (Env("CI") == "true") FAIL() << "CI=true but no test database";            \
      GTEST_SKIP() << "no test database (run scripts/test)";                        \
    }                                                                               \
  } while (0)

ConnectOptions Server() {
  ConnectOptions server;
  server.host = Env("SKY_TEST_DB_HOST");
  server.port = static_cast<unsigned>(std::atoi(Env("SKY_TEST_DB_PORT").c_str()));
  server.user = Env("SKY_TEST_DB_USER");
  server.password = Env("SKY_TEST_DB_PASS");
  if (server.host.empty()) server.socket = Env("SKY_TEST_DB_SOCKET");
  return server;
}

// A database name of this test process, dropped when the test ends.
class ScratchDatabase {
 public:
  explicit ScratchDatabase(const std::string& suffix)
      : name_("skygen_test_" + std::to_string(getpid()) + "_" + suffix) {}
  ~ScratchDatabase() {
    try {
      Connection(Server()).Exec("drop database if exists `" + name_ + "`");
    } catch (...) {
    }
  }
  const std::string& Name() const { return name_; }

 private:
  std::string name_;
};

GeneratorOptions Small(const std::string& database, uint64_t seed) {
  GeneratorOptions o;
  o.server = Server();
  o.database = database;
  o.drop = true;
  o.pilots = 120;
  o.sorties = 6000;
  o.seed = seed;
  return o;
}

// Content fingerprint of both tables: row counts and CHECKSUM TABLE.
std::string Checksums(const std::string& database) {
  Connection db(Server());
  db.Exec("use `" + database + "`");
  std::string sums;
  for (const std::string table : {"pilots", "sorties"}) {
    sums += db.Value("select count(*) from " + table) + "/";
    const std::string sql = "checksum table " + table;
    if (mysql_real_query(db.Handle(), sql.data(), sql.size()) != 0) db.Fail(sql);
    std::unique_ptr<MYSQL_RES, void (*)(MYSQL_RES*)> result(mysql_store_result(db.Handle()),
                                                            mysql_free_result);
    MYSQL_ROW row = result ? mysql_fetch_row(result.get()) : nullptr;
    if (row == nullptr || row[1] == nullptr) db.Fail(sql);
    sums += std::string(row[1]) + ";";
  }
  return sums;
}

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  for (unsigned char c : bytes) {
    hex += kDigits[c >> 4];
    hex += kDigits[c & 15];
  }
  return hex;
}

TEST(Generate, SameSeedGivesTheSameContentWhicheverWayItIsLoaded) {
  REQUIRE_SERVER();
  ScratchDatabase first("a"), second("b"), inserted("c"), other("d");
  const GeneratorResult result = Generate(Small(first.Name(), 77));
  EXPECT_EQ(result.pilots, 120u);
  EXPECT_EQ(result.sorties, 6000u);
  Generate(Small(second.Name(), 77));
  GeneratorOptions by_insert = Small(inserted.Name(), 77);
  by_insert.method = LoadMethod::kInsert;
  EXPECT_FALSE(Generate(by_insert).used_load_data);
  Generate(Small(other.Name(), 78));

  const std::string sums = Checksums(first.Name());
  EXPECT_EQ(sums.substr(0, sums.find('/')), "120");
  EXPECT_EQ(Checksums(second.Name()), sums);
  EXPECT_EQ(Checksums(inserted.Name()), sums);
  EXPECT_NE(Checksums(other.Name()), sums);
}

TEST(Generate, StoresCallsignsAndEndCodesByteForByte) {
  REQUIRE_SERVER();
  ScratchDatabase scratch("text");
  Generate(Small(scratch.Name(), 5));
  const Population expected = MakePopulation(120, 6000, 5);
  Connection db(Server());
  db.Exec("use `" + scratch.Name() + "`");
  for (size_t i = 0; i < expected.pilots.size(); ++i) {
    ASSERT_EQ(db.Value("select hex(callsign) from pilots where id = " + std::to_string(i + 1)),
              Hex(expected.pilots[i].callsign));
  }
  // Blanks around an end code and empty codes survive as stored by the
  // statistics program; NULL stays NULL.
  EXPECT_NE(db.Value("select count(*) from sorties where SortieEND like ' %'"), "0");
  EXPECT_NE(db.Value("select count(*) from sorties where SortieEND = ''"), "0");
  EXPECT_NE(db.Value("select count(*) from sorties where SortieEND is null"), "0");
  EXPECT_EQ(db.Value("select count(*) from sorties where timestampdiff(second, starttime, endtime) "
                     "not between 60 and 10800"),
            "0");
}

TEST(Generate, OptionsShapeTheTables) {
  REQUIRE_SERVER();
  ScratchDatabase scratch("shape");
  GeneratorOptions o = Small(scratch.Name(), 1);
  o.sorties = 500;
  o.index = false;
  o.rank_columns = true;
  Generate(o);
  Connection db(Server());
  db.Exec("use `" + scratch.Name() + "`");
  EXPECT_EQ(db.Value("select count(*) from information_schema.statistics where table_schema = '" +
                     scratch.Name() + "' and table_name = 'sorties' and index_name <> 'PRIMARY'"),
            "0");
  EXPECT_EQ(db.Value("select count(*) from pilots where realrank is null and lastsortie is null "
                     "and awards is null"),
            "120");

  // Without --drop existing tables are an error that names the way out.
  o.drop = false;
  try {
    Generate(o);
    FAIL() << "generating over existing tables succeeded";
  } catch (const DatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("--drop"), std::string::npos) << e.what();
  }
  o.drop = true;
  o.index = true;
  o.rank_columns = false;
  Generate(o);
  EXPECT_EQ(db.Value("select count(*) from information_schema.statistics where table_schema = '" +
                     scratch.Name() + "' and index_name = 'sorties_pilot_sortie'"),
            "2");
  EXPECT_EQ(db.Value("select count(*) from information_schema.columns where table_schema = '" +
                     scratch.Name() + "' and column_name = 'realrank'"),
            "0");
}

TEST(Generate, RefusesDatabaseNamesThatCannotBeQuoted) {
  GeneratorOptions o;
  o.database = "x`; drop database mysql; --";
  EXPECT_THROW(Generate(o), std::invalid_argument);
}

}  // namespace
}  // namespace sky::skygen
