// Rows of one table, produced one at a time in primary-key order.
//
// Contract: Next writes exactly one row (in the order of Columns()) and
// returns true, or writes nothing and returns false once the table is
// complete. A source is consumed once; rows never depend on how the caller
// batches them.
#pragma once

#include <cstdint>
#include <string_view>

#include "row_writer.h"

namespace sky::skygen {

class RowSource {
 public:
  virtual ~RowSource() = default;
  virtual std::string_view Table() const = 0;
  virtual std::string_view Columns() const = 0;  // comma-separated column names
  virtual bool Next(RowWriter& out) = 0;
};

}  // namespace sky::skygen
