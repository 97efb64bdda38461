// Closes a statement object when the scope ends, on every way out, so that a
// failed operation never leaves one of the session's statements open.
#pragma once

#include "db/query.h"
#include "db/session.h"

namespace sky {

class TQueryCloser {
 public:
  explicit TQueryCloser(TQuery& query) : query_(query) {}
  ~TQueryCloser() {
    try {
      query_.Close();
    } catch (...) {
      // Closing only drops a result held in memory; nothing to report.
    }
  }
  TQueryCloser(const TQueryCloser&) = delete;
  TQueryCloser& operator=(const TQueryCloser&) = delete;

 private:
  TQuery& query_;
};

}  // namespace sky
