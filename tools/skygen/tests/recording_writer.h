// Test helper: a RowWriter that keeps the rows it is given as values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "row_writer.h"

namespace sky::skygen::test {

// One column value: NULL, an integer or a text.
using Value = std::variant<std::monostate, int64_t, std::string>;
using Row = std::vector<Value>;

class RecordingWriter final : public RowWriter {
 public:
  void Begin() override { rows.emplace_back(); }
  void Int(int64_t value) override { rows.back().emplace_back(value); }
  void Text(std::string_view value) override { rows.back().emplace_back(std::string(value)); }
  void Null() override { rows.back().emplace_back(std::monostate()); }
  void End() override {}

  std::vector<Row> rows;
};

inline bool IsNull(const Value& v) { return std::holds_alternative<std::monostate>(v); }
inline int64_t AsInt(const Value& v) { return std::get<int64_t>(v); }
inline const std::string& AsText(const Value& v) { return std::get<std::string>(v); }

}  // namespace sky::skygen::test
