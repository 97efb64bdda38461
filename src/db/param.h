// One named parameter of a statement and the literal its value becomes in
// the statement's text (unassigned -> NULL, integers as decimal digits,
// booleans 'Y' / 'N', texts quoted, see db/query.h).
#pragma once

#include <cstdint>
#include <string>

namespace sky {

// One named parameter of a statement.
class TParam {
 public:
  explicit TParam(std::string name) : name_(std::move(name)) {}
  const std::string& Name() const { return name_; }
  void SetInteger(int64_t value);
  void SetBoolean(bool value);
  void SetText(std::string value);
  void SetNull();
  // The literal written into the statement text for the current value;
  // `backslash_escapes` false when the server takes backslashes literally.
  std::string Literal(bool backslash_escapes = true) const;

 private:
  enum class TKind { kUnassigned, kNull, kInteger, kBoolean, kText };
  std::string name_;
  TKind kind_ = TKind::kUnassigned;
  int64_t integer_ = 0;
  std::string text_;
};

}  // namespace sky
