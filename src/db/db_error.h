// The errors of the database layer: every failure of a session, a statement
// or a value raises one of these, carrying the server's or the client
// library's message.
#pragma once

#include <stdexcept>

namespace sky {

class TDbError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A stored value that does not read as the type asked for: a fault of one
// row's data, not of the session or the statement.
class TDbValueError : public TDbError {
 public:
  using TDbError::TDbError;
};

}  // namespace sky
