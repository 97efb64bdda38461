// A test database filled by the statistics generator (tools/skygen), for
// the test programs that link skygen_lib: the same rows for the same counts
// and seed on every run, with the service's columns added and empty.
#pragma once

#include <cstdint>

#include "generator.h"
#include "support/test_db.h"

namespace sky::test {

inline void GenerateStatistics(const TestDatabase& into, uint32_t pilots, uint32_t sorties, uint64_t seed) {
  const TServerEntry entry = into.Entry();
  skygen::GeneratorOptions options;
  options.server = {entry.Host, entry.Port, entry.User, entry.Pass, ""};
  options.database = into.Name();
  options.pilots = pilots;
  options.sorties = sorties;
  options.seed = seed;
  options.rank_columns = true;
  skygen::Generate(options);
}

}  // namespace sky::test
