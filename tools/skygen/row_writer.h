// Serialises generated rows into the text a loading statement carries.
//
// Contract: a row is Begin, then one call of Int, Text or Null per column in
// the loader's column order, then End. Text is UTF-8 and may hold any byte;
// each writer escapes it so that the server stores it unchanged. Output is
// appended to `out`, which the caller sends and clears.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sky::skygen {

class RowWriter {
 public:
  virtual ~RowWriter() = default;
  virtual void Begin() = 0;
  virtual void Int(int64_t value) = 0;
  virtual void Text(std::string_view value) = 0;
  virtual void Null() = 0;
  virtual void End() = 0;
};

// Lines for LOAD DATA ... FIELDS TERMINATED BY '\t' ESCAPED BY '\\'
// LINES TERMINATED BY '\n' (the statement's defaults); NULL is \N.
class TabSeparatedWriter final : public RowWriter {
 public:
  explicit TabSeparatedWriter(std::string& out) : out_(out) {}
  void Begin() override { first_ = true; }
  void Int(int64_t value) override;
  void Text(std::string_view value) override;
  void Null() override;
  void End() override { out_ += '\n'; }

 private:
  void Separate();

  std::string& out_;
  bool first_ = true;
};

// Row tuples "(1,'text',NULL)" of a multi-row INSERT, separated by commas.
// Assumes the session's sql_mode lets the backslash escape (the default).
// NewStatement starts a fresh list after the caller has sent the last one.
class ValuesWriter final : public RowWriter {
 public:
  explicit ValuesWriter(std::string& out) : out_(out) {}
  void NewStatement() { rows_ = 0; }
  size_t Rows() const { return rows_; }
  void Begin() override;
  void Int(int64_t value) override;
  void Text(std::string_view value) override;
  void Null() override;
  void End() override;

 private:
  void Separate();

  std::string& out_;
  bool first_ = true;
  size_t rows_ = 0;
};

}  // namespace sky::skygen
