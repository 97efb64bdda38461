#include "generator.h"

#include <chrono>

#include "pilot_rows.h"
#include "population.h"
#include "sortie_rows.h"
#include "statsdb_schema.h"

namespace sky::skygen {
namespace {

constexpr unsigned kTableExists = 1050;

void CreateTables(Connection& db, bool rank_columns) {
  try {
    db.Exec(statsdb::kCreatePilots);
    db.Exec(statsdb::kCreateSorties);
  } catch (const DatabaseError& e) {
    if (e.Code() != kTableExists) throw;
    throw DatabaseError(e.Code(), std::string(e.what()) + " (use --drop to recreate the database)");
  }
  if (rank_columns) db.Exec(statsdb::kAddRankColumns);
}

}  // namespace

namespace {

// A source that tells `progress` how far it has come.
class ReportedRows : public RowSource {
 public:
  ReportedRows(RowSource& rows, uint64_t total,
               const std::function<void(std::string_view, uint64_t, uint64_t)>& progress)
      : rows_(rows), total_(total), progress_(progress) {}
  std::string_view Table() const override { return rows_.Table(); }
  std::string_view Columns() const override { return rows_.Columns(); }
  bool Next(RowWriter& out) override {
    const bool more = rows_.Next(out);
    if (progress_ && (!more || ++made_ % kEvery == 0)) progress_(rows_.Table(), made_, total_);
    return more;
  }

 private:
  static constexpr uint64_t kEvery = 4096;
  RowSource& rows_;
  uint64_t total_;
  uint64_t made_ = 0;
  const std::function<void(std::string_view, uint64_t, uint64_t)>& progress_;
};

}  // namespace

GeneratorResult Generate(const GeneratorOptions& options) {
  const auto started = std::chrono::steady_clock::now();
  if (options.sorties > 0 && options.pilots == 0) {
    throw std::invalid_argument("sorties need at least one pilot");
  }
  const std::string database = QuoteIdentifier(options.database);

  Connection db(options.server);
  // Strict mode turns any value the server would have to bend into an
  // error; the checks only slow loading down and the generated keys are
  // unique by construction.
  db.Exec("set session sql_mode = 'STRICT_ALL_TABLES,NO_ENGINE_SUBSTITUTION'");
  db.Exec("set session unique_checks = 0, foreign_key_checks = 0");
  if (options.drop) db.Exec("drop database if exists " + database);
  db.Exec("create database if not exists " + database + " character set utf8mb4");
  db.Exec("use " + database);
  CreateTables(db, options.rank_columns);

  Population population = MakePopulation(options.pilots, options.sorties, options.seed);
  GeneratorResult result;
  SortieRows sorties(population, options.seed);
  ReportedRows reported_sorties(sorties, options.sorties, options.progress);
  result.sorties = LoadTable(db, reported_sorties, options.method, &result.used_load_data);
  PilotRows pilots(population);
  ReportedRows reported_pilots(pilots, options.pilots, options.progress);
  result.pilots = LoadTable(db, reported_pilots, options.method);
  if (options.index) db.Exec(statsdb::kCreateSortiesIndex);

  result.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  return result;
}

}  // namespace sky::skygen
