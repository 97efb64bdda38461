// Builds a statistics database full of generated pilots and sorties.
//
// Contract: Generate connects, creates the database when it is missing
// (after dropping it first with `drop`), creates `pilots` and `sorties` as
// the statistics program does (failing when they already exist), loads
// `pilots` pilots and `sorties` sorties, and adds the (pilotid, id) index
// unless told not to. For the same counts and seed the content of both
// tables is the same on every run, whichever loading method is used.
// Failures raise DatabaseError or std::invalid_argument; a half-filled
// database may remain and is replaced by the next run with `drop`.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "connection.h"
#include "table_loader.h"

namespace sky::skygen {

struct GeneratorOptions {
  ConnectOptions server;
  std::string database;
  bool drop = false;
  uint32_t pilots = 1000;
  uint32_t sorties = 100000;
  uint64_t seed = 1;
  bool index = true;
  bool rank_columns = false;  // add realrank, lastsortie, awards (all NULL)
  LoadMethod method = LoadMethod::kAuto;
  // Told of the rows of each table as they are made, every few thousand
  // rows and once more at the table's end: (table, rows made, rows to make).
  std::function<void(std::string_view, uint64_t, uint64_t)> progress;
};

struct GeneratorResult {
  uint64_t pilots = 0;
  uint64_t sorties = 0;
  bool used_load_data = false;
  double seconds = 0;
};

GeneratorResult Generate(const GeneratorOptions& options);

}  // namespace sky::skygen
