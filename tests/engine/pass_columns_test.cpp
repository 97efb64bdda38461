// The columns the check asks a database for are those a sortie record reads:
// each one is needed, and together they suffice.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/db_error.h"
#include "db/query.h"
#include "db/session.h"
#include "engine/pass_columns.h"
#include "engine/sortie.h"
#include "engine/sortie_record.h"

namespace sky::test {
namespace {

TEST(PassColumns, ASortieRecordReadsEachListedColumnAndNoOther) {
  const auto listed = SortieColumnsRead();
  TdmMySQL session;
  TQuery rows(session);
  for (std::size_t left_out = 0; left_out <= listed.size(); ++left_out) {
    std::vector<std::string> columns;
    TQuery::TRowTexts row;
    for (std::size_t i = 0; i < listed.size(); ++i) {
      if (i == left_out) continue;
      columns.emplace_back(listed[i]);
      row.emplace_back(listed[i].ends_with("time") ? "2026-03-01 10:00:00" : "1");
    }
    rows.OpenRows(columns, {row});
    if (left_out == listed.size()) {
      EXPECT_NO_THROW(ReadSortie(rows));
    } else {
      EXPECT_THROW(ReadSortie(rows), TDbError) << listed[left_out];
    }
  }
}

}  // namespace
}  // namespace sky::test
