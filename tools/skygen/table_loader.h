// Moves the rows of a RowSource into its table in large pieces.
//
// Contract: LoadTable consumes the source completely and returns how many
// rows went in. kLoadData streams the rows through LOAD DATA LOCAL INFILE
// from memory (no file is written), a few hundred thousand rows per
// statement; kInsert sends multi-row INSERTs of about a megabyte inside
// transactions of about a hundred thousand rows; kAuto tries LOAD DATA and
// falls back to INSERT when the server refuses local loading before any row
// was sent. Any warning the server raises while loading (a value it had to
// change or a row it skipped) is a failure, never a silent difference.
// `used_load_data`, when given, tells which way was taken.
#pragma once

#include <cstdint>

#include "connection.h"
#include "row_source.h"

namespace sky::skygen {

enum class LoadMethod { kAuto, kLoadData, kInsert };

uint64_t LoadTable(Connection& db, RowSource& source, LoadMethod method,
                   bool* used_load_data = nullptr);

}  // namespace sky::skygen
